// Saving and loading the two slots.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "fixture.h"

namespace
{
using Digest = std::vector<std::pair<size_t, uint64_t>>;
const char* const KINDS[5] = {"mainmap", "flagmap", "unit", "pathfind", "variables"};
std::string File(int kind, int slot = 1) { return "map/" + std::to_string(slot) + "." + KINDS[kind]; }

std::vector<uint8_t> Read(const std::string& name, size_t at, size_t bytes)
{
    std::vector<uint8_t> b(bytes);
    std::ifstream in("map/" + name, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(at));
    in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(bytes));
    return b;
}

// Size and hash of each file of slot 1: enough to tell whole files from torn ones.
Digest Digests()
{
    Digest all;
    for (int kind = 0; kind < 5; ++kind) {
        std::string bytes(fs::exists(File(kind)) ? fs::file_size(File(kind)) : 0, '\0');
        std::ifstream(File(kind), std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        all.emplace_back(bytes.size(), std::hash<std::string>{}(bytes));
    }
    return all;
}

// Every saved table and the view from a seed; route indices from -1 up.
void Fill(uint32_t seed)
{
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int32_t i = 0; i < 3 * LayerCells; ++i)
        MainMap[i] = static_cast<uint8_t>(next() >> 24), FlagMap[i] = static_cast<uint8_t>(next() >> 24);
    for (size_t i = 0; i < sizeof(Unit) * 3000; ++i)
        reinterpret_cast<uint8_t*>(UnitTable)[i] = static_cast<uint8_t>(next() >> 24);
    for (PathFinder* pf : {&PathFinders[0], &PathFinders[1]})
        for (int32_t i = 0; i < 3000 * PathCap; ++i) {
            pf->RouteX[i] = next(), pf->RouteY[i] = next();
            if (i < 3000)
                pf->RouteIndex[i] = static_cast<int32_t>(next() % 3001) - 1;
        }
    std::tie(ViewX, ViewY, ViewLayer, CurrentUnit) = std::make_tuple(next(), next(), next(), next());
}

// One frame with a key down; the time it paused.
double Frame(int32_t key)
{
    KeyState[key] = 1;
    const double clock = HeadlessClock();
    RunFrame();
    return HeadlessClock() - clock;
}

enum Block { FOLDER_AS_UNIT_FILE, FILES_OVER_1_MB, READ_ONLY_FOLDER };
// A byte each file holds.
uint8_t& Held(int file)
{
    uint8_t* held[5] = {&MainMap[CellIndex(9, 9, 1)], &FlagMap[CellIndex(9, 9, 1)], &UnitTable[7].champion,
                        reinterpret_cast<uint8_t*>(&PathFinders[0].RouteX[11]), reinterpret_cast<uint8_t*>(&ViewX)};
    return *held[file];
}

using Slot = InScratchDir;
} // namespace

TEST_F(Slot, UnitRecordsHaveTheirWrittenLayout)
{
    // Fields in declaration order (units/unit.h), each value unique so that the bytes tell where it went.
    UnitTable[7] =
        Unit{0x11, 0x01,   0x21222324u, 0x2A2B, 0x2C2D,      1,      0x191A, 0x1B1C, 0x1516,      0x1718,     -300,
             2,    0x0607, 0x0405,      0x0203, 1.5f,        100.0f, -2.0f,  0x08,   -2,          0x1234,     0.25f,
             1.0f, 0x09,   350,         0x1D1E, 0x25262728u, 12345,  -3,     999,    0x0A0B0C0Du, 0x0E0F1011u};
    SaveSlot(1);
    ASSERT_EQ(fs::file_size("map/1.unit"), 570000u);
    EXPECT_EQ(Read("1.unit", 7 * 190 - 1, 76),
              (std::vector<uint8_t>{0xCC, 0x11, 0x01, 0x03, 0x02, 0x05, 0x04, 0x07, 0x06, 0x08, 0x09, 0x0D, 0x0C,
                                    0x0B, 0x0A, 0x11, 0x10, 0x0F, 0x0E, 0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0xC8, 0x42, 0xFE, 0xFF, 0x34, 0x12, 0x16, 0x15, 0x18, 0x17,
                                    0x1A, 0x19, 0x1C, 0x1B, 0x1E, 0x1D, 0x02, 0x00, 0xFD, 0xFF, 0xFF, 0xFF, 0xD4,
                                    0xFE, 0x24, 0x23, 0x22, 0x21, 0x28, 0x27, 0x26, 0x25, 0x00, 0x00, 0x80, 0x3E,
                                    0x00, 0x00, 0x80, 0x3F, 0x2B, 0x2A, 0x2D, 0x2C, 0x01, 0x00, 0xCC}));
    EXPECT_EQ(Read("1.unit", 7 * 190 + 74, 116), std::vector<uint8_t>(116, 0xCC));
}

