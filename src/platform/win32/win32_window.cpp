// Win32 + WGL backend: the game window and its GL context, the message pump,
// the system-wide low-level input hooks and the pointer.
#include <windows.h>

#include <mmsystem.h>
#include <xinput.h>

#include <deque>

#include "platform/common/frame_pacer.h"
#include "platform/common/gamepad.h"
#include "platform/gl/gl_present.h"
#include "platform/platform.h"

LRESULT CALLBACK GameWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK MouseHookProc(int code, WPARAM wparam, LPARAM lparam);

namespace
{
constexpr const char* WINDOW_CLASS = "OpenGL";

HWND Window = nullptr;
HDC DeviceContext = nullptr;
HGLRC GLContext = nullptr;
HINSTANCE Instance = nullptr;
MSG Message;
PIXELFORMATDESCRIPTOR PixelFormat;
bool PixelFormatFilled = false;
HHOOK MouseHook = nullptr;
HHOOK KeyboardHook = nullptr;
// The pointer as the current frame reads it, taken when the pump runs dry.
bool PointerTaken = false;
std::deque<InputEvent> Queue; // delivered by the hooks and the window, for the game to take
POINT Pointer;
FramePacer Pacer;

// XInput, loaded on first use: without the DLL the game runs without a pad.
using XInputGetStateFunction = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
XInputGetStateFunction XInputGetStateFrom = nullptr;
bool XInputLoaded = false;
// The pad in use (an XInput user index, -1 for none): the first on which a button is pressed.
int PadUser = -1;
int PadScanIn = 0;
PadState Pad;
uint64_t PadTime = 0;

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the pixel format record is 40 bytes");

void FillPixelFormat(int32_t bits)
{
    ZeroMemory(&PixelFormat, sizeof PixelFormat);
    PixelFormat.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    PixelFormat.nVersion = 1;
    PixelFormat.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    PixelFormat.iPixelType = PFD_TYPE_RGBA;
    PixelFormat.cColorBits = static_cast<BYTE>(bits);
    PixelFormat.cDepthBits = 16;
    PixelFormat.iLayerType = PFD_MAIN_PLANE;
}

void TakePointer()
{
    Pointer.x = 0;
    Pointer.y = 0;
    GetCursorPos(&Pointer);
    PointerTaken = true;
}

uint64_t Counter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint64_t>(now.QuadPart);
}

// The pad's frame enters as the hooks' key, click and pointer events do, the
// pointer moved on the screen first, within the game's window.
void DeliverPad(const PadOutput& pad)
{
    if (pad.move_x || pad.move_y) {
        POINT at = {0, 0};
        RECT r;
        SetRectEmpty(&r);
        GetCursorPos(&at);
        if (Window)
            GetWindowRect(Window, &r);
        LONG x = at.x + pad.move_x, y = at.y + pad.move_y;
        x = x < r.left ? r.left : x >= r.right ? r.right - 1 : x;
        y = y < r.top ? r.top : y >= r.bottom ? r.bottom - 1 : y;
        SetCursorPos(x, y);
    }
    QueuePadEvents(pad, &Queue);
}

