#include "app/recorder.h"

#include <array>
#include <cerrno>
#include <cstring>

#include "app/input.h"
#include "app/shell.h"
#include "app/summary.h"
#include "gfx/draw.h"
#include "platform/platform.h"

SessionRecording Recording;

namespace
{
void Append(int32_t frame, const char* event)
{
    char line[64];
    std::snprintf(line, sizeof line, "%d %s\n", frame, event);
    Recording.pending += line;
}

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
    char event[48];
    std::snprintf(event, sizeof event, "mouse %d %d", x, y);
    Append(frame, event);
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

const char* ScriptKeyName(int32_t code)
{
    static const std::array<std::string, 256> NAMES = [] {
        std::array<std::string, 256> n;
        n[KEY_BACKSPACE] = "Backspace";
        n[KEY_TAB] = "Tab";
        n[KEY_ENTER] = "Enter";
        n[KEY_SHIFT] = "Shift";
        n[KEY_ESCAPE] = "Escape";
        n[KEY_SPACE] = "Space";
        n[KEY_LEFT] = "Left";
        n[KEY_UP] = "Up";
        n[KEY_RIGHT] = "Right";
        n[KEY_DOWN] = "Down";
        n[KEY_KEYPAD_PLUS] = "KeypadPlus";
        n[KEY_KEYPAD_MINUS] = "KeypadMinus";
        n[KEY_LEFT_BRACKET] = "LeftBracket";
        n[KEY_RIGHT_BRACKET] = "RightBracket";
        for (int32_t c = KEY_0; c <= KEY_9; ++c)
            n[c] = std::string(1, static_cast<char>(c));
        for (int32_t c = KEY_A; c <= KEY_Z; ++c)
            n[c] = std::string(1, static_cast<char>(c));
        for (int32_t f = 0; f < 12; ++f)
            n[KEY_F1 + f] = "F" + std::to_string(f + 1);
        return n;
    }();
    return code >= 0 && code < 256 && !NAMES[code].empty() ? NAMES[code].c_str() : nullptr;
}

void RecordKeyDown(int32_t code)
{
    if (!Recording.file || code < 0 || code > 255)
        return;
    char event[32];
    const char* name = ScriptKeyName(code);
    if (name)
        std::snprintf(event, sizeof event, "key %s", name);
    else
        std::snprintf(event, sizeof event, "key %d", code);
    // Delivered in the pump that ends this frame: the next frame reads it.
    Append(FrameCounter + 1, event);
}

void RecordInput(const char* event)
{
    if (Recording.file)
        Append(FrameCounter + 1, event);
}

uint32_t ReadClockSeconds()
{
    uint32_t seconds = PlatformTimeSeconds();
    if (!Recording.file)
        return seconds;
    char line[64];
    if (!Recording.started) {
        std::snprintf(line, sizeof line, "clock %u\nzoom %d\n", seconds, PixelZoom);
        Recording.pending += "# A GAMEVRAK session: gamevrak-replay --frames N --script FILE plays it again.\n";
        Recording.pending += line;
        AppendPointer(0);
        Recording.started = true;
        WritePending();
    } else {
        std::snprintf(line, sizeof line, "clock %u", seconds);
        Append(FrameCounter, line);
    }
    return seconds;
}

void RecordPumpEnd()
{
    if (!Recording.file || !Recording.started)
        return;
    AppendPointer(FrameCounter + 1);
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