TEST_F(Slot, TheFunctionKeysSaveAndLoadEverySavedValueAndKeepTheRest)
{
    Fill(1);
    // A search running or done but not yet a route cannot be resumed from the file.
    const int32_t index[][2] = {{-8, -9}, {-7, -9}, {-2, -9}, {INT32_MIN, -9}, {-1, -1}, {2997, 2997}};
    for (int i = 0; i < 6; ++i)
        PathFinders[i % 2].RouteIndex[10 + i] = index[i][0];
    std::tie(ViewX, ViewY, ViewLayer, CurrentUnit) = std::make_tuple(100, 200, 1, 7);
    EXPECT_NEAR(Frame(KEY_F1), 5.35, 1e-6) << "a second per file, then the key's pause";
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(PathFinders[i % 2].RouteIndex[10 + i], index[i][1]) << index[i][0];
    const Digest saved = Digests();
    EXPECT_EQ(saved[0].first + saved[1].first + saved[2].first + saved[3].first + saved[4].first,
              2 * 3145728u + 570000u + 144024000u + 16u);
    auto bytes = [](uint32_t v) {
        return std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    };
    EXPECT_EQ(std::make_tuple(Read("1.mainmap", 2 * 1048576 + 6 * 1024 + 5, 1)[0], Read("1.pathfind", 4 * 14, 4),
                              Read("1.pathfind", 72012000 + 4 * 13, 4), Read("1.pathfind", 12000 + 4 * 21005, 4),
                              Read("1.pathfind", 72024000 + 36000000 + 4 * 21005, 4)),
              std::make_tuple(Cell(5, 6, 2), bytes(-1), bytes(-9), bytes(PathFinders[0].RouteX[21005]),
                              bytes(PathFinders[1].RouteY[21005])));
    EXPECT_EQ(Read("1.variables", 0, 16), (std::vector<uint8_t>{100, 0, 0, 0, 200, 0, 0, 0, 1, 0, 0, 0, 7, 0, 0, 0}));
    // Each file's progress screen: the map view with the message in yellow at (20, 100).
    SaveSlot(1);
    EXPECT_STREQ(TextBuffer, "Saving variables.");
    const std::vector<uint8_t> shown = HeadlessLastFrame();
    ClearScreen();
    DrawMapView();
    std::snprintf(TextBuffer, sizeof TextBuffer, "Saving variables.");
    DrawLargeText(20, 100, 255, 255, 0);
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), ScreenBuffer));
    Fill(2);
    PathFinders[0].RunningUnit = PathFinders[1].RunningUnit = 17;
    const std::vector<Unit> before(UnitTable, UnitTable + 3000);
    EXPECT_NEAR(Frame(KEY_F3), 5.35, 1e-6);
    for (int32_t u = 0; u < 3000; ++u) // not in the file: left as they were
        ASSERT_EQ(std::make_tuple(UnitTable[u].dest_unit, UnitTable[u].last_spell_frame, UnitTable[u].gold_reward),
                  std::make_tuple(before[u].dest_unit, before[u].last_spell_frame, before[u].gold_reward));
    EXPECT_EQ(std::make_tuple(PathFinders[0].RunningUnit, PathFinders[1].RunningUnit, RandState),
              std::make_tuple(0, 0, PlatformTimeSeconds()));
    SaveSlot(1); // what was loaded saves to the same files again
    EXPECT_EQ(Digests(), saved);
}

TEST_F(Slot, ShortFilesFillTheLeadingPartOfTheirTablesAndMissingOnesNothing)
{
    Fill(6);
    SaveSlot(1);
    const std::vector<Unit> six(UnitTable, UnitTable + 3000);
    const std::vector<uint8_t> main6(MainMap, MainMap + 2000);
    const int32_t index6 = PathFinders[0].RouteIndex[1], view_x6 = ViewX;
    Fill(7);
    const std::vector<Unit> seven(UnitTable, UnitTable + 3000);
    const auto memory = std::make_tuple(MainMap[1000], FlagMap[0], PathFinders[0].RouteIndex[2], ViewY, CurrentUnit);
    // 51 bytes of unit 100: every field up to route_order, one byte of target_unit.
    const size_t sizes[] = {1000, 0, 100 * 190 + 51, 10, 6};
    for (int k = 0; k < 5; ++k)
        fs::resize_file(File(k), sizes[k]);
    LoadSlot(1);
    EXPECT_EQ(std::make_tuple(UnitTable[99].layer, UnitTable[100].route_order, UnitTable[100].target_unit,
                              UnitTable[101].keys, MainMap[999], PathFinders[0].RouteIndex[1], ViewX),
              std::make_tuple(six[99].layer, six[100].route_order, seven[100].target_unit, seven[101].keys, main6[999],
                              index6, view_x6));
    EXPECT_EQ(std::make_tuple(MainMap[1000], FlagMap[0], PathFinders[0].RouteIndex[2], ViewY, CurrentUnit), memory);
    // A slot never saved: its files are made empty, and memory stays as it was.
    LoadSlot(2);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(fs::exists(File(k, 2)) ? fs::file_size(File(k, 2)) : 1, 0u);
    EXPECT_EQ(std::make_tuple(MainMap[1000], FlagMap[0], PathFinders[0].RouteIndex[2], ViewY, CurrentUnit), memory);
    // Without the map folder nothing is shown and only the key's own pause remains.
    fs::remove_all("map");
    const int64_t presents = HeadlessPresentCount();
    EXPECT_NEAR(Frame(KEY_F1) + Frame(KEY_F3), 0.7, 1e-6);
    EXPECT_EQ(std::make_tuple(HeadlessPresentCount() - presents, fs::exists("map")), std::make_tuple(2, false));
}

