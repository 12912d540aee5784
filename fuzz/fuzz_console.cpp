// Fuzz target: the command console under arbitrary keys. Each byte is a key going down (its virtual-key code), a zero
// byte ends the frame; the console starts open and at most 16 frames run, so that the typed commands act on the started
// world.
#include "fuzz_game.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ConsoleOpen = 1;
    int32_t frame = 0;
    for (size_t i = 0; i < size && frame < 16; ++i)
        if (data[i] == 0)
            ++frame;
        else if (data[i] != KEY_F1 && data[i] != KEY_F2) // saves: the slot target has them
            HeadlessQueue(frame, {INPUT_KEY_DOWN, data[i], 0});
    RunFrames(frame + 1);
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartGameOnce(GameDir(FUZZ_GAME_DIR));
    // "su 12" against a teleport ('|' ends a frame).
    auto keys = [](std::string text) {
        std::replace(text.begin(), text.end(), '|', '\0');
        return std::vector<uint8_t>(text.begin(), text.end());
    };
    CheckResetIsComplete(LLVMFuzzerTestOneInput, keys("SU| 12|\r|"), keys("ENV4|T|EL|EP|ORT| 5|0|0| 5|0|0| 1|\r|"));
    return 0;
}
