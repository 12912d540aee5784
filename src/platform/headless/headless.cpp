// Headless backend: no window, input from a script, a virtual clock that Sleep
// advances without waiting, presented frames kept for capture.
#include "platform/headless/headless.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "platform/platform.h"

namespace
{
struct HeadlessState {
    std::vector<HeadlessEvent> scheduled; // not yet delivered, in file order
    std::deque<HeadlessEvent> pending;    // delivered one per PumpOneMessage
    int32_t pump_round = 0;               // frames whose pump has finished
    bool round_loaded = false;
    double clock = 1000000000.0;
    std::deque<uint32_t> clock_reads; // fed by clock events, ahead of the virtual clock
    bool window_open = false;
    int32_t window_width = 0;
    int32_t window_height = 0;
    int32_t window_x = 0;
    int32_t window_y = 0;
    int32_t pointer_x = 0;
    int32_t pointer_y = 0;
    int64_t present_count = 0;
    std::vector<uint8_t> last_frame;
    int32_t last_width = 0;
    int32_t last_height = 0;
    std::vector<HeadlessSound> sounds;
    double sound_busy_until = -1.0;
    void (*cell_mapper)(int32_t, int32_t, int32_t*, int32_t*) = nullptr;
};
HeadlessState S;

constexpr int32_t BUFFER_WIDTH = 640;
constexpr int32_t BUFFER_HEIGHT = 480;

// The same single-precision mapping the game applies to a pointer offset.
int32_t MapOffset(int32_t offset, int32_t extent, int32_t size)
{
    if (extent <= 0)
        return 0;
    float v = static_cast<float>(offset) / static_cast<float>(extent) * static_cast<float>(size);
    if (v < 0.0f)
        return 0;
    if (v > static_cast<float>(size - 1))
        return size - 1;
    return static_cast<int32_t>(v);
}

// A window offset whose mapping reads back as the wanted buffer pixel: the
// middle of the zoomed pixel, else the nearest that works (single precision
// leaves a few rows at zoom 1 unreachable; the middle is taken for those).
int32_t OffsetFor(int32_t pixel, int32_t extent, int32_t size)
{
    int32_t zoom = std::max(1, extent / size);
    int32_t guess = pixel * zoom + zoom / 2;
    if (MapOffset(guess, extent, size) == pixel)
        return guess;
    for (int32_t d = 1; d <= 2; ++d) {
        if (MapOffset(guess - d, extent, size) == pixel)
            return guess - d;
        if (MapOffset(guess + d, extent, size) == pixel)
            return guess + d;
    }
    return guess;
}

void Deliver(const HeadlessEvent& e)
{
    switch (e.kind) {
    case HEADLESS_KEY: OnKeyDownEvent(e.a); break;
    case HEADLESS_MOUSE:
        HeadlessSetPointer(e.a, e.b);
        OnMouseMoveEvent();
        break;
    case HEADLESS_CELL: {
        int32_t px = 0, py = 0;
        if (S.cell_mapper)
            S.cell_mapper(e.a, e.b, &px, &py);
        HeadlessSetPointer(px, py);
        OnMouseMoveEvent();
        break;
    }
    case HEADLESS_LCLICK: OnLeftButtonEvent(); break;
    case HEADLESS_RCLICK: OnRightButtonEvent(); break;
    case HEADLESS_CLOSE: OnCloseEvent(); break;
    case HEADLESS_CLOCK: S.clock_reads.push_back(e.seconds); break;
    }
}

// Playing time of a wave file from its header; a default chime when unreadable.
double SoundSeconds(const char* path, bool* found)
{
    std::string p(path);
    std::replace(p.begin(), p.end(), '\\', '/');
    std::FILE* f = std::fopen(p.c_str(), "rb");
    *found = f != nullptr;
    if (!f)
        return 0.3;
    unsigned char h[44];
    size_t n = std::fread(h, 1, sizeof h, f);
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    if (n < 44 || std::memcmp(h, "RIFF", 4) != 0)
        return 0.3;
    uint32_t byte_rate = h[28] | h[29] << 8 | h[30] << 16 | static_cast<uint32_t>(h[31]) << 24;
    if (byte_rate == 0 || size <= 44)
        return 0.3;
    return static_cast<double>(size - 44) / byte_rate;
}
} // namespace

void HeadlessReset(double start_seconds)
{
    void (*mapper)(int32_t, int32_t, int32_t*, int32_t*) = S.cell_mapper;
    std::vector<uint8_t> frame_block; // kept for the next frame: no new allocation for each run
    frame_block.swap(S.last_frame);
    S = HeadlessState();
    S.clock = start_seconds;
    S.cell_mapper = mapper;
    S.last_frame.swap(frame_block);
    S.last_frame.clear();
}

void HeadlessSetCellMapper(void (*mapper)(int32_t, int32_t, int32_t*, int32_t*)) { S.cell_mapper = mapper; }

void HeadlessQueue(const HeadlessEvent& event) { S.scheduled.push_back(event); }

