// Browser backend (Emscripten): a canvas is the game's window, html5 callbacks
// its input. The game's frame loop and its pauses stay as they are: Asyncify
// lets PresentGLFrame and PlatformSleep hand the browser its turn.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
#include <vector>

#include "platform/common/frame_pacer.h"
#include "platform/common/gamepad.h"
#include "platform/platform.h"
#include "platform/web/web_audio.h"
#include "platform/web/web_files.h"
#include "platform/web/web_keymap.h"

// clang-format off
EM_JS(void, PlaceCanvas, (const char* title, int x, int y, int width, int height), {
    const canvas = Module.canvas || document.getElementById('canvas');
    if (title) document.title = UTF8ToString(title);
    canvas.style.left = x + 'px';
    canvas.style.top = y + 'px';
    canvas.style.width = width + 'px';
    canvas.style.height = height + 'px';
    canvas.style.display = 'block';
});

// Full screen: the canvas centred on the page's black, kept there as the page
// changes size; the page takes the whole screen at the first click or key (a
// browser grants it only then), Escape left to the game while it is so.
EM_JS(void, CentreCanvas, (const char* title, int width, int height), {
    const canvas = Module.canvas || document.getElementById('canvas');
    if (title) document.title = UTF8ToString(title);
    Module.centreCanvas = () => {
        canvas.style.left = Math.max(0, Math.floor((innerWidth - width) / 2)) + 'px';
        canvas.style.top = Math.max(0, Math.floor((innerHeight - height) / 2)) + 'px';
    };
    canvas.style.width = width + 'px';
    canvas.style.height = height + 'px';
    canvas.style.display = 'block';
    Module.centreCanvas();
    if (Module.fullscreenAsked) return;
    Module.fullscreenAsked = true;
    addEventListener('resize', () => Module.centreCanvas());
    const enter = () => {
        removeEventListener('keydown', enter, true);
        removeEventListener('mousedown', enter, true);
        const page = document.documentElement;
        if (document.fullscreenElement || !page.requestFullscreen) return;
        page.requestFullscreen().then(() => navigator.keyboard && navigator.keyboard.lock(['Escape'])).catch(() => {});
    };
    addEventListener('keydown', enter, true);
    addEventListener('mousedown', enter, true);
});

EM_JS(int, ScreenSize, (int32_t* out), {
    HEAP32[out >> 2] = screen.width;
    HEAP32[(out >> 2) + 1] = screen.height;
    return screen.width > 0 && screen.height > 0;
});

EM_JS(void, RemoveCanvas, (), {
    (Module.canvas || document.getElementById('canvas')).style.display = 'none';
});

EM_JS(void, HideCanvasPointer, (), {
    (Module.canvas || document.getElementById('canvas')).style.cursor = 'none';
});

EM_JS(void, CanvasRectangle, (int32_t* out), {
    const canvas = Module.canvas || document.getElementById('canvas');
    const r = canvas.style.display === 'none' ? {left: 0, top: 0, right: 0, bottom: 0} : canvas.getBoundingClientRect();
    HEAP32[out >> 2] = Math.round(r.left);
    HEAP32[(out >> 2) + 1] = Math.round(r.top);
    HEAP32[(out >> 2) + 2] = Math.round(r.right);
    HEAP32[(out >> 2) + 3] = Math.round(r.bottom);
});

// The heap may have grown since the last frame: the view is taken afresh.
EM_JS(void, BlitToCanvas, (const uint8_t* pixels, int width, int height), {
    const canvas = Module.canvas || document.getElementById('canvas');
    if (canvas.width !== width || canvas.height !== height) {
        canvas.width = width;
        canvas.height = height;
    }
    const data = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
    canvas.getContext('2d').putImageData(new ImageData(data, width, height), 0, 0);
});

// The browser's turn: for the given time, or until the tasks already waiting
// have run (a timer of 0 would take 4 ms when nested). Each frame is announced
// with how long the game worked on it, for the page's figures.
EM_ASYNC_JS(void, YieldToPage, (double milliseconds), {
    const now = performance.now();
    const pace = Module.pace || (Module.pace = {presented: 0, resumed: now});
    pace.presented += 1;
    dispatchEvent(new CustomEvent('gamevrak-present', {detail: {count: pace.presented, work: now - pace.resumed}}));
    await new Promise(resolve => {
        if (milliseconds >= 1) {
            setTimeout(resolve, milliseconds);
        } else {
            const channel = new MessageChannel();
            channel.port1.onmessage = () => resolve();
            channel.port2.postMessage(0);
        }
    });
    pace.resumed = performance.now();
});

