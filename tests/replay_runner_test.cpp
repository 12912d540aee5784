// gamevrak-replay as other tools use it: arguments, scripts, event timing,
// screenshots and the closing report.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/headless/headless.h"

namespace fs = std::filesystem;

namespace
{
struct RunResult {
    int exit_code = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ReplayRunnerTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        // A folder of its own: other builds may run the same test at the same time.
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::random_device random;
        do
            work_ = fs::temp_directory_path() /
                    (std::string("gamevrak_replay_") + info->name() + "_" + std::to_string(random()));
        while (!fs::create_directory(work_));
    }
    void TearDown() override { fs::remove_all(work_); }

    fs::path Script(const std::string& text)
    {
        fs::path p = work_ / "script.txt";
        std::ofstream(p) << text;
        return p;
    }

    // Runs the runner from the work folder in the game directory.
    RunResult Run(const std::string& args)
    {
        fs::path out = work_ / "stdout.txt";
        fs::path err = work_ / "stderr.txt";
        std::string command = "cd '" + work_.string() + "' && '" + std::string(GAME_DIR) + "/gamevrak-replay' --dir '" +
                              std::string(GAME_DIR) + "' " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
        int status = std::system(command.c_str());
        RunResult r;
        // A shell's wait status: the exit code sits in the second byte when it ended normally.
        r.exit_code = (status & 0x7f) == 0 ? (status >> 8) & 0xff : -1;
        r.out = ReadFile(out);
        r.err = ReadFile(err);
        return r;
    }

    fs::path work_;
};

bool IsHexDigest(const std::string& s)
{
    return s.size() == 64 && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

TEST_F(ReplayRunnerTest, MalformedScriptLinesStopBeforeTheFirstFrame)
{
    const char* bad[] = {"1 key Foo", "1 key a",   "x key A",      "-1 key A",   "3 mouse 10", "3 mouse 10 20 30",
                         "3 jump",    "3 key 256", "3 lclick now", "3 cell a b", "3",          "1.5 key A",
                         "3 key",     "3 close 1", "3 mouse 1e3 2"};
    for (const char* line : bad) {
        Script(std::string("# a comment\n\n0 key Left\n") + line + "\n5 key Right\n");
        RunResult r = Run("--frames 3 --script script.txt");
        EXPECT_EQ(r.exit_code, 2) << line;
        EXPECT_NE(r.err.find("script.txt:4"), std::string::npos) << line << " -> " << r.err;
        EXPECT_NE(r.err.find(line), std::string::npos) << line << " -> " << r.err;
        EXPECT_EQ(r.out.find("frames"), std::string::npos) << "no frame may run for: " << line;
    }
}

TEST_F(ReplayRunnerTest, BadArgumentsAreRefused)
{
    const char* bad[] = {"--frames abc",   "--frames -3", "--clock soon", "--shot 3",
                         "--shot x:a.png", "--bogus 1",   "--frames",     "--script missing-file.txt"};
    for (const char* args : bad) {
        RunResult r = Run(args);
        EXPECT_EQ(r.exit_code, 2) << args;
        EXPECT_EQ(r.out.find("frames"), std::string::npos) << args;
    }
}

TEST_F(ReplayRunnerTest, EventsArriveAtTheEndOfThePreviousFrame)
{
    // Escape read in frame F: that frame still completes, so F + 1 frames ran.
    Script("5 key Escape\n");
    RunResult r = Run("--frames 10 --script script.txt");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("frames 6\n"), std::string::npos) << r.out;

    // Frame 0's events come before the first frame.
    Script("0 key 27 # Escape by its code\n");
    r = Run("--frames 10 --script script.txt");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("frames 1\n"), std::string::npos) << r.out;

    // A close request arrives in the pump at the end of frame 2: frame 3 never starts.
    Script("3 close\n");
    r = Run("--frames 10 --script script.txt");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("frames 3\n"), std::string::npos) << r.out;
}

