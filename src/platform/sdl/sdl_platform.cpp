// SDL2 + OpenGL 1.1 backend: the game's window and GL context, its input,
// time and message boxes. Sound lives in sdl_sound.cpp.
#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>

#include "platform/common/frame_pacer.h"
#include "platform/common/gamepad.h"
#include "platform/gl/gl_present.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_keymap.h"

namespace
{
SDL_Window* Window = nullptr;
SDL_GLContext Context = nullptr;
bool VideoReady = false;
bool GLReady = false;
// The pointer as the current frame reads it, taken when the pump runs dry.
bool PointerTaken = false;
std::deque<InputEvent> Queue; // delivered, for the game to take
int PointerX = 0;
int PointerY = 0;
FramePacer Pacer;
// Full screen: the picture's size, its top-left corner in the window and its
// lowest row counted from the window's bottom, as GL counts.
bool Fullscreen = false;
int PictureWidth = 0;
int PictureHeight = 0;
int PictureLeft = 0;
int PictureTop = 0;
int PictureBottom = 0;
// The game controller in use (an SDL instance id, -1 for none): the first on
// which a button is pressed.
SDL_JoystickID PadId = -1;
PadState Pad;
uint64_t PadTime = 0;
// GL 1.4: places the picture without touching the game's fixed projection.
using WindowPosFunction = void (*)(int, int);
WindowPosFunction WindowPos = nullptr;

const char* const CREATE_CAPTION = "ERROR";
const char* const SHUTDOWN_CAPTION = "SHUTDOWN ERROR";

bool CreationFailed(const char* text)
{
    PlatformMessageBox(text, CREATE_CAPTION, MESSAGEBOX_EXCLAMATION);
    return false;
}

// The video subsystem plays the part of the registered window class: it is
// taken once and kept, so that F5/F6 re-creations keep the hidden pointer.
bool StartVideo()
{
    if (VideoReady)
        return true;
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (asked && *asked) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "SDL %s: %s\n", asked, SDL_GetError());
            return false;
        }
    } else {
        // A desktop only: without one SDL would settle for an off-screen
        // driver, and the game would run in a window nobody can see.
        const char* const desktops[] = {"x11", "wayland"};
        bool started = false;
        for (const char* driver : desktops) {
            SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
                started = true;
                break;
            }
            std::fprintf(stderr, "SDL %s: %s\n", driver, SDL_GetError());
        }
        if (!started)
            return false;
    }
    SDL_DisableScreenSaver();
    // The pad is read like the keyboard hooks: whichever window has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        std::fprintf(stderr, "SDL game controllers: %s\n", SDL_GetError());
    // Keys are read as key-downs only; an input method must not swallow them.
    SDL_StopTextInput();
    VideoReady = true;
    return true;
}

// SDL folds choosing the pixel format into window creation; its error text
// tells which of the two failed.
bool IsPixelFormatFailure(const char* error)
{
    return std::strstr(error, "visual") || std::strstr(error, "Visual") || std::strstr(error, "pixel format") ||
           std::strstr(error, "PixelFormat") || std::strstr(error, "config");
}

void RequestPixelFormat(int32_t bits)
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, bits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
    // glDrawPixels and the fixed-function state need the compatibility profile;
    // a core profile (the default on some drivers for 3.2+) has neither.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
}

void TakePointer()
{
    SDL_GetGlobalMouseState(&PointerX, &PointerY);
    PointerTaken = true;
}

void PaceFrame()
{
    uint64_t wait = FramePacerWait(&Pacer, SDL_GetPerformanceCounter());
    if (wait > 0) {
        uint64_t frequency = SDL_GetPerformanceFrequency();
        SDL_Delay(static_cast<Uint32>((wait * 1000 + frequency - 1) / frequency));
    }
}

// The pad's frame enters as the keyboard's and the mouse's events do, the
// pointer moved on the screen first, within the game's picture.
void DeliverPad(const PadOutput& pad)
{
    if (pad.move_x || pad.move_y) {
        int x = 0, y = 0;
        int32_t left = 0, top = 0, right = 0, bottom = 0;
        SDL_GetGlobalMouseState(&x, &y);
        GetWindowRectangle(&left, &top, &right, &bottom);
        x = SDL_clamp(x + pad.move_x, left, right - 1);
        y = SDL_clamp(y + pad.move_y, top, bottom - 1);
        SDL_WarpMouseGlobal(x, y);
    }
    QueuePadEvents(pad, &Queue);
}

