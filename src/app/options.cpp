#include "app/options.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/recorder.h"
#include "app/shell.h"
#include "platform/platform.h"

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

// The values stay text until CLI11 is done, so that a bad one gets the game's own message.
struct CommandLine {
    CLI::App app{"A fantasy game seen from above.", "gamevrak"};
    std::string zoom, fps, record;
    CLI::Option* record_option;
    bool fullscreen = false;

    CommandLine()
    {
        app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        app.add_option("--zoom", zoom,
                       "open the window at N times 640 x 480, N from 1 to 5 (default 2); a zoom too large for the "
                       "screen becomes the largest that fits")
            ->type_name("N");
        app.add_flag("--fullscreen", fullscreen,
                     "the whole screen, the picture at the largest zoom that fits (at most N with --zoom N), centred "
                     "on black; a window where 640 x 480 does not fit")
            ->disable_flag_override();
        app.add_option("--fps", fps, "frames per second, 0 for as many as the machine makes (default 60)")
            ->type_name("N");
        record_option = app.add_option("--record", record,
                                       "write every input to FILE as a gamevrak-replay script; at the end print the "
                                       "summary that the replay of FILE prints")
                            ->type_name("FILE");
        app.set_help_flag("-h,--help", "show this text");
    }
};
} // namespace

std::string GameUsage() { return CommandLine().app.help(); }

bool ParseGameOptions(int argc, const char* const* argv, GameOptions* options, std::string* error)
{
    CommandLine line;
    try {
        line.app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        options->help = true;
        return true;
    } catch (const CLI::ParseError& e) {
        *error = e.what();
        return false;
    }
    options->fullscreen = line.fullscreen;
    if (line.record_option->count() > 0) {
        if (line.record.empty()) {
            *error = "--record needs a file name";
            return false;
        }
        options->record_path = line.record;
    }
    if (line.app.count("--zoom") > 0) {
        if (!ParseWhole(line.zoom, 1, 5, &options->zoom)) {
            *error = "--zoom takes a whole number from 1 to 5, not '" + line.zoom + "'";
            return false;
        }
    }
    if (line.app.count("--fps") > 0 && !ParseWhole(line.fps, 0, 1000, &options->fps)) {
        *error = "--fps takes a whole number from 0 to 1000, not '" + line.fps + "'";
        return false;
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
        std::fputs(GameUsage().c_str(), stdout);
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
