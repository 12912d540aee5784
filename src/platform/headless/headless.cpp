// Headless backend: no window, input from a script, a virtual clock that Sleep
// advances without waiting, presented frames kept for capture.
#include "platform/headless/headless.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "platform/common/wave_file.h"
#include "platform/platform.h"

namespace
{
// An input event or, with is_clock, a clock reading (in `seconds`).
struct ScheduledEvent {
    int32_t frame;
    bool is_clock;
    InputEvent input;
    uint32_t seconds;
};

struct HeadlessState {
    std::vector<ScheduledEvent> scheduled; // not yet delivered, in file order
    std::deque<ScheduledEvent> pending;    // delivered one per PumpOneMessage
    std::deque<InputEvent> queue;          // delivered, for the game to take
    int32_t pump_round = 0;                // frames whose pump has finished
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
};
HeadlessState S;

// The window's size before one is made: the start zoom's.
constexpr int32_t BUFFER_WIDTH = 640;
constexpr int32_t BUFFER_HEIGHT = 480;

void Deliver(const ScheduledEvent& e)
{
    if (e.is_clock)
        S.clock_reads.push_back(e.seconds);
    else
        S.queue.push_back(e.input);
}

// Playing time of a wave file; a default chime's when it cannot be played.
double SoundSeconds(const char* path)
{
    WaveData wave;
    if (!ReadWaveFile(path, &wave) || wave.byte_rate == 0)
        return 0.3;
    return static_cast<double>(wave.samples.size()) / wave.byte_rate;
}
} // namespace

void HeadlessReset(double start_seconds)
{
    std::vector<uint8_t> frame_block; // kept for the next frame: no new allocation for each run
    frame_block.swap(S.last_frame);
    S = HeadlessState();
    S.clock = start_seconds;
    S.last_frame.swap(frame_block);
    S.last_frame.clear();
}

void HeadlessQueue(int32_t frame, const InputEvent& event) { S.scheduled.push_back({frame, false, event, 0}); }

void HeadlessQueueClock(int32_t frame, uint32_t seconds)
{
    S.scheduled.push_back({frame, true, InputEvent{}, seconds});
}

void HeadlessDeliverFrame(int32_t frame)
{
    std::vector<ScheduledEvent> keep;
    for (const ScheduledEvent& e : S.scheduled) {
        if (e.frame == frame)
            Deliver(e);
        else
            keep.push_back(e);
    }
    S.scheduled.swap(keep);
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
        std::vector<ScheduledEvent> keep;
        for (const ScheduledEvent& e : S.scheduled) {
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
    ScheduledEvent e = S.pending.front();
    S.pending.pop_front();
    Deliver(e);
    return true;
}

bool TakeInputEvent(InputEvent* event)
{
    if (S.queue.empty())
        return false;
    *event = S.queue.front();
    S.queue.pop_front();
    return true;
}

void HidePointer() {}

void PlacePointer(int32_t x, int32_t y) { HeadlessSetScreenPointer(x, y); }

// Input comes from this backend's own event queue: no system-wide hooks to install.
void InstallPlatformInputHooks() {}

// No screen: a window of any zoom is taken to fit.
bool GetScreenSize(int32_t*, int32_t*) { return false; }
bool SetFullscreen(bool) { return false; }

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
    double seconds = SoundSeconds(path);
    bool played = S.clock >= S.sound_busy_until;
    S.sounds.push_back({S.clock, std::string(path), played});
    if (played)
        S.sound_busy_until = S.clock + seconds;
}
