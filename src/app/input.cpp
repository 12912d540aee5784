#include "app/input.h"

#include <cstring>

#include "app/recorder.h"
#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/platform.h"
#include "world/grid.h"

int32_t KeyState[256] = {};
int32_t MouseMoved = 0;
int32_t LeftClick = 0;
int32_t RightClick = 0;

void InstallInputHooks() { InstallPlatformInputHooks(); }

void OnKeyDownEvent(int32_t virtual_key)
{
    RecordKeyDown(virtual_key);
    if (virtual_key >= 0 && virtual_key < 256)
        KeyState[virtual_key] = 1;
}

// The position itself is recorded once the pump is done, as the next frame reads it.
void OnMouseMoveEvent() { MouseMoved = 1; }

void OnLeftButtonEvent()
{
    RecordInput("lclick");
    LeftClick = 1;
}

void OnRightButtonEvent()
{
    RecordInput("rclick");
    RightClick = 1;
}

void OnCloseEvent()
{
    RecordInput("close");
    QuitRequested = 1;
}

bool IsKeyDown(int32_t code) { return code >= 0 && code < 256 && KeyState[code] == 1; }

// Single precision on purpose: the pointer maps onto the buffer the same way on every build.
static int32_t ScaleToBuffer(int32_t offset, int32_t extent, int32_t buffer_size)
{
    if (extent <= 0)
        return 0;
    float v = static_cast<float>(offset) / static_cast<float>(extent) * static_cast<float>(buffer_size);
    if (v < 0.0f)
        return 0;
    if (v > static_cast<float>(buffer_size - 1))
        return buffer_size - 1;
    return static_cast<int32_t>(v);
}

int32_t GetMouseX()
{
    int32_t px = 0, py = 0, left = 0, top = 0, right = 0, bottom = 0;
    GetPointerPosition(&px, &py);
    GetWindowRectangle(&left, &top, &right, &bottom);
    return ScaleToBuffer(px - left, right - left, ScreenWidth);
}

int32_t GetMouseY()
{
    int32_t px = 0, py = 0, left = 0, top = 0, right = 0, bottom = 0;
    GetPointerPosition(&px, &py);
    GetWindowRectangle(&left, &top, &right, &bottom);
    return ScaleToBuffer(bottom - py, bottom - top, ScreenHeight);
}

void HandleViewKeys()
{
    // A view just loaded from a file may sit at the ends of the int range; a
    // step past them would be lost in the clamping below anyway.
    if (IsKeyDown(KEY_UP) && ViewY < INT32_MAX)
        ViewY += 1;
    if (IsKeyDown(KEY_DOWN) && ViewY > INT32_MIN)
        ViewY -= 1;
    if (IsKeyDown(KEY_RIGHT) && ViewX < INT32_MAX)
        ViewX += 1;
    if (IsKeyDown(KEY_LEFT) && ViewX > INT32_MIN)
        ViewX -= 1;
    if (IsKeyDown(KEY_KEYPAD_PLUS)) {
        if (ViewLayer < INT32_MAX)
            ViewLayer += 1;
        PlatformSleep(380);
    }
    if (IsKeyDown(KEY_KEYPAD_MINUS)) {
        if (ViewLayer > INT32_MIN)
            ViewLayer -= 1;
        PlatformSleep(380);
    }
    if (ViewY > WorldSide - ScreenHeight / 16)
        ViewY = WorldSide - ScreenHeight / 16;
    if (ViewY < 0)
        ViewY = 0;
    if (ViewX > WorldSide - ScreenWidth / 16)
        ViewX = WorldSide - ScreenWidth / 16;
    if (ViewX < 0)
        ViewX = 0;
    if (ViewLayer > WorldLayers - 1)
        ViewLayer = WorldLayers - 1;
    if (ViewLayer < 0)
        ViewLayer = 0;
}

void ClearInputFlags()
{
    MouseMoved = 0;
    LeftClick = 0;
    RightClick = 0;
    std::memset(KeyState, 0, sizeof KeyState);
}
