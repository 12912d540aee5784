#include "app/options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/recorder.h"
#include "app/shell.h"
#include "platform/platform.h"

const char* const GAME_USAGE =
    "usage: gamevrak [--zoom N] [--fullscreen] [--fps N] [--record FILE]\n"
    "  --zoom N       open the window at N times 640 x 480, N from 1 to 5 (default 2);\n"
    "                 a zoom too large for the screen becomes the largest that fits\n"
    "  --fullscreen   the whole screen, the picture at the largest zoom that fits (at most\n"
    "                 N with --zoom N), centred on black; a window where 640 x 480 does not fit\n"
    "  --fps N        frames per second, 0 for as many as the machine makes (default 60)\n"
    "  --record FILE  write every input to FILE as a gamevrak-replay script; at the end\n"
    "                 print the summary that the replay of FILE prints\n"
    "  --help         show this text\n";

namespace
{
bool ParseWhole(const std::string& text, int32_t low, int32_t high, int32_t* out)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < low || value > high)
        return false;
    *out = static_cast<int32_t>(value);
    return true;
}
} // namespace

bool ParseGameOptions(int argc, const char* const* argv, GameOptions* options, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options->help = true;
            continue;
        }
        if (arg == "--fullscreen") {
            options->fullscreen = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool inline_value = false;
        size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            inline_value = true;
        }
        if (name != "--record" && name != "--zoom" && name != "--fps") {
            *error = "unknown option '" + arg + "'";
            return false;
        }
        if (!inline_value) {
            if (i + 1 >= argc) {
                *error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (name == "--record") {
            if (value.empty()) {
                *error = "--record needs a file name";
                return false;
            }
            options->record_path = value;
        } else if (name == "--zoom") {
            if (!ParseWhole(value, 1, 5, &options->zoom)) {
                *error = "--zoom takes a whole number from 1 to 5, not '" + value + "'";
                return false;
            }
        } else if (!ParseWhole(value, 0, 1000, &options->fps)) {
            *error = "--fps takes a whole number from 0 to 1000, not '" + value + "'";
            return false;
        }
    }
    return true;
}

int32_t FitZoom(int32_t asked, int32_t screen_width, int32_t screen_height)
{
    for (int32_t zoom = asked; zoom > 1; --zoom)
        if (640 * zoom <= screen_width && 480 * zoom <= screen_height)
            return zoom;
    return 1;
}

int RunGame(int argc, const char* const* argv)
{
    GameOptions options;
    std::string error;
    if (!ParseGameOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "gamevrak: %s; gamevrak --help lists the options\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(GAME_USAGE, stdout);
        return 0;
    }
    // Before the game changes to its own folder: the path is the player's.
    if (!options.record_path.empty() && !StartRecording(options.record_path.c_str())) {
        std::fprintf(stderr, "gamevrak: cannot write the recording %s: %s\n", options.record_path.c_str(),
                     std::strerror(errno));
        return 2;
    }
    PlatformEnterGameDirectory(argc > 0 ? argv[0] : nullptr);
    SetFramePacing(options.fps);
    int32_t zoom = 2;
    int32_t screen_width = 0, screen_height = 0;
    if (options.fullscreen && !SetFullscreen(true)) {
        std::fprintf(stderr, "gamevrak: no full screen on this system: a window\n");
    } else if (options.fullscreen) {
        if (GetScreenSize(&screen_width, &screen_height) && screen_width >= 640 && screen_height >= 480)
            return GameMain(FitZoom(options.zoom > 0 ? options.zoom : 5, screen_width, screen_height));
        SetFullscreen(false);
        std::fprintf(stderr, "gamevrak: 640 x 480 does not fit the screen: no full screen\n");
    }
    if (options.zoom > 0) {
        zoom = options.zoom;
        if (GetScreenSize(&screen_width, &screen_height))
            zoom = FitZoom(options.zoom, screen_width, screen_height);
        if (zoom != options.zoom)
            std::fprintf(stderr, "gamevrak: a %d x %d window at zoom %d does not fit the %d x %d screen: zoom %d\n",
                         640 * options.zoom, 480 * options.zoom, options.zoom, screen_width, screen_height, zoom);
    }
    return GameMain(zoom);
}