void HeadlessDeliverFrame(int32_t frame)
{
    std::vector<HeadlessEvent> keep;
    for (const HeadlessEvent& e : S.scheduled) {
        if (e.frame == frame)
            Deliver(e);
        else
            keep.push_back(e);
    }
    S.scheduled.swap(keep);
}

void HeadlessSetPointer(int32_t x, int32_t y)
{
    int32_t w = S.window_open ? S.window_width : BUFFER_WIDTH * 2;
    int32_t h = S.window_open ? S.window_height : BUFFER_HEIGHT * 2;
    S.pointer_x = S.window_x + OffsetFor(x, w, BUFFER_WIDTH);
    S.pointer_y = S.window_y + h - OffsetFor(y, h, BUFFER_HEIGHT);
}

void HeadlessSetScreenPointer(int32_t x, int32_t y)
{
    S.pointer_x = x;
    S.pointer_y = y;
}

double HeadlessClock() { return S.clock; }
void HeadlessAdvanceClock(double seconds) { S.clock += seconds; }
int64_t HeadlessPresentCount() { return S.present_count; }
const std::vector<uint8_t>& HeadlessLastFrame() { return S.last_frame; }
void HeadlessLastFrameSize(int32_t* width, int32_t* height)
{
    *width = S.last_width;
    *height = S.last_height;
}
bool HeadlessWindowOpen() { return S.window_open; }
int32_t HeadlessWindowWidth() { return S.window_width; }
int32_t HeadlessWindowHeight() { return S.window_height; }
const std::vector<HeadlessSound>& HeadlessSounds() { return S.sounds; }

// ---- platform.h -------------------------------------------------------------

bool CreateGameWindow(const char*, int32_t width, int32_t height, int32_t)
{
    S.window_open = true;
    S.window_width = width;
    S.window_height = height;
    S.window_x = 0;
    S.window_y = 0;
    return true;
}

void DestroyGameWindow() { S.window_open = false; }

bool PumpOneMessage()
{
    if (!S.round_loaded) {
        int32_t next = S.pump_round + 1;
        std::vector<HeadlessEvent> keep;
        for (const HeadlessEvent& e : S.scheduled) {
            if (e.frame == next)
                S.pending.push_back(e);
            else
                keep.push_back(e);
        }
        S.scheduled.swap(keep);
        S.round_loaded = true;
    }
    if (S.pending.empty()) {
        S.pump_round += 1;
        S.round_loaded = false;
        return false;
    }
    HeadlessEvent e = S.pending.front();
    S.pending.pop_front();
    Deliver(e);
    return true;
}

void HidePointer() {}

// Input comes from this backend's own event queue: no system-wide hooks to install.
void InstallPlatformInputHooks() {}

// No screen: a window of any zoom is taken to fit.
bool GetScreenSize(int32_t*, int32_t*) { return false; }

void MoveGameWindow(int32_t x, int32_t y, int32_t width, int32_t height)
{
    S.window_x = x;
    S.window_y = y;
    S.window_width = width;
    S.window_height = height;
}

void GetPointerPosition(int32_t* x, int32_t* y)
{
    *x = S.pointer_x;
    *y = S.pointer_y;
}

void GetWindowRectangle(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom)
{
    int32_t w = S.window_open ? S.window_width : BUFFER_WIDTH * 2;
    int32_t h = S.window_open ? S.window_height : BUFFER_HEIGHT * 2;
    *left = S.window_x;
    *top = S.window_y;
    *right = S.window_x + w;
    *bottom = S.window_y + h;
}

void ClearGLFrame() {}

void PresentGLFrame(const uint8_t* rgba, int32_t width, int32_t height, int32_t)
{
    S.present_count += 1;
    if (!rgba || width <= 0 || height <= 0)
        return;
    // memcpy rather than assign: the sanitizers check a memcpy and then copy at
    // full speed, but move the bytes of a memmove one by one.
    S.last_frame.resize(static_cast<size_t>(width) * height * 4);
    std::memcpy(S.last_frame.data(), rgba, S.last_frame.size());
    S.last_width = width;
    S.last_height = height;
}

void PlatformSleep(uint32_t milliseconds) { S.clock += milliseconds / 1000.0; }

// Whole seconds, wrapped to 32 bits the way a time value cast to unsigned is.
uint32_t PlatformTimeSeconds()
{
    if (!S.clock_reads.empty()) {
        uint32_t seconds = S.clock_reads.front();
        S.clock_reads.pop_front();
        return seconds;
    }
    if (!std::isfinite(S.clock))
        return 0;
    double t = std::fmod(std::floor(S.clock), 4294967296.0);
    if (t < 0.0)
        t += 4294967296.0;
    return static_cast<uint32_t>(t);
}

void SetFramePacing(int32_t) {}

void PlatformMessageBox(const char* text, const char* caption, MessageBoxIcon)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

void PlatformPlaySound(const char* path)
{
    bool found = false;
    double seconds = SoundSeconds(path, &found);
    bool played = S.clock >= S.sound_busy_until;
    S.sounds.push_back({S.clock, std::string(path), played});
    if (played)
        S.sound_busy_until = S.clock + seconds;
}
