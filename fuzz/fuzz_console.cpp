// Fuzz target: the command console under arbitrary key sequences. Each input
// byte is a key-down event (its virtual-key code), a zero byte ends the frame.
// The game runs whole frames, so the console edits its line, executes it on
// Enter and its commands act on the started world; the console starts open.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/input.h"
#include "app/shell.h"
#include "fuzz_support.h"
#include "platform/headless/headless.h"

namespace
{
// Enough frames for several typed commands; each keeps an execution short.
constexpr int32_t MAX_FRAMES = 200;

// Key codes of a typed line, one key a frame, then Enter.
std::vector<uint8_t> Typed(const char* text)
{
    std::vector<uint8_t> keys;
    for (const char* c = text; *c; ++c) {
        keys.push_back(static_cast<uint8_t>(*c >= 'a' && *c <= 'z' ? *c - 'a' + 'A' : *c));
        keys.push_back(0);
    }
    keys.push_back(KEY_ENTER);
    keys.push_back(0);
    return keys;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    KeepFuzzerPathsAbsolute(argc, argv);
    StartFuzzGame("console");
    // The line stays after Enter, so the second command is typed over a cleared one.
    std::vector<uint8_t> other = Typed("env4teleport 500 500 1");
    for (int i = 0; i < 30; ++i)
        other.insert(other.end(), {KEY_BACKSPACE, 0});
    std::vector<uint8_t> more = Typed("env4cyclestep 3");
    other.insert(other.end(), more.begin(), more.end());
    other.insert(other.end(), 40, 0);
    CheckResetIsComplete(LLVMFuzzerTestOneInput, Typed("su 12"), other);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ResetFuzzGame();
    ConsoleOpen = 1;
    int32_t frame = 0;
    for (size_t i = 0; i < size && frame < MAX_FRAMES; ++i) {
        uint8_t key = data[i];
        if (key == 0) {
            ++frame;
            continue;
        }
        // Saving writes the 144 MB route file: real I/O that the soak covers.
        if (key == KEY_F1 || key == KEY_F2)
            continue;
        HeadlessQueue({frame, HEADLESS_KEY, key, 0});
    }
    RunFuzzFrames(frame + 1);
    return 0;
}