TEST_F(ReplayRunnerTest, RunsTheAskedFramesAndFingerprintsTheGrids)
{
    RunResult r = Run("--frames 4");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    std::istringstream lines(r.out);
    std::string word, frames, main_digest, flag_digest;
    lines >> word >> frames;
    EXPECT_EQ(word, "frames");
    EXPECT_EQ(frames, "4");
    lines >> word >> main_digest;
    EXPECT_EQ(word, "mainmap");
    EXPECT_TRUE(IsHexDigest(main_digest)) << main_digest;
    lines >> word >> flag_digest;
    EXPECT_EQ(word, "flagmap");
    EXPECT_TRUE(IsHexDigest(flag_digest)) << flag_digest;
    EXPECT_NE(main_digest, flag_digest);

    // The world of seed 99 is the same whatever the clock.
    RunResult again = Run("--frames 1 --clock 12345");
    EXPECT_EQ(again.out.substr(again.out.find("mainmap")), r.out.substr(r.out.find("mainmap")));
}

struct Picture {
    std::vector<uint8_t> rgb;
    int32_t width = 0;
    int32_t height = 0;
    // (x, y) in buffer coordinates: origin at the bottom left.
    const uint8_t* At(int32_t x, int32_t y) const
    {
        return &rgb[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
    }
    bool IsWhite(int32_t x, int32_t y) const
    {
        const uint8_t* p = At(x, y);
        return p[0] == 255 && p[1] == 255 && p[2] == 255;
    }
};

Picture Load(const fs::path& path)
{
    Picture p;
    EXPECT_TRUE(ReadPng(path.string().c_str(), &p.rgb, &p.width, &p.height)) << path;
    return p;
}

bool HasCrossAt(const Picture& p, int32_t x, int32_t y)
{
    for (int32_t d = -5; d <= 5; ++d)
        if (!p.IsWhite(x + d, y) || !p.IsWhite(x, y + d))
            return false;
    return true;
}

TEST_F(ReplayRunnerTest, ShotsShowTheFrameAsPresentedTopRowFirst)
{
    Script("0 mouse 100 150\n"
           "2 mouse 300 400\n");
    RunResult r = Run("--frames 3 --script script.txt --shot 1:one.png --shot 2:two.png --shot 2:again.png");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    Picture one = Load(work_ / "one.png");
    Picture two = Load(work_ / "two.png");
    ASSERT_EQ(one.width, 640);
    ASSERT_EQ(one.height, 480);
    ASSERT_EQ(two.width, 640);
    ASSERT_EQ(two.height, 480);
    // The cross cursor sits on the pointer; rows counted from the bottom.
    EXPECT_TRUE(HasCrossAt(one, 100, 150));
    EXPECT_FALSE(HasCrossAt(one, 300, 400)) << "the move of frame 2 is not seen in frame 1";
    EXPECT_TRUE(HasCrossAt(two, 300, 400));
    EXPECT_FALSE(HasCrossAt(two, 100, 150));
    EXPECT_EQ(ReadFile(work_ / "again.png"), ReadFile(work_ / "two.png")) << "one frame, two shots";
}

TEST_F(ReplayRunnerTest, ShotOfAFrameNeverReachedIsReportedNotWritten)
{
    Script("1 key Escape\n");
    RunResult r = Run("--frames 5 --script script.txt --shot 3:late.png");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("frames 2\n"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(work_ / "late.png"));
    EXPECT_NE(r.err.find("late.png"), std::string::npos) << r.err;
}

TEST_F(ReplayRunnerTest, EverySeedReadsTheClockTheScriptGives)
{
    // The blows of this fight are random: how the units end tells the seeds.
    std::string fight = ReadFile(fs::path(TEST_SOURCE_DIR) / "scenarios" / "fight.txt");
    auto play = [&](const std::string& header, const std::string& args) {
        Script(header + fight); // in a folder without map/, a load of frame 0 just reseeds
        return Run("--frames 490 --script script.txt --dir '" + work_.string() + "' " + args).out;
    };
    std::string a = play("clock 1000\n", "");
    EXPECT_NE(play("clock 2000\n", ""), a);
    EXPECT_EQ(play("clock 2000\n", "--clock 1000"), a);
    EXPECT_EQ(play("clock 2000\n0 key F3\n0 clock 1000\n", ""), a);
}

TEST_F(ReplayRunnerTest, UnwritableShotFailsTheRun)
{
    RunResult r = Run("--frames 1 --shot 0:no-such-folder/x.png");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("x.png"), std::string::npos) << r.err;
}
} // namespace
