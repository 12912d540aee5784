// gamevrak-replay as other tools use it: arguments, scripts, the timing of
// events and its screenshots.
#include <sys/wait.h>

#include <sstream>

#include "fixture.h"

namespace
{
// Runs the runner in a folder of its own on the game folder; the exit code, standard output and error.
std::tuple<int, std::string, std::string> Replay(const std::string& args, const std::string& script = "")
{
    const fs::path dir = fs::temp_directory_path() / ("gamevrak-runner-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    std::ofstream(dir / "script.txt") << script;
    const std::string command = "cd '" + dir.string() + "' && '" + GAME_DIR + "/gamevrak-replay' --dir '" + GAME_DIR +
                                "' " + args + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    std::stringstream out, err;
    out << std::ifstream(dir / "out.txt").rdbuf();
    err << std::ifstream(dir / "err.txt").rdbuf();
    fs::remove_all(dir);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out.str(), err.str()};
}
} // namespace

TEST(Runner, BadArgumentsScriptLinesAndShotsFailTheRun)
{
    // Bad arguments and malformed script lines stop it before the first frame.
    for (const char* args : {"--frames abc", "--frames -3", "--clock soon", "--shot 3", "--shot x:a.png", "--bogus 1",
                             "--frames", "--script missing-file.txt"}) {
        auto [code, out, err] = Replay(args);
        EXPECT_EQ(std::make_tuple(code, out.find("frames")), std::make_tuple(2, std::string::npos)) << args;
    }
    for (const char* line :
         {"1 key Foo", "1 key a", "x key A", "-1 key A", "3 mouse 10", "3 mouse 10 20 30", "3 jump", "3 key 256",
          "3 lclick now", "3 cell a b", "3", "1.5 key A", "3 close 1", "3 mouse 1e3 2"}) {
        auto [code, out, err] =
            Replay("--frames 3 --script script.txt", std::string("# a comment\n\n0 key Left\n") + line);
        EXPECT_EQ(
            std::make_tuple(code, out.find("frames"),
                            err.find(std::string("script.txt:4: malformed script line: ") + line) != std::string::npos),
            std::make_tuple(2, std::string::npos, true))
            << line << ": " << err;
    }
    auto [code, out, err] = Replay("--frames 1 --shot 0:no-such-folder/x.png --shot 5:late.png");
    EXPECT_EQ(std::make_tuple(code, err.find("x.png") != std::string::npos, err.find("late.png") != std::string::npos),
              std::make_tuple(1, true, true))
        << "an unwritable shot fails the run, one of a frame never reached is reported: " << err;
}

TEST(Runner, EverySeedReadsTheClockTheScriptGives)
{
    // Party member 36 walks next to a fire beetle, which notices and strikes it; the player strikes back. The
    // blows are random: how the units end tells the seed.
    std::string fight = "1 key Left 10\n11 key Down 5\n20 cell 938 552\n20 rclick\n470 cell 937 552\n";
    for (int frame = 480; frame < 490; ++frame)
        fight += std::to_string(frame) + " lclick\n";
    auto play = [&](const std::string& header, const std::string& args = "") {
        return std::get<1>(Replay("--frames 490 --script script.txt " + args, header + fight));
    };
    const std::string a = play("clock 1000\n");
    EXPECT_NE(play("clock 2000\n"), a);
    EXPECT_EQ(play("clock 2000\n", "--clock 1000"), a);
    EXPECT_EQ(play("clock 2000\n0 key F3\n0 clock 1000\n"), a); // a load of an empty slot just reseeds
}
