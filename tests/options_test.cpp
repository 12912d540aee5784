// The game's command line, the zoom that fits a screen, and when a paced frame may be shown.
#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "platform/common/frame_pacer.h"

// What a command line sets, as "zoom fps record[ fullscreen]"; "" when it is refused with a message.
static std::string Read(const std::string& line)
{
    std::istringstream words(line);
    std::vector<std::string> args = {"gamevrak"};
    args.insert(args.end(), std::istream_iterator<std::string>(words), {});
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    GameOptions o;
    std::string error;
    if (!ParseGameOptions(static_cast<int>(argv.size()), argv.data(), &o, &error))
        return error.empty() ? "refused without a message" : "";
    return std::to_string(o.zoom) + " " + std::to_string(o.fps) + " " + o.record_path +
           (o.fullscreen ? " fullscreen" : "");
}

TEST(OptionsTest, CommandLinesAreReadOrRefused)
{
    EXPECT_EQ(Read(""), "0 60 ");
    EXPECT_EQ(Read("--zoom 1 --fps 0"), "1 0 ");
    EXPECT_EQ(Read("--zoom=5 --fps=1000 --record=a"), "5 1000 a");
    EXPECT_EQ(Read("--record --zoom"), "0 60 --zoom");
    EXPECT_EQ(Read("--fps 30 --fullscreen --zoom 3"), "3 30  fullscreen");
    for (const char* line : {"--fullscreen=1", "--fullscreen 1", "--zoom 0", "--zoom 6", "--zoom 2x", "--fps 1001",
                             "--fps", "--fps=", "--record=", "--zoom 2 extra", "-zoom 2"})
        EXPECT_EQ(Read(line), "") << line;
}

TEST(OptionsTest, TheLargestZoomThatFitsTheScreen)
{
    // asked, screen width, screen height, zoom
    const int32_t cases[][4] = {{3, 1920, 1440, 3}, {3, 1919, 1440, 2}, {3, 1920, 1439, 2},
                                {5, 2560, 1440, 3}, {4, 600, 400, 1},   {1, 3840, 2160, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(FitZoom(c[0], c[1], c[2]), c[3]) << c[0] << " on " << c[1] << " x " << c[2];
}

TEST(FramePacerTest, KeepsTheBeatWithoutCatchUpBursts)
{
    FramePacer pacer;
    SetFramePacerRate(&pacer, 6000, 60); // 100 ticks a frame; 600 (a tenth of a second) is too late
    // now, and the wait: the first frame sets the beat, late frames do not move
    // it but those after them make up, and a frame too late starts afresh.
    const uint64_t steps[][2] = {{1000, 0}, {1030, 70}, {1150, 50}, {1320, 0},  {1350, 50}, {1650, 0},
                                 {1660, 0}, {1690, 10}, {2400, 0},  {2410, 90}, {2501, 99}};
    for (const auto& step : steps)
        EXPECT_EQ(FramePacerWait(&pacer, step[0]), step[1]) << "at " << step[0];
}
