// The game's command line, shared by every entry point.
#pragma once
#include <cstdint>
#include <string>

struct GameOptions {
    std::string record_path; // empty: no recording
    int32_t zoom = 0;        // 0: the default zoom, whatever the screen
    int32_t fps = 60;        // 0: no pacing
    bool fullscreen = false;
    bool help = false;
};

// The text of --help.
std::string GameUsage();

// False, with a message for the player, on an unknown option or a bad value.
bool ParseGameOptions(int argc, const char* const* argv, GameOptions* options, std::string* error);
// The largest zoom up to `asked` whose window fits on the screen; 1 when none does.
int32_t FitZoom(int32_t asked, int32_t screen_width, int32_t screen_height);
// The whole program with its options: exit code 2 for a bad command line or a
// recording that cannot be written, else that of the game.
int RunGame(int argc, const char* const* argv);