// The Gamepad API's standard layout in the order of PadButton; the pad in use is
// the first on which a button is pressed, until it is unplugged.
EM_JS(int, ReadGamepad, (int32_t* out), {
    const pads = navigator.getGamepads ? Array.from(navigator.getGamepads()) : [];
    const order = [0, 1, 2, 3, 8, 9, 10, 11, 4, 5, 12, 13, 14, 15];
    const held = pad => order.reduce((bits, index, bit) => bits | (pad.buttons[index] && pad.buttons[index].pressed ? 1 << bit : 0), 0);
    let pad = pads.find(p => p && p.connected && p.index === Module.padIndex);
    if (!pad) pad = pads.find(p => p && p.connected && held(p));
    Module.padIndex = pad ? pad.index : -1;
    if (!pad) return 0;
    HEAP32[out >> 2] = held(pad);
    HEAP32[(out >> 2) + 1] = Math.round((pad.axes[0] || 0) * 32767);
    HEAP32[(out >> 2) + 2] = Math.round((pad.axes[1] || 0) * 32767);
    return 1;
});

// The page's storage holds the file before the game goes on, as a desktop's disk would.
EM_ASYNC_JS(void, KeepInPage, (const char* name), {
    await Module.keepSlotFile(UTF8ToString(name));
});

EM_ASYNC_JS(void, FetchIntoPage, (const char* name), {
    await Module.fetchSlotFile(UTF8ToString(name));
});

EM_JS(void, ShowAlert, (const char* caption, const char* text), {
    alert(UTF8ToString(caption) + '\n\n' + UTF8ToString(text));
});
// clang-format on

namespace
{
std::deque<InputEvent> Events; // from the page's callbacks
std::deque<InputEvent> Queue;  // delivered by the pump, for the game to take
bool WindowOpen = false;
bool Fullscreen = false;
bool CallbacksSet = false;
// Page coordinates, the browser's stand-in for the screen; the canvas starts at (0, 0).
int32_t PointerX = 0;
int32_t PointerY = 0;
// The pointer as the current frame reads it, taken when the pump runs dry.
bool PointerTaken = false;
int32_t FramePointerX = 0;
int32_t FramePointerY = 0;
// In microseconds of the page's clock.
FramePacer Pacer;
constexpr uint64_t PACER_TICKS_PER_SECOND = 1000000;
std::vector<uint8_t> Picture; // top row first, opaque
PadState Pad;
double PadTime = 0;
bool PadStepped = false; // this pump's reading of the pad is done

constexpr int32_t VK_F11 = 122;
constexpr int32_t VK_F12 = 123;

uint64_t PacerNow() { return static_cast<uint64_t>(emscripten_get_now() * 1000.0); }

void TakePointer()
{
    FramePointerX = PointerX;
    FramePointerY = PointerY;
    PointerTaken = true;
}

EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* e, void*)
{
    UnlockWebAudio();
    int32_t vk = VirtualKeyForWebKey(e->key, e->code, e->altKey, e->ctrlKey);
    if (vk == 0)
        return EM_FALSE;
    Events.push_back({INPUT_KEY_DOWN, vk, 0});
    // The game's keys stay with the game (F5 would reload, Tab move the focus);
    // the browser keeps its shortcuts with Ctrl or Meta, full screen and its tools.
    return !e->ctrlKey && !e->metaKey && vk != VK_F11 && vk != VK_F12;
}

EM_BOOL OnMouseMove(int, const EmscriptenMouseEvent* e, void*)
{
    PointerX = static_cast<int32_t>(e->clientX);
    PointerY = static_cast<int32_t>(e->clientY);
    Events.push_back({INPUT_POINTER_MOVED, 0, 0});
    return EM_FALSE;
}

EM_BOOL OnMouseDown(int, const EmscriptenMouseEvent* e, void*)
{
    UnlockWebAudio();
    PointerX = static_cast<int32_t>(e->clientX);
    PointerY = static_cast<int32_t>(e->clientY);
    if (e->button == 0)
        Events.push_back({INPUT_LEFT_BUTTON, 0, 0});
    else if (e->button == 2)
        Events.push_back({INPUT_RIGHT_BUTTON, 0, 0});
    return EM_TRUE;
}

// The pad's frame enters as the page's key, click and pointer events do, the
// pointer kept on the canvas.
void DeliverPad(const PadOutput& pad)
{
    if (pad.move_x || pad.move_y) {
        int32_t r[4] = {0, 0, 0, 0};
        if (WindowOpen)
            CanvasRectangle(r);
        PointerX = std::clamp(PointerX + pad.move_x, r[0], std::max(r[0], r[2] - 1));
        PointerY = std::clamp(PointerY + pad.move_y, r[1], std::max(r[1], r[3] - 1));
    }
    QueuePadEvents(pad, &Events);
}

