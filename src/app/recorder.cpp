#include "app/recorder.h"

#include <cerrno>
#include <cstring>

#include "app/input.h"
#include "app/script.h"
#include "app/shell.h"
#include "app/summary.h"
#include "gfx/draw.h"
#include "platform/platform.h"

SessionRecording Recording;

namespace
{
void Append(const ScriptEvent& event) { Recording.pending += FormatScriptEvent(event); }

// The pointer line is written whenever the reading changes, and also after the
// window has moved or been made anew: the runner's window need not stand where
// this one does, so it must be told again what the pointer reads there.
void AppendPointer(int32_t frame)
{
    int32_t window[4] = {};
    GetWindowRectangle(&window[0], &window[1], &window[2], &window[3]);
    int32_t x = GetMouseX();
    int32_t y = GetMouseY();
    if (Recording.started && x == Recording.mouse_x && y == Recording.mouse_y &&
        std::memcmp(window, Recording.window, sizeof window) == 0)
        return;
    Append({frame, SCRIPT_MOUSE, x, y});
    Recording.mouse_x = x;
    Recording.mouse_y = y;
    std::memcpy(Recording.window, window, sizeof window);
}

void WritePending()
{
    if (!Recording.file || Recording.pending.empty())
        return;
    size_t size = Recording.pending.size();
    bool ok = std::fwrite(Recording.pending.data(), 1, size, Recording.file) == size;
    ok = std::fflush(Recording.file) == 0 && ok;
    Recording.pending.clear();
    if (!ok) {
        // Play goes on; the lines written so far still replay up to here.
        std::fprintf(stderr, "gamevrak: the recording %s stops at frame %d: %s\n", Recording.path.c_str(), FrameCounter,
                     std::strerror(errno));
        std::fclose(Recording.file);
        Recording.file = nullptr;
    }
}
} // namespace

bool StartRecording(const char* path)
{
    Recording = SessionRecording();
    Recording.file = std::fopen(path, "wb");
    if (!Recording.file)
        return false;
    Recording.path = path;
    return true;
}

void RecordInputEvent(int32_t frame, const InputEvent& event)
{
    static const ScriptEventKind KINDS[] = {SCRIPT_KEY, SCRIPT_MOUSE, SCRIPT_LCLICK, SCRIPT_RCLICK, SCRIPT_CLOSE};
    if (!Recording.file || event.kind > INPUT_CLOSE || event.kind == INPUT_POINTER_MOVED)
        return;
    if (event.kind == INPUT_KEY_DOWN && (event.a < 0 || event.a > 255))
        return;
    Append({frame, KINDS[event.kind], event.a, 0});
}

uint32_t ReadClockSeconds()
{
    uint32_t seconds = PlatformTimeSeconds();
    if (!Recording.file)
        return seconds;
    if (!Recording.started) {
        Recording.pending += "# A GAMEVRAK session: gamevrak-replay --frames N --script FILE plays it again.\n";
        Recording.pending += FormatScriptHeader(seconds, PixelZoom);
        AppendPointer(0);
        Recording.started = true;
        WritePending();
    } else {
        Append({FrameCounter, SCRIPT_CLOCK, 0, 0, seconds});
    }
    return seconds;
}

void RecordFrameInput(int32_t frame)
{
    if (!Recording.file || !Recording.started)
        return;
    AppendPointer(frame);
    WritePending();
}

void FinishRecording()
{
    WritePending();
    if (!Recording.file)
        return;
    // The file carries the end it replays to, and the player sees it.
    if (QuitRequested != 0 && Recording.started) {
        PrintPlaySummary(Recording.file, FrameCounter, "# ");
        PrintPlaySummary(stdout, FrameCounter);
    }
    std::fclose(Recording.file);
    Recording.file = nullptr;
}
