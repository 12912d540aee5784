// Saves that cannot write a file: that file stays as it was, no temporary is
// left, the other files are written, and only those show a screen and pause.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "persist/save.h"
#include "persist_support.h"

using namespace persist_test;

namespace
{
const char* const KINDS[5] = {"mainmap", "flagmap", "unit", "pathfind", "variables"};
enum Block { FOLDER_AS_UNIT_FILE, FILES_OVER_1_MB, READ_ONLY_FOLDER };
struct Case {
    const char* name;
    Block block;
    unsigned written; // bit i: file KINDS[i] is written
};
const Case CASES[] = {{"a folder in place of the unit file", FOLDER_AS_UNIT_FILE, 0b11011},
                      {"a disk full past one megabyte", FILES_OVER_1_MB, 0b10100},
                      {"a read-only map folder", READ_ONLY_FOLDER, 0}};

// A byte that each file holds (the low one of a wider value).
uint8_t& Held(int file)
{
    uint8_t* held[5] = {&MainMap[CellIndex(9, 9, 1)], &FlagMap[CellIndex(9, 9, 1)], &UnitTable[7].champion,
                        reinterpret_cast<uint8_t*>(&PathFinders[0].RouteX[11]), reinterpret_cast<uint8_t*>(&ViewX)};
    return *held[file];
}
} // namespace

TEST_F(GameDirTest, SaveThatCannotWriteAFileLeavesItAsItWasAndShowsNothingForIt)
{
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(dir_ / "map");
        std::filesystem::create_directories(c.block == FOLDER_AS_UNIT_FILE ? SlotFile(1, "unit") : dir_ / "map");
        std::filesystem::file_time_type before[5];
        for (int i = 0; i < 5; ++i)
            Held(i) = 1;
        SaveMap(1);
        for (int i = 0; i < 5; ++i)
            before[i] = std::filesystem::last_write_time(SlotFile(1, KINDS[i])), Held(i) = 2;
        chmod((dir_ / "map").c_str(), c.block == READ_ONLY_FOLDER ? 0555 : 0755);
        // In a child, where the size limit stays and root can become a user that permissions bind.
        int64_t presents = HeadlessPresentCount();
        double clock = HeadlessClock();
        if (fork() == 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{1 << 20, 1 << 20};
            if ((c.block == FILES_OVER_1_MB && setrlimit(RLIMIT_FSIZE, &limit) != 0) ||
                (c.block == READ_ONLY_FOLDER && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)))
                _exit(99);
            SaveMap(1);
            _exit(static_cast<int>(HeadlessPresentCount() - presents) * 8 + static_cast<int>(HeadlessClock() - clock));
        }
        int status = 0;
        wait(&status);
        chmod((dir_ / "map").c_str(), 0755);
        if (status == 99 << 8)
            GTEST_SKIP() << "root here cannot become another user, and as root no folder is read-only";
        int n = 0;
        for (int i = 0; i < 5; ++i) {
            n += c.written >> i & 1;
            EXPECT_EQ(std::filesystem::last_write_time(SlotFile(1, KINDS[i])) == before[i], !(c.written >> i & 1));
            EXPECT_FALSE(std::filesystem::exists(SlotFile(1, KINDS[i]).string() + ".tmp")) << KINDS[i];
            Held(i) = 3;
        }
        EXPECT_EQ(status, (n * 8 + n) << 8) << "a screen and a second for each file written";
        presents = HeadlessPresentCount();
        LoadMap(1);
        EXPECT_EQ(HeadlessPresentCount() - presents, c.block == FOLDER_AS_UNIT_FILE ? 4 : 5) << "no folder opens";
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(Held(i), c.written >> i & 1 ? 2 : c.block == FOLDER_AS_UNIT_FILE && i == 2 ? 3 : 1) << KINDS[i];
    }
}