void StepController()
{
    double now = emscripten_get_now();
    double seconds = PadTime > 0 ? (now - PadTime) / 1000.0 : 0;
    PadTime = now;
    int32_t raw[3] = {0, 0, 0};
    PadReading reading;
    if (ReadGamepad(raw)) {
        reading.held = static_cast<uint32_t>(raw[0]);
        reading.stick_x = static_cast<float>(raw[1]) / 32767.0f;
        reading.stick_y = static_cast<float>(raw[2]) / 32767.0f;
    }
    DeliverPad(StepPad(&Pad, reading, seconds));
}

// The hooks of the desktop see input anywhere on the screen: here, anywhere on the page.
void SetCallbacks()
{
    if (CallbacksSet)
        return;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE, OnKeyDown);
    emscripten_set_mousemove_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE, OnMouseMove);
    emscripten_set_mousedown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE, OnMouseDown);
    CallbacksSet = true;
}
} // namespace

bool CreateGameWindow(const char* title, int32_t width, int32_t height, int32_t)
{
    SetCallbacks();
    if (Fullscreen)
        CentreCanvas(title, width, height);
    else
        PlaceCanvas(title, 0, 0, width, height);
    WindowOpen = true;
    return true;
}

void DestroyGameWindow()
{
    if (WindowOpen)
        RemoveCanvas();
    WindowOpen = false;
}

bool PumpOneMessage()
{
    if (Events.empty() && !PadStepped) {
        PadStepped = true;
        StepController();
    }
    if (Events.empty()) {
        PadStepped = false;
        TakePointer();
        return false;
    }
    Queue.push_back(Events.front());
    Events.pop_front();
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

void HidePointer() { HideCanvasPointer(); }

// A page cannot move the pointer: the game reads it there until it next moves.
void PlacePointer(int32_t x, int32_t y)
{
    PointerX = FramePointerX = x;
    PointerY = FramePointerY = y;
    PointerTaken = true;
}

// Input comes from the page's event callbacks: no system-wide hooks to install.
void InstallPlatformInputHooks() {}

void MoveGameWindow(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (WindowOpen && !Fullscreen)
        PlaceCanvas(nullptr, x, y, width, height);
}

void GetPointerPosition(int32_t* x, int32_t* y)
{
    if (!PointerTaken)
        TakePointer();
    *x = FramePointerX;
    *y = FramePointerY;
}

bool SetFullscreen(bool on)
{
    Fullscreen = on;
    return true;
}

// In a window the page sizes the canvas itself: any zoom is taken to fit.
bool GetScreenSize(int32_t* width, int32_t* height)
{
    int32_t size[2] = {0, 0};
    if (!Fullscreen || !ScreenSize(size))
        return false;
    *width = size[0];
    *height = size[1];
    return true;
}

void GetWindowRectangle(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom)
{
    int32_t r[4] = {0, 0, 0, 0};
    if (WindowOpen)
        CanvasRectangle(r);
    *left = r[0];
    *top = r[1];
    *right = r[2];
    *bottom = r[3];
}

void ClearGLFrame() {}

// The canvas shows the buffer as it is, scaled by the page to the window's size
// with the pixels kept sharp. Its alpha is dropped, as a window's would be.
void PresentGLFrame(const uint8_t* rgba, int32_t width, int32_t height, int32_t)
{
    if (!WindowOpen || !rgba || width <= 0 || height <= 0)
        return;
    size_t row = static_cast<size_t>(width) * 4;
    Picture.resize(row * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* from = rgba + static_cast<size_t>(height - 1 - y) * row;
        uint8_t* to = Picture.data() + static_cast<size_t>(y) * row;
        for (size_t i = 0; i < row; i += 4) {
            to[i] = from[i];
            to[i + 1] = from[i + 1];
            to[i + 2] = from[i + 2];
            to[i + 3] = 255;
        }
    }
    // Shown when the browser next paints, which it does while the game waits
    // for the frame's deadline: input that comes meanwhile reaches the next frame.
    uint64_t wait = FramePacerWait(&Pacer, PacerNow());
    BlitToCanvas(Picture.data(), width, height);
    YieldToPage(static_cast<double>(wait) / 1000.0);
}

void SetFramePacing(int32_t frames_per_second) { SetFramePacerRate(&Pacer, PACER_TICKS_PER_SECOND, frames_per_second); }

void KeepSavedFile(const char* name) { KeepInPage(name); }

void FetchSavedFile(const char* name) { FetchIntoPage(name); }

void PlatformSleep(uint32_t milliseconds) { emscripten_sleep(milliseconds); }

uint32_t PlatformTimeSeconds() { return static_cast<uint32_t>(std::time(nullptr)); }

void PlatformMessageBox(const char* text, const char* caption, MessageBoxIcon)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    ShowAlert(caption, text);
}