void StepController()
{
    static const SDL_GameControllerButton BUTTONS[PAD_BUTTON_COUNT] = {SDL_CONTROLLER_BUTTON_A,
                                                                       SDL_CONTROLLER_BUTTON_B,
                                                                       SDL_CONTROLLER_BUTTON_X,
                                                                       SDL_CONTROLLER_BUTTON_Y,
                                                                       SDL_CONTROLLER_BUTTON_BACK,
                                                                       SDL_CONTROLLER_BUTTON_START,
                                                                       SDL_CONTROLLER_BUTTON_LEFTSTICK,
                                                                       SDL_CONTROLLER_BUTTON_RIGHTSTICK,
                                                                       SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
                                                                       SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
                                                                       SDL_CONTROLLER_BUTTON_DPAD_UP,
                                                                       SDL_CONTROLLER_BUTTON_DPAD_DOWN,
                                                                       SDL_CONTROLLER_BUTTON_DPAD_LEFT,
                                                                       SDL_CONTROLLER_BUTTON_DPAD_RIGHT};
    uint64_t now = SDL_GetPerformanceCounter();
    double seconds =
        PadTime ? static_cast<double>(now - PadTime) / static_cast<double>(SDL_GetPerformanceFrequency()) : 0;
    PadTime = now;
    SDL_GameController* pad = PadId >= 0 ? SDL_GameControllerFromInstanceID(PadId) : nullptr;
    PadReading reading;
    if (pad && SDL_GameControllerGetAttached(pad)) {
        for (uint32_t b = 0; b < PAD_BUTTON_COUNT; ++b)
            if (SDL_GameControllerGetButton(pad, BUTTONS[b]))
                reading.held |= 1u << b;
        reading.stick_x = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX) / 32767.0f;
        reading.stick_y = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY) / 32767.0f;
    }
    DeliverPad(StepPad(&Pad, reading, seconds));
}

void DispatchKeyDown(const SDL_KeyboardEvent& key)
{
    uint32_t held = 0;
    if (key.keysym.mod & KMOD_ALT)
        held |= HELD_ALT;
    if (key.keysym.mod & KMOD_CTRL)
        held |= HELD_CTRL;
    int32_t vk = VirtualKeyForSdlKey(key.keysym.sym, key.keysym.scancode, held);
    if (vk != 0)
        Queue.push_back({INPUT_KEY_DOWN, vk, 0});
}
} // namespace

bool CreateGameWindow(const char* title, int32_t width, int32_t height, int32_t bits)
{
    if (!StartVideo())
        return CreationFailed("Failed To Register The Window Class.");
    // Without a GL library there is nothing to draw with: the device-context step of the system.
    if (!GLReady) {
        if (SDL_GL_LoadLibrary(nullptr) != 0) {
            std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
            return CreationFailed("Can't Create A GL Device Context.");
        }
        GLReady = true;
    }
    RequestPixelFormat(bits);
    // A window at the top-left of the screen with no frame: its client area is
    // exactly width x height. In full screen it covers the display instead.
    PictureWidth = width;
    PictureHeight = height;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN;
    SDL_Rect place = {0, 0, width, height};
    // Made at the display's size too: without a window manager nobody else resizes it.
    if (Fullscreen && SDL_GetDisplayBounds(0, &place) == 0)
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    Window = SDL_CreateWindow(title, place.x, place.y, place.w, place.h, flags);
    if (!Window) {
        const char* error = SDL_GetError();
        std::fprintf(stderr, "SDL: %s\n", error);
        return CreationFailed(IsPixelFormatFailure(error) ? "Can't Find A Suitable PixelFormat."
                                                          : "Window Creation Error.");
    }
    Context = SDL_GL_CreateContext(Window);
    if (!Context) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        DestroyGameWindow();
        return CreationFailed("Can't Create A GL Rendering Context.");
    }
    if (SDL_GL_MakeCurrent(Window, Context) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        DestroyGameWindow();
        return CreationFailed("Can't Activate The GL Rendering Context.");
    }
    // Frame-counted play then runs at the display's pace; ignored where there is no vsync.
    SDL_GL_SetSwapInterval(1);
    SDL_SetWindowPosition(Window, place.x, place.y);
    SDL_ShowWindow(Window);
    SDL_RaiseWindow(Window);
    SDL_SetWindowInputFocus(Window);
    SetGLProjection(width, height);
    if (!SetupGLState()) {
        DestroyGameWindow();
        return CreationFailed("Initialization Failed.");
    }
    if (Fullscreen) {
        int w = width, h = height;
        SDL_GL_GetDrawableSize(Window, &w, &h);
        PictureLeft = (w - width) / 2;
        PictureTop = (h - height) / 2;
        PictureBottom = h - PictureTop - height;
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    }
    return true;
}