TEST_F(Slot, ASaveKilledAtAnyMomentLeavesEachFileWholeOldOrWholeNew)
{
    SaveSlot(1);
    const Digest old_files = Digests();
    // Every file changes at its first and last bytes, so a file cut anywhere matches neither version.
    MainMap[0] = MainMap[3 * LayerCells - 1] = FlagMap[0] = FlagMap[3 * LayerCells - 1] = 7;
    UnitTable[0].gold = UnitTable[2999].gold = 12.5f;
    PathFinders[0].RouteIndex[0] = 2;
    PathFinders[1].RouteY[3000 * PathCap - 1] = 0xDEADBEEFu;
    std::tie(ViewX, CurrentUnit) = std::make_tuple(321, 12);
    Digest seen[6];
    int killed = 0;
    for (int run = 0; run < 6; ++run) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SaveSlot(1);
            _exit(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(run * run * 10));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        killed += WIFSIGNALED(status);
        seen[run] = Digests();
    }
    SaveSlot(1);
    const Digest new_files = Digests();
    for (int run = 0; run < 6; ++run)
        for (int k = 0; k < 5; ++k)
            EXPECT_TRUE(old_files[k] != new_files[k] && (seen[run][k] == old_files[k] || seen[run][k] == new_files[k]))
                << "file " << k << " torn in run " << run;
    EXPECT_GT(killed, 0) << "no save was cut short";
}

TEST_F(Slot, SaveThatCannotWriteAFileLeavesItAsItWasAndShowsNothingForIt)
{
    // Bit i of `written`: file KINDS[i] is written.
    for (auto [name, block, written] : {std::tuple{"a folder in place of the unit file", FOLDER_AS_UNIT_FILE, 0b11011},
                                        {"a disk full past one megabyte", FILES_OVER_1_MB, 0b10100},
                                        {"a read-only map folder", READ_ONLY_FOLDER, 0}}) {
        SCOPED_TRACE(name);
        fs::remove_all(dir_ / "map");
        fs::create_directories(block == FOLDER_AS_UNIT_FILE ? dir_ / "map" / "1.unit" : dir_ / "map");
        fs::file_time_type before[5];
        for (int i = 0; i < 5; ++i)
            Held(i) = 1;
        SaveSlot(1);
        for (int i = 0; i < 5; ++i)
            before[i] = fs::last_write_time(File(i)), Held(i) = 2;
        chmod((dir_ / "map").c_str(), block == READ_ONLY_FOLDER ? 0555 : 0755);
        // In a child, where the size limit stays and root can become a user that permissions bind.
        int64_t presents = HeadlessPresentCount();
        double clock = HeadlessClock();
        if (fork() == 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{1 << 20, 1 << 20};
            if ((block == FILES_OVER_1_MB && setrlimit(RLIMIT_FSIZE, &limit) != 0) ||
                (block == READ_ONLY_FOLDER && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)))
                _exit(99);
            SaveSlot(1);
            _exit(static_cast<int>(HeadlessPresentCount() - presents) * 8 + static_cast<int>(HeadlessClock() - clock));
        }
        int status = 0;
        wait(&status);
        chmod((dir_ / "map").c_str(), 0755);
        if (status == 99 << 8)
            GTEST_SKIP() << "root here cannot become another user, and as root no folder is read-only";
        int n = 0;
        for (int i = 0; i < 5; ++i) {
            n += written >> i & 1;
            EXPECT_EQ(fs::last_write_time(File(i)) == before[i], !(written >> i & 1));
            EXPECT_FALSE(fs::exists(File(i) + ".tmp")) << KINDS[i];
            Held(i) = 3;
        }
        EXPECT_EQ(status, (n * 8 + n) << 8) << "a screen and a second for each file written";
        presents = HeadlessPresentCount();
        LoadSlot(1);
        EXPECT_EQ(HeadlessPresentCount() - presents, block == FOLDER_AS_UNIT_FILE ? 4 : 5) << "no folder opens";
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(Held(i), written >> i & 1 ? 2 : block == FOLDER_AS_UNIT_FILE && i == 2 ? 3 : 1) << KINDS[i];
    }
}