void StepController()
{
    static const WORD BUTTONS[PAD_BUTTON_COUNT] = {XINPUT_GAMEPAD_A,
                                                   XINPUT_GAMEPAD_B,
                                                   XINPUT_GAMEPAD_X,
                                                   XINPUT_GAMEPAD_Y,
                                                   XINPUT_GAMEPAD_BACK,
                                                   XINPUT_GAMEPAD_START,
                                                   XINPUT_GAMEPAD_LEFT_THUMB,
                                                   XINPUT_GAMEPAD_RIGHT_THUMB,
                                                   XINPUT_GAMEPAD_LEFT_SHOULDER,
                                                   XINPUT_GAMEPAD_RIGHT_SHOULDER,
                                                   XINPUT_GAMEPAD_DPAD_UP,
                                                   XINPUT_GAMEPAD_DPAD_DOWN,
                                                   XINPUT_GAMEPAD_DPAD_LEFT,
                                                   XINPUT_GAMEPAD_DPAD_RIGHT};
    if (!XInputLoaded) {
        XInputLoaded = true;
        static const char* const DLLS[] = {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"};
        for (const char* dll : DLLS)
            if (HMODULE module = LoadLibraryA(dll)) {
                XInputGetStateFrom = reinterpret_cast<XInputGetStateFunction>(
                    reinterpret_cast<void*>(GetProcAddress(module, "XInputGetState")));
                break;
            }
    }
    if (!XInputGetStateFrom)
        return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    uint64_t now = Counter();
    double seconds = PadTime ? static_cast<double>(now - PadTime) / static_cast<double>(frequency.QuadPart) : 0;
    PadTime = now;
    XINPUT_STATE state;
    // Asking an empty slot is slow: the free slots are looked at twice a second.
    if (PadUser < 0 && --PadScanIn <= 0) {
        PadScanIn = 30;
        for (DWORD user = 0; user < XUSER_MAX_COUNT && PadUser < 0; ++user)
            if (XInputGetStateFrom(user, &state) == ERROR_SUCCESS && state.Gamepad.wButtons)
                PadUser = static_cast<int>(user);
    }
    PadReading reading;
    if (PadUser >= 0 && XInputGetStateFrom(static_cast<DWORD>(PadUser), &state) == ERROR_SUCCESS) {
        for (uint32_t b = 0; b < PAD_BUTTON_COUNT; ++b)
            if (state.Gamepad.wButtons & BUTTONS[b])
                reading.held |= 1u << b;
        reading.stick_x = state.Gamepad.sThumbLX / 32767.0f;
        reading.stick_y = -state.Gamepad.sThumbLY / 32767.0f; // XInput counts up as positive
    } else {
        PadUser = -1; // unplugged: taken again by a press
    }
    DeliverPad(StepPad(&Pad, reading, seconds));
}

void ShutdownError(const char* text) { MessageBoxA(nullptr, text, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION); }

// From the window's creation on, a failed step first takes down what exists so
// that no window, context or class is left behind.
bool CreationFailed(const char* text, bool destroy_first)
{
    if (destroy_first)
        DestroyGameWindow();
    MessageBoxA(nullptr, text, "ERROR", MB_OK | MB_ICONEXCLAMATION);
    return false;
}
} // namespace

LRESULT CALLBACK GameWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ACTIVATE: return 0;
    case WM_CLOSE: Queue.push_back({INPUT_CLOSE, 0, 0}); return 0;
    case WM_SYSCOMMAND:
        // The low four bits of the command are the system's own.
        switch (wparam & 0xFFF0) {
        case SC_SCREENSAVE:
        case SC_MONITORPOWER: return 0;
        default: break;
        }
        break;
    default: break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// Alt combinations and F10 arrive as WM_SYSKEYDOWN and so set nothing.
LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HC_ACTION && wparam == WM_KEYDOWN) {
        const KBDLLHOOKSTRUCT* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
        Queue.push_back({INPUT_KEY_DOWN, static_cast<int32_t>(event->vkCode), 0});
    }
    return CallNextHookEx(KeyboardHook, code, wparam, lparam);
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HC_ACTION) {
        switch (wparam) {
        case WM_MOUSEMOVE: Queue.push_back({INPUT_POINTER_MOVED, 0, 0}); break;
        case WM_LBUTTONDOWN: Queue.push_back({INPUT_LEFT_BUTTON, 0, 0}); break;
        case WM_RBUTTONDOWN: Queue.push_back({INPUT_RIGHT_BUTTON, 0, 0}); break;
        default: break;
        }
    }
    return CallNextHookEx(MouseHook, code, wparam, lparam);
}

// A hook that cannot be installed goes unreported: the game then simply gets
// no keys or no clicks. The hooks live as long as the process.
void InstallPlatformInputHooks()
{
    HINSTANCE module = GetModuleHandleA(nullptr);
    if (!MouseHook)
        MouseHook = SetWindowsHookExA(WH_MOUSE_LL, MouseHookProc, module, 0);
    if (!KeyboardHook)
        KeyboardHook = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHookProc, module, 0);
}

