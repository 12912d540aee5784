// A save killed at any moment leaves every slot file either as it was or as the
// new save wrote it, never torn.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <thread>

#include "persist/save.h"
#include "persist_support.h"

using namespace persist_test;

namespace
{
const char* const KINDS[] = {"mainmap", "flagmap", "unit", "pathfind", "variables"};

class KilledSaveTest : public GameDirTest
{
  protected:
    // Size and hash of each file: enough to tell whole files from torn ones.
    std::array<std::pair<size_t, uint64_t>, 5> Contents()
    {
        std::array<std::pair<size_t, uint64_t>, 5> all;
        std::vector<char> chunk(1 << 20);
        for (size_t k = 0; k < 5; ++k) {
            std::ifstream in(SlotFile(1, KINDS[k]), std::ios::binary);
            uint64_t hash = 14695981039346656037ull;
            size_t size = 0;
            while (in) {
                in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
                size_t n = static_cast<size_t>(in.gcount());
                for (size_t i = 0; i < n; ++i)
                    hash = (hash ^ static_cast<uint8_t>(chunk[i])) * 1099511628211ull;
                size += n;
            }
            all[k] = {size, hash};
        }
        return all;
    }
};
} // namespace

TEST_F(KilledSaveTest, EveryFileIsWholeOldOrWholeNew)
{
    SaveMap(1);
    const std::array<std::pair<size_t, uint64_t>, 5> old_files = Contents();

    // Every file changes at its first and its last bytes, so that a file cut
    // anywhere in between matches neither version.
    const size_t grid_end = static_cast<size_t>(LayerCells) * 3 - 1;
    MainMap[0] = MainMap[grid_end] = 7;
    FlagMap[0] = FlagMap[grid_end] = 5;
    UnitTable[0].gold = UnitTable[2999].gold = 12.5f;
    PathFinders[0].RouteIndex[0] = 2;
    PathFinders[1].RouteY[static_cast<size_t>(MaxUnits) * PathCap - 1] = 0xDEADBEEFu;
    ViewX = 321;
    CurrentUnit = 12;

    std::vector<std::array<std::pair<size_t, uint64_t>, 5>> seen;
    int killed = 0;
    for (int delay_ms : {0, 2, 10, 40, 120, 300}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SaveMap(1);
            _exit(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        killed += WIFSIGNALED(status) ? 1 : 0;
        seen.push_back(Contents());
    }
    SaveMap(1);
    const std::array<std::pair<size_t, uint64_t>, 5> new_files = Contents();

    for (size_t k = 0; k < 5; ++k)
        ASSERT_NE(old_files[k], new_files[k]) << KINDS[k];
    for (size_t run = 0; run < seen.size(); ++run)
        for (size_t k = 0; k < 5; ++k)
            EXPECT_TRUE(seen[run][k] == old_files[k] || seen[run][k] == new_files[k])
                << KINDS[k] << " torn in run " << run << " (" << seen[run][k].first << " bytes)";
    // The runs must really have been cut short, or they prove nothing.
    EXPECT_GT(killed, 0);
}
