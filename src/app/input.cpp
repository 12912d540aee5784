#include "app/input.h"

#include <algorithm>
#include <cstring>

#include "app/recorder.h"
#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/platform.h"
#include "world/grid.h"

FrameInputRecord FrameInput = {};
int32_t (&KeyState)[256] = FrameInput.key_state;
int32_t& MouseMoved = FrameInput.mouse_moved;
int32_t& LeftClick = FrameInput.left_click;
int32_t& RightClick = FrameInput.right_click;

void InstallInputHooks() { InstallPlatformInputHooks(); }

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

// A window offset whose mapping reads back as the wanted buffer pixel: the
// middle of the zoomed pixel, else the nearest that works (single precision
// leaves a few rows at zoom 1 unreachable; the middle is taken for those).
static int32_t OffsetFor(int32_t pixel, int32_t extent, int32_t buffer_size)
{
    int32_t zoom = std::max(1, extent / buffer_size);
    int32_t guess = pixel * zoom + zoom / 2;
    if (ScaleToBuffer(guess, extent, buffer_size) == pixel)
        return guess;
    for (int32_t d = 1; d <= 2; ++d) {
        if (ScaleToBuffer(guess - d, extent, buffer_size) == pixel)
            return guess - d;
        if (ScaleToBuffer(guess + d, extent, buffer_size) == pixel)
            return guess + d;
    }
    return guess;
}

int32_t GetMouseX() { return FrameInput.mouse_x; }
int32_t GetMouseY() { return FrameInput.mouse_y; }

void ReadPointer()
{
    int32_t px = 0, py = 0, left = 0, top = 0, right = 0, bottom = 0;
    GetPointerPosition(&px, &py);
    GetWindowRectangle(&left, &top, &right, &bottom);
    FrameInput.mouse_x = ScaleToBuffer(px - left, right - left, ScreenWidth);
    FrameInput.mouse_y = ScaleToBuffer(bottom - py, bottom - top, ScreenHeight);
    FrameInput.cell_x = FrameInput.mouse_x / 16 + ViewX;
    FrameInput.cell_y = FrameInput.mouse_y / 16 + ViewY;
}

void PlacePointerAtPixel(int32_t x, int32_t y)
{
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    GetWindowRectangle(&left, &top, &right, &bottom);
    PlacePointer(left + OffsetFor(x, right - left, ScreenWidth), bottom - OffsetFor(y, bottom - top, ScreenHeight));
    ReadPointer();
}

// The inverse of the mouse cell.
void PlacePointerAtCell(int32_t x, int32_t y) { PlacePointerAtPixel((x - ViewX) * 16 + 8, (y - ViewY) * 16 + 8); }

void TakeFrameInput(int32_t frame)
{
    InputEvent e;
    while (TakeInputEvent(&e)) {
        RecordInputEvent(frame, e);
        switch (e.kind) {
        case INPUT_KEY_DOWN:
            if (e.a >= 0 && e.a < 256)
                KeyState[e.a] = 1;
            break;
        case INPUT_POINTER_AT_PIXEL: PlacePointerAtPixel(e.a, e.b), MouseMoved = 1; break;
        case INPUT_POINTER_AT_CELL: PlacePointerAtCell(e.a, e.b), MouseMoved = 1; break;
        case INPUT_POINTER_MOVED: MouseMoved = 1; break;
        case INPUT_LEFT_BUTTON: LeftClick = 1; break;
        case INPUT_RIGHT_BUTTON: RightClick = 1; break;
        case INPUT_CLOSE: QuitRequested = 1; break;
        }
    }
    ReadPointer();
    RecordFrameInput(frame);
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