void DestroyGameWindow()
{
    if (Context) {
        if (SDL_GL_MakeCurrent(Window, nullptr) != 0)
            PlatformMessageBox("Release Of DC And RC Failed.", SHUTDOWN_CAPTION, MESSAGEBOX_INFORMATION);
        SDL_GL_DeleteContext(Context);
        Context = nullptr;
    }
    if (Window) {
        SDL_DestroyWindow(Window);
        Window = nullptr;
    }
}

bool PumpOneMessage()
{
    SDL_Event e;
    if (!SDL_PollEvent(&e)) {
        StepController();
        TakePointer();
        return false;
    }
    switch (e.type) {
    case SDL_KEYDOWN: DispatchKeyDown(e.key); break; // auto-repeats included
    case SDL_MOUSEMOTION: Queue.push_back({INPUT_POINTER_MOVED, 0, 0}); break;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT)
            Queue.push_back({INPUT_LEFT_BUTTON, 0, 0});
        else if (e.button.button == SDL_BUTTON_RIGHT)
            Queue.push_back({INPUT_RIGHT_BUTTON, 0, 0});
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            Queue.push_back({INPUT_CLOSE, 0, 0});
        break;
    case SDL_QUIT: Queue.push_back({INPUT_CLOSE, 0, 0}); break; // also SIGINT and SIGTERM
    case SDL_CONTROLLERDEVICEADDED: SDL_GameControllerOpen(e.cdevice.which); break;
    case SDL_CONTROLLERDEVICEREMOVED:
        // Unplugged: nothing stays held; plugged back, it is taken again by a press.
        SDL_GameControllerClose(SDL_GameControllerFromInstanceID(e.cdevice.which));
        if (e.cdevice.which == PadId)
            PadId = -1;
        break;
    case SDL_CONTROLLERBUTTONDOWN:
        if (PadId < 0)
            PadId = e.cbutton.which;
        break;
    default: break;
    }
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

void HidePointer() { SDL_ShowCursor(SDL_DISABLE); }

void PlacePointer(int32_t x, int32_t y)
{
    SDL_WarpMouseGlobal(x, y);
    PointerX = x;
    PointerY = y;
    PointerTaken = true;
}

// Input comes from this backend's own event queue: no system-wide hooks to install.
void InstallPlatformInputHooks() {}

void MoveGameWindow(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (!Window || Fullscreen)
        return;
    SDL_SetWindowPosition(Window, x, y);
    SDL_SetWindowSize(Window, width, height);
}

void GetPointerPosition(int32_t* x, int32_t* y)
{
    if (!PointerTaken)
        TakePointer();
    *x = PointerX;
    *y = PointerY;
}

bool SetFullscreen(bool on)
{
    if (on && !WindowPos) {
        if (!StartVideo() || (!GLReady && SDL_GL_LoadLibrary(nullptr) != 0))
            return false;
        GLReady = true;
        WindowPos = reinterpret_cast<WindowPosFunction>(SDL_GL_GetProcAddress("glWindowPos2i"));
        if (!WindowPos)
            return false;
    }
    Fullscreen = on;
    return true;
}

bool GetScreenSize(int32_t* width, int32_t* height)
{
    SDL_Rect bounds;
    if (!StartVideo() || SDL_GetDisplayBounds(0, &bounds) != 0)
        return false;
    *width = bounds.w;
    *height = bounds.h;
    return true;
}

void GetWindowRectangle(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom)
{
    int x = 0, y = 0, w = 0, h = 0;
    if (Window) {
        SDL_GetWindowPosition(Window, &x, &y);
        SDL_GetWindowSize(Window, &w, &h);
        if (Fullscreen) {
            x += PictureLeft;
            y += PictureTop;
            w = PictureWidth;
            h = PictureHeight;
        }
    }
    *left = x;
    *top = y;
    *right = x + w;
    *bottom = y + h;
}

void PresentGLFrame(const uint8_t* rgba, int32_t width, int32_t height, int32_t zoom)
{
    if (!Window || !Context || !rgba)
        return;
    if (Fullscreen)
        WindowPos(PictureLeft, PictureBottom);
    DrawPixelsToGL(rgba, width, height, zoom);
    PaceFrame();
    SDL_GL_SwapWindow(Window);
    FinishGLPresent();
}

void PlatformSleep(uint32_t milliseconds) { SDL_Delay(milliseconds); }

void SetFramePacing(int32_t frames_per_second)
{
    SetFramePacerRate(&Pacer, SDL_GetPerformanceFrequency(), frames_per_second);
}

uint32_t PlatformTimeSeconds() { return static_cast<uint32_t>(std::time(nullptr)); }

void PlatformMessageBox(const char* text, const char* caption, MessageBoxIcon icon)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    SDL_ShowSimpleMessageBox(icon == MESSAGEBOX_EXCLAMATION ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION,
                             caption, text, nullptr);
}
