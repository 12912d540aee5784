// SDL2 + OpenGL 1.1 backend: the game's window, input, time, message boxes and sound.
#include <SDL.h>

#include <cstdio>
#include <ctime>

#include "platform/gl/gl_present.h"
#include "platform/platform.h"

namespace {
SDL_Window* Window = nullptr;
SDL_GLContext Context = nullptr;
bool VideoReady = false;

// Windows virtual-key code for an SDL key, 0 when the game has no use for it.
int32_t VirtualKey(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return 112 + (key - SDLK_F1);
    switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN: return 13;
    case SDLK_KP_ENTER: return 13;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 16;
    case SDLK_ESCAPE: return 27;
    case SDLK_SPACE: return 32;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_KP_PLUS: return 107;
    case SDLK_KP_MINUS: return 109;
    case SDLK_LEFTBRACKET: return 219;
    case SDLK_RIGHTBRACKET: return 221;
    default: return 0;
    }
}

bool Fail(const char* text)
{
    PlatformMessageBox(text, "ERROR", MESSAGEBOX_EXCLAMATION);
    return false;
}
} // namespace

bool CreateGameWindow(const char* title, int32_t width, int32_t height, int32_t bits)
{
    if (!VideoReady) {
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) != 0 && SDL_Init(SDL_INIT_VIDEO) != 0)
            return Fail("Failed To Register The Window Class.");
        VideoReady = true;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, bits);
    Window = SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
    if (!Window)
        return Fail("Window Creation Error.");
    Context = SDL_GL_CreateContext(Window);
    if (!Context) {
        DestroyGameWindow();
        return Fail("Can't Create A GL Rendering Context.");
    }
    if (SDL_GL_MakeCurrent(Window, Context) != 0) {
        DestroyGameWindow();
        return Fail("Can't Activate The GL Rendering Context.");
    }
    SDL_GL_SetSwapInterval(1); // frame-counted play runs at the display's pace
    SDL_RaiseWindow(Window);
    SDL_SetWindowPosition(Window, 0, 0);
    SetGLProjection(width, height);
    if (!SetupGLState()) {
        DestroyGameWindow();
        return Fail("Initialization Failed.");
    }
    return true;
}

void DestroyGameWindow()
{
    if (Context) {
        SDL_GL_MakeCurrent(Window, nullptr);
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
    if (!SDL_PollEvent(&e))
        return false;
    switch (e.type) {
    case SDL_KEYDOWN: {
        // Alt combinations and F10 are system keys on the game's home platform: they set nothing.
        if ((e.key.keysym.mod & KMOD_ALT) || e.key.keysym.sym == SDLK_F10)
            break;
        int32_t vk = VirtualKey(e.key.keysym.sym);
        if (vk)
            OnKeyDownEvent(vk);
        break;
    }
    case SDL_MOUSEMOTION: OnMouseMoveEvent(); break;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT)
            OnLeftButtonEvent();
        else if (e.button.button == SDL_BUTTON_RIGHT)
            OnRightButtonEvent();
        break;
    case SDL_QUIT: OnCloseEvent(); break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            OnCloseEvent();
        break;
    default: break;
    }
    return true;
}

void HidePointer() { SDL_ShowCursor(SDL_DISABLE); }

// Input comes from this backend's own event queue: no system-wide hooks to install.
void InstallPlatformInputHooks() {}

void MoveGameWindow(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (!Window)
        return;
    SDL_SetWindowPosition(Window, x, y);
    SDL_SetWindowSize(Window, width, height);
}

void GetPointerPosition(int32_t* x, int32_t* y)
{
    int gx = 0, gy = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    *x = gx;
    *y = gy;
}

void GetWindowRectangle(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom)
{
    int x = 0, y = 0, w = 0, h = 0;
    if (Window) {
        SDL_GetWindowPosition(Window, &x, &y);
        SDL_GetWindowSize(Window, &w, &h);
    }
    *left = x;
    *top = y;
    *right = x + w;
    *bottom = y + h;
}

void PresentGLFrame(const uint8_t* rgba, int32_t width, int32_t height, int32_t zoom)
{
    if (!Window)
        return;
    DrawPixelsToGL(rgba, width, height, zoom);
    SDL_GL_SwapWindow(Window);
    FinishGLPresent();
}

void PlatformSleep(uint32_t milliseconds) { SDL_Delay(milliseconds); }

uint32_t PlatformTimeSeconds() { return static_cast<uint32_t>(std::time(nullptr)); }

void PlatformMessageBox(const char* text, const char* caption, MessageBoxIcon icon)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    SDL_ShowSimpleMessageBox(icon == MESSAGEBOX_EXCLAMATION ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION,
                             caption, text, nullptr);
}