bool CreateGameWindow(const char* title, int32_t width, int32_t height, int32_t bits)
{
    RECT rect;
    rect.left = 0;
    rect.top = 0;
    rect.right = width;
    rect.bottom = height;
    Instance = GetModuleHandleA(nullptr);

    WNDCLASSA window_class;
    ZeroMemory(&window_class, sizeof window_class);
    window_class.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    window_class.lpfnWndProc = GameWindowProc;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = 0;
    window_class.hInstance = Instance;
    window_class.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WINLOGO));
    window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_CROSS));
    window_class.hbrBackground = nullptr;
    window_class.lpszMenuName = nullptr;
    window_class.lpszClassName = WINDOW_CLASS;
    if (!RegisterClassA(&window_class))
        return CreationFailed("Failed To Register The Window Class.", false);

    const DWORD ex_style = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    const DWORD style = WS_POPUP;
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);

    Window = CreateWindowExA(ex_style, WINDOW_CLASS, title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                             rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, Instance, nullptr);
    if (!Window)
        return CreationFailed("Window Creation Error.", true);

    if (!PixelFormatFilled) {
        FillPixelFormat(bits);
        PixelFormatFilled = true;
    }

    DeviceContext = GetDC(Window);
    if (!DeviceContext)
        return CreationFailed("Can't Create A GL Device Context.", true);
    int format = ChoosePixelFormat(DeviceContext, &PixelFormat);
    if (!format)
        return CreationFailed("Can't Find A Suitable PixelFormat.", true);
    if (!SetPixelFormat(DeviceContext, format, &PixelFormat))
        return CreationFailed("Can't Set The PixelFormat.", true);
    GLContext = wglCreateContext(DeviceContext);
    if (!GLContext)
        return CreationFailed("Can't Create A GL Rendering Context.", true);
    if (!wglMakeCurrent(DeviceContext, GLContext))
        return CreationFailed("Can't Activate The GL Rendering Context.", true);

    ShowWindow(Window, SW_SHOW);
    SetForegroundWindow(Window);
    SetFocus(Window);
    SetGLProjection(width, height);
    if (!SetupGLState())
        return CreationFailed("Initialization Failed.", true);
    return true;
}

// Every step runs even when an earlier one failed; the handles are cleared
// either way so that a second call finds nothing left to release.
void DestroyGameWindow()
{
    if (GLContext) {
        if (!wglMakeCurrent(nullptr, nullptr))
            ShutdownError("Release Of DC And RC Failed.");
        if (!wglDeleteContext(GLContext))
            ShutdownError("Release Rendering Context Failed.");
        GLContext = nullptr;
    }
    if (DeviceContext) {
        if (!ReleaseDC(Window, DeviceContext))
            ShutdownError("Release Device Context Failed.");
        DeviceContext = nullptr;
    }
    if (Window) {
        if (!DestroyWindow(Window))
            ShutdownError("Could Not Release hWnd.");
        Window = nullptr;
    }
    if (!UnregisterClassA(WINDOW_CLASS, Instance)) {
        ShutdownError("Could Not Unregister Class.");
        Instance = nullptr;
    }
}

bool PumpOneMessage()
{
    if (!PeekMessageA(&Message, nullptr, 0, 0, PM_REMOVE)) {
        StepController();
        TakePointer();
        return false;
    }
    TranslateMessage(&Message);
    DispatchMessageA(&Message);
    return true;
}

bool TakeInputEvent(InputEvent* event)
{
    if (Queue.empty())
        return false;
    *event = Queue.front();
    Queue.pop_front();
    return true;
}

void HidePointer() { ShowCursor(FALSE); }

void PlacePointer(int32_t x, int32_t y)
{
    SetCursorPos(x, y);
    Pointer.x = x;
    Pointer.y = y;
    PointerTaken = true;
}

void MoveGameWindow(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (Window)
        MoveWindow(Window, x, y, width, height, TRUE);
}

void GetPointerPosition(int32_t* x, int32_t* y)
{
    if (!PointerTaken)
        TakePointer();
    *x = Pointer.x;
    *y = Pointer.y;
}

bool SetFullscreen(bool) { return false; }

bool GetScreenSize(int32_t* width, int32_t* height)
{
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
    return *width > 0 && *height > 0;
}

void SetFramePacing(int32_t frames_per_second)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    SetFramePacerRate(&Pacer, static_cast<uint64_t>(frequency.QuadPart), frames_per_second);
    // Sleep otherwise counts in steps of the 15.6 ms system tick.
    if (frames_per_second > 0)
        timeBeginPeriod(1);
}

void GetWindowRectangle(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom)
{
    RECT r;
    SetRectEmpty(&r);
    if (Window)
        GetWindowRect(Window, &r);
    *left = r.left;
    *top = r.top;
    *right = r.right;
    *bottom = r.bottom;
}

void PresentGLFrame(const uint8_t* rgba, int32_t width, int32_t height, int32_t zoom)
{
    if (!DeviceContext)
        return;
    DrawPixelsToGL(rgba, width, height, zoom);
    if (uint64_t wait = FramePacerWait(&Pacer, Counter())) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        uint64_t ticks = static_cast<uint64_t>(frequency.QuadPart);
        Sleep(static_cast<DWORD>((wait * 1000 + ticks - 1) / ticks));
    }
    SwapBuffers(DeviceContext);
    FinishGLPresent();
}
