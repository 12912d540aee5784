// Saving and loading the two slots: layout, round trip, short and missing files.
#include <bit>
#include <cstring>

#include "app/input.h"
#include "app/random.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "persist/save.h"
#include "persist_support.h"
#include "platform/platform.h"

using namespace persist_test;
namespace fs = std::filesystem;

namespace
{
constexpr size_t RECORD = 190;
constexpr size_t GRID_FILE = 3u * 1024u * 1024u;
constexpr size_t ROUTE_WORDS = 3000u * 3000u;
const char* const KINDS[] = {"mainmap", "flagmap", "unit", "pathfind", "variables"};

// Every stored field from the pattern; floats kept ordinary so that == compares them.
Unit PatternUnit(uint32_t u, uint32_t salt)
{
    auto m = [&](uint32_t k) { return Mix(u * 64 + k, salt); };
    Unit p{};
    p.spare_byte = static_cast<uint8_t>(m(0));
    p.in_use = static_cast<uint8_t>(m(1));
    p.faction = static_cast<uint16_t>(m(2));
    p.bitmap = static_cast<uint16_t>(m(3));
    p.spare_half = static_cast<uint16_t>(m(4));
    p.hidden = static_cast<uint8_t>(m(5));
    p.champion = static_cast<uint8_t>(m(6));
    p.event_frame = m(7);
    p.spare_word3 = m(8);
    p.gold = static_cast<float>(m(9) % 100000) * 0.25f;
    p.hit_points = static_cast<float>(m(10) % 1000) - 500.0f;
    p.max_hit_points = static_cast<float>(m(11) % 1000);
    p.keys = static_cast<int16_t>(m(12));
    p.quest = static_cast<int16_t>(m(13));
    p.step_x = static_cast<uint16_t>(m(14));
    p.step_y = static_cast<uint16_t>(m(15));
    p.dest_x = static_cast<uint16_t>(m(16));
    p.dest_y = static_cast<uint16_t>(m(17));
    p.spare_half2 = static_cast<uint16_t>(m(18));
    p.move_state = static_cast<uint16_t>(m(19));
    p.route_order = static_cast<int32_t>(m(20));
    p.target_unit = static_cast<int16_t>(m(21));
    p.spare_word = m(22);
    p.spare_word2 = m(23);
    p.attack = static_cast<float>(m(24) % 64);
    p.second_stat = static_cast<float>(m(25) % 7) * 0.5f;
    p.cell_x = static_cast<uint16_t>(m(26));
    p.cell_y = static_cast<uint16_t>(m(27));
    p.layer = static_cast<uint16_t>(m(28));
    // Not in the file.
    p.dest_unit = static_cast<uint16_t>(m(40));
    p.last_spell_frame = static_cast<int32_t>(m(41));
    p.gold_reward = static_cast<int32_t>(m(42));
    return p;
}

// Field by field in the file's order; `through` is the last offset compared, so
// a record cut short can be checked up to its cut.
void ExpectStoredFields(const Unit& got, const Unit& want, uint32_t u, size_t through = RECORD)
{
    SCOPED_TRACE("unit " + std::to_string(u));
#define FIELD(offset, name)                                                                                            \
    if ((offset) < through + 1) {                                                                                      \
        EXPECT_EQ(got.name, want.name) << #name;                                                                       \
    }
    FIELD(0, spare_byte);
    FIELD(1, in_use);
    FIELD(2, faction);
    FIELD(4, bitmap);
    FIELD(6, spare_half);
    FIELD(8, hidden);
    FIELD(9, champion);
    FIELD(10, event_frame);
    FIELD(14, spare_word3);
    FIELD(18, gold);
    FIELD(22, hit_points);
    FIELD(26, max_hit_points);
    FIELD(30, keys);
    FIELD(32, quest);
    FIELD(34, step_x);
    FIELD(36, step_y);
    FIELD(38, dest_x);
    FIELD(40, dest_y);
    FIELD(42, spare_half2);
    FIELD(44, move_state);
    FIELD(46, route_order);
    FIELD(50, target_unit);
    FIELD(52, spare_word);
    FIELD(56, spare_word2);
    FIELD(60, attack);
    FIELD(64, second_stat);
    FIELD(68, cell_x);
    FIELD(70, cell_y);
    FIELD(72, layer);
#undef FIELD
}

int32_t PatternRouteIndex(uint32_t u, uint32_t salt, int p)
{
    uint32_t m = Mix(u, salt * 2 + static_cast<uint32_t>(p));
    return m % 5 == 0 ? -9 : (m % 7 == 0 ? -1 : static_cast<int32_t>(m % 3000));
}

void FillGrids(uint32_t salt)
{
    for (uint32_t i = 0; i < GRID_FILE; ++i) {
        MainMap[i] = static_cast<uint8_t>(Mix(i, salt));
        FlagMap[i] = static_cast<uint8_t>(Mix(i, salt + 100));
    }
}

void FillUnits(uint32_t salt)
{
    for (int32_t u = 0; u < MaxUnits; ++u)
        UnitTable[u] = PatternUnit(static_cast<uint32_t>(u), salt);
}

void FillRoutes(uint32_t salt)
{
    for (int p = 0; p < 2; ++p) {
        PathFinder& pf = PathFinders[p];
        for (uint32_t u = 0; u < 3000; ++u)
            pf.RouteIndex[u] = PatternRouteIndex(u, salt, p);
        uint32_t x_salt = salt * 4 + static_cast<uint32_t>(p) * 2;
        for (uint32_t i = 0; i < ROUTE_WORDS; ++i) {
            pf.RouteX[i] = Mix(i, x_salt);
            pf.RouteY[i] = Mix(i, x_salt + 1);
        }
    }
}

void FillAll(uint32_t salt)
{
    FillGrids(salt);
    FillUnits(salt);
    FillRoutes(salt);
    ViewX = static_cast<int32_t>(salt * 3 + 100);
    ViewY = static_cast<int32_t>(salt * 5 + 200);
    ViewLayer = static_cast<int32_t>(salt % 3);
    CurrentUnit = static_cast<int32_t>(salt * 7 + 11);
}

size_t CountGridMismatches(uint32_t salt, size_t from = 0, size_t to = GRID_FILE)
{
    size_t bad = 0;
    for (size_t i = from; i < to; ++i)
        bad += MainMap[i] != static_cast<uint8_t>(Mix(static_cast<uint32_t>(i), salt)) ||
               FlagMap[i] != static_cast<uint8_t>(Mix(static_cast<uint32_t>(i), salt + 100));
    return bad;
}

size_t CountRouteMismatches(uint32_t salt, int p)
{
    const PathFinder& pf = PathFinders[p];
    uint32_t x_salt = salt * 4 + static_cast<uint32_t>(p) * 2;
    size_t bad = 0;
    for (uint32_t u = 0; u < 3000; ++u)
        bad += pf.RouteIndex[u] != PatternRouteIndex(u, salt, p);
    for (uint32_t i = 0; i < ROUTE_WORDS; ++i)
        bad += pf.RouteX[i] != Mix(i, x_salt) || pf.RouteY[i] != Mix(i, x_salt + 1);
    return bad;
}

class SlotTest : public GameDirTest
{
  protected:
    bool SameFiles(const fs::path& a, const fs::path& b) { return ReadBytes(a) == ReadBytes(b); }
};
} // namespace

TEST_F(SlotTest, RoundTripRestoresSavedStateAndKeepsUnsavedFields)
{
    FillAll(1);
    SaveMap(1);
    FillAll(2);
    for (int32_t u = 0; u < MaxUnits; ++u)
        PathFinders[0].RouteLength[u] = static_cast<uint32_t>(u) + 5;
    PathFinders[0].RunningUnit = 17;
    PathFinders[1].RunningUnit = 18;
    int64_t presents = HeadlessPresentCount();
    double clock = HeadlessClock();

    LoadMap(1);

    EXPECT_EQ(HeadlessPresentCount(), presents + 5);
    EXPECT_DOUBLE_EQ(HeadlessClock(), clock + 5.0);
    EXPECT_EQ(CountGridMismatches(1), 0u);
    for (uint32_t u = 0; u < 3000; ++u) {
        Unit saved = PatternUnit(u, 1);
        Unit before = PatternUnit(u, 2);
        ExpectStoredFields(UnitTable[u], saved, u);
        ASSERT_EQ(UnitTable[u].dest_unit, before.dest_unit);
        ASSERT_EQ(UnitTable[u].last_spell_frame, before.last_spell_frame);
        ASSERT_EQ(UnitTable[u].gold_reward, before.gold_reward);
        ASSERT_EQ(PathFinders[0].RouteLength[u], u + 5);
    }
    EXPECT_EQ(CountRouteMismatches(1, 0), 0u);
    EXPECT_EQ(CountRouteMismatches(1, 1), 0u);
    EXPECT_EQ(ViewX, 103);
    EXPECT_EQ(ViewY, 205);
    EXPECT_EQ(ViewLayer, 1);
    EXPECT_EQ(CurrentUnit, 18);
    EXPECT_EQ(PathFinders[0].RunningUnit, 0);
    EXPECT_EQ(PathFinders[1].RunningUnit, 0);
    // Reseeded from the clock after the last file.
    EXPECT_EQ(RandState, PlatformTimeSeconds());
}

TEST_F(SlotTest, SaveTurnsSearchesInProgressIdleAndRepeatsByteForByte)
{
    FillAll(3);
    const int32_t before0[] = {-8, -7, -2, -1, 0, -9, INT32_MIN, 2997};
    const int32_t after0[] = {-9, -9, -9, -1, 0, -9, -9, 2997};
    for (int i = 0; i < 8; ++i)
        PathFinders[0].RouteIndex[10 + i] = before0[i];
    PathFinders[1].RouteIndex[20] = -8;
    PathFinders[1].RouteIndex[21] = -1;

    SaveMap(1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(PathFinders[0].RouteIndex[10 + i], after0[i]) << i;
    EXPECT_EQ(PathFinders[1].RouteIndex[20], -9);
    EXPECT_EQ(PathFinders[1].RouteIndex[21], -1);

    fs::create_directories(dir_ / "first");
    for (const char* kind : KINDS)
        fs::copy_file(SlotFile(1, kind), dir_ / "first" / kind);
    SaveMap(1);
    for (const char* kind : KINDS)
        EXPECT_TRUE(SameFiles(SlotFile(1, kind), dir_ / "first" / kind)) << kind;

    std::vector<uint8_t> routes = ReadBytes(SlotFile(1, "pathfind"));
    ASSERT_EQ(routes.size(), 144024000u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(static_cast<int32_t>(LittleWord(routes, 4 * (10 + i))), after0[i]) << i;
    size_t pf1 = 12000 + 2 * 36000000;
    EXPECT_EQ(static_cast<int32_t>(LittleWord(routes, pf1 + 4 * 20)), -9);
    // Routes: unit 7's cell 5 of RouteX and RouteY of each pathfinder.
    size_t cell = 7 * 3000 + 5;
    EXPECT_EQ(LittleWord(routes, 12000 + 4 * cell), PathFinders[0].RouteX[cell]);
    EXPECT_EQ(LittleWord(routes, 12000 + 36000000 + 4 * cell), PathFinders[0].RouteY[cell]);
    EXPECT_EQ(LittleWord(routes, pf1 + 12000 + 4 * cell), PathFinders[1].RouteX[cell]);
    EXPECT_EQ(LittleWord(routes, pf1 + 12000 + 36000000 + 4 * cell), PathFinders[1].RouteY[cell]);

    EXPECT_EQ(fs::file_size(SlotFile(1, "mainmap")), GRID_FILE);
    EXPECT_EQ(fs::file_size(SlotFile(1, "flagmap")), GRID_FILE);
    EXPECT_EQ(fs::file_size(SlotFile(1, "unit")), 570000u);
    std::vector<uint8_t> vars = ReadBytes(SlotFile(1, "variables"));
    ASSERT_EQ(vars.size(), 16u);
    EXPECT_EQ(LittleWord(vars, 0), 109u);
    EXPECT_EQ(LittleWord(vars, 4), 215u);
    EXPECT_EQ(LittleWord(vars, 8), 0u);
    EXPECT_EQ(LittleWord(vars, 12), 32u);
    std::vector<uint8_t> grid = ReadBytes(SlotFile(1, "mainmap"));
    EXPECT_EQ(grid[CellIndex(5, 6, 2)], MainMap[2 * 1048576 + 6 * 1024 + 5]);
    // Only the five files are left in the folder: no temporaries.
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(dir_ / "map")) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 5u);
}

TEST_F(SlotTest, UnitRecordHasTheWrittenLayout)
{
    Unit& u = UnitTable[7];
    u.spare_byte = 0x11;
    u.in_use = 0x01;
    u.faction = 0x0203;
    u.bitmap = 0x0405;
    u.spare_half = 0x0607;
    u.hidden = 0x08;
    u.champion = 0x09;
    u.event_frame = 0x0A0B0C0Du;
    u.spare_word3 = 0x0E0F1011u;
    u.gold = 1.5f;
    u.hit_points = -2.0f;
    u.max_hit_points = 100.0f;
    u.keys = -2;
    u.quest = 0x1234;
    u.step_x = 0x1516;
    u.step_y = 0x1718;
    u.dest_x = 0x191A;
    u.dest_y = 0x1B1C;
    u.spare_half2 = 0x1D1E;
    u.move_state = 2;
    u.route_order = -3;
    u.target_unit = -300;
    u.spare_word = 0x21222324u;
    u.spare_word2 = 0x25262728u;
    u.attack = 0.25f;
    u.second_stat = 1.0f;
    u.cell_x = 0x2A2B;
    u.cell_y = 0x2C2D;
    u.layer = 1;
    u.dest_unit = 999;
    u.last_spell_frame = 12345;
    u.gold_reward = 350;
    SaveMap(1);

    const uint8_t expected[74] = {
        0x11, 0x01, 0x03, 0x02, 0x05, 0x04, 0x07, 0x06, 0x08, 0x09,             // 0..9
        0x0D, 0x0C, 0x0B, 0x0A, 0x11, 0x10, 0x0F, 0x0E,                         // 10..17
        0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0xC8, 0x42, // 18..29 floats
        0xFE, 0xFF, 0x34, 0x12, 0x16, 0x15, 0x18, 0x17, 0x1A, 0x19, 0x1C, 0x1B, // 30..41
        0x1E, 0x1D, 0x02, 0x00, 0xFD, 0xFF, 0xFF, 0xFF, 0xD4, 0xFE,             // 42..51
        0x24, 0x23, 0x22, 0x21, 0x28, 0x27, 0x26, 0x25,                         // 52..59
        0x00, 0x00, 0x80, 0x3E, 0x00, 0x00, 0x80, 0x3F,                         // 60..67
        0x2B, 0x2A, 0x2D, 0x2C, 0x01, 0x00};                                    // 68..73
    std::vector<uint8_t> file = ReadBytes(SlotFile(1, "unit"));
    ASSERT_EQ(file.size(), 570000u);
    for (size_t i = 0; i < 74; ++i)
        EXPECT_EQ(file[7 * RECORD + i], expected[i]) << "offset " << i;
    for (size_t i = 74; i < RECORD; ++i)
        EXPECT_EQ(file[7 * RECORD + i], 0xCC) << "offset " << i;
    // Neighbours: the zeroed unit 8 starts right after, unit 6's reserved tail right before.
    EXPECT_EQ(file[7 * RECORD - 1], 0xCC);
    EXPECT_EQ(file[8 * RECORD], 0x00);
    EXPECT_EQ(file[2999 * RECORD + 189], 0xCC);
}

TEST_F(SlotTest, UnitFileCutAfterHundredRecordsRestoresOnlyThose)
{
    FillUnits(4);
    SaveMap(1);
    FillUnits(5);
    fs::resize_file(SlotFile(1, "unit"), 100 * RECORD);
    LoadMap(1);
    for (uint32_t u = 0; u < 100; ++u)
        ExpectStoredFields(UnitTable[u], PatternUnit(u, 4), u);
    for (uint32_t u = 100; u < 3000; ++u)
        ExpectStoredFields(UnitTable[u], PatternUnit(u, 5), u);
}

TEST_F(SlotTest, ShortFilesFillOnlyTheLeadingPartOfTheirTables)
{
    FillAll(6);
    SaveMap(1);
    FillAll(7);
    // A record cut inside: 51 bytes hold every field up to route_order and one
    // byte of target_unit, which is left alone.
    fs::resize_file(SlotFile(1, "unit"), 100 * RECORD + 51);
    fs::resize_file(SlotFile(1, "mainmap"), 1000);
    fs::resize_file(SlotFile(1, "flagmap"), 0);
    // Two whole RouteIndex values and half of the third.
    fs::resize_file(SlotFile(1, "pathfind"), 10);
    // ViewX whole, ViewY cut.
    fs::resize_file(SlotFile(1, "variables"), 6);
    PathFinders[0].RunningUnit = 9;
    PathFinders[1].RunningUnit = 9;

    LoadMap(1);

    for (uint32_t u = 0; u < 100; ++u)
        ExpectStoredFields(UnitTable[u], PatternUnit(u, 6), u);
    ExpectStoredFields(UnitTable[100], PatternUnit(100, 6), 100, 46);
    EXPECT_EQ(UnitTable[100].target_unit, PatternUnit(100, 7).target_unit);
    EXPECT_EQ(UnitTable[100].layer, PatternUnit(100, 7).layer);
    for (uint32_t u = 101; u < 3000; ++u)
        ExpectStoredFields(UnitTable[u], PatternUnit(u, 7), u);

    for (size_t i = 0; i < 1000; ++i)
        ASSERT_EQ(MainMap[i], static_cast<uint8_t>(Mix(static_cast<uint32_t>(i), 6))) << i;
    for (size_t i = 1000; i < GRID_FILE; ++i)
        ASSERT_EQ(MainMap[i], static_cast<uint8_t>(Mix(static_cast<uint32_t>(i), 7))) << i;
    for (size_t i = 0; i < GRID_FILE; ++i)
        ASSERT_EQ(FlagMap[i], static_cast<uint8_t>(Mix(static_cast<uint32_t>(i), 107))) << i;

    EXPECT_EQ(PathFinders[0].RouteIndex[0], PatternRouteIndex(0, 6, 0));
    EXPECT_EQ(PathFinders[0].RouteIndex[1], PatternRouteIndex(1, 6, 0));
    EXPECT_EQ(PathFinders[0].RouteIndex[2], PatternRouteIndex(2, 7, 0));
    EXPECT_EQ(PathFinders[1].RouteIndex[0], PatternRouteIndex(0, 7, 1));
    EXPECT_EQ(PathFinders[0].RouteX[0], Mix(0, 28));
    EXPECT_EQ(PathFinders[0].RunningUnit, 0);
    EXPECT_EQ(PathFinders[1].RunningUnit, 0);

    EXPECT_EQ(ViewX, 6 * 3 + 100);
    EXPECT_EQ(ViewY, 7 * 5 + 200);
    EXPECT_EQ(ViewLayer, 7 % 3);
    EXPECT_EQ(CurrentUnit, 7 * 7 + 11);
}

TEST_F(SlotTest, MissingFilesAreCreatedEmptyAndLeaveMemoryAlone)
{
    FillGrids(8);
    FillUnits(8);
    ViewX = 1;
    ViewY = 2;
    ViewLayer = 0;
    CurrentUnit = 3;
    PathFinders[0].RouteIndex[4] = 44;
    PathFinders[1].RunningUnit = 5;
    RandState = 1;
    int64_t presents = HeadlessPresentCount();
    double clock = HeadlessClock();

    LoadMap(2);

    // Each file still gets its screen and its second.
    EXPECT_EQ(HeadlessPresentCount(), presents + 5);
    EXPECT_DOUBLE_EQ(HeadlessClock(), clock + 5.0);
    for (const char* kind : KINDS) {
        ASSERT_TRUE(fs::exists(SlotFile(2, kind))) << kind;
        EXPECT_EQ(fs::file_size(SlotFile(2, kind)), 0u) << kind;
    }
    EXPECT_EQ(CountGridMismatches(8), 0u);
    for (uint32_t u = 0; u < 3000; u += 37)
        ExpectStoredFields(UnitTable[u], PatternUnit(u, 8), u);
    EXPECT_EQ(ViewX, 1);
    EXPECT_EQ(ViewY, 2);
    EXPECT_EQ(ViewLayer, 0);
    EXPECT_EQ(CurrentUnit, 3);
    EXPECT_EQ(PathFinders[0].RouteIndex[4], 44);
    EXPECT_EQ(PathFinders[0].RunningUnit, 0);
    EXPECT_EQ(PathFinders[1].RunningUnit, 0);
    EXPECT_EQ(RandState, PlatformTimeSeconds());
}

TEST_F(SlotTest, WithoutMapFolderNothingIsShownAndNothingWaits)
{
    fs::remove_all(dir_ / "map");
    MainMap[0] = 61;
    PathFinders[0].RunningUnit = 7;
    PathFinders[1].RunningUnit = 8;
    PathFinders[0].RouteIndex[3] = -8;
    int64_t presents = HeadlessPresentCount();
    double clock = HeadlessClock();

    SaveMap(1);
    LoadMap(1);

    EXPECT_EQ(HeadlessPresentCount(), presents);
    EXPECT_DOUBLE_EQ(HeadlessClock(), clock);
    EXPECT_FALSE(fs::exists(dir_ / "map"));
    EXPECT_EQ(PathFinders[0].RunningUnit, 7);
    EXPECT_EQ(PathFinders[1].RunningUnit, 8);
    EXPECT_EQ(PathFinders[0].RouteIndex[3], -8);
    EXPECT_EQ(MainMap[0], 61);

    // From the frame loop only the key's own pause remains.
    KeyState[KEY_F1] = 1;
    clock = HeadlessClock();
    RunFrame();
    EXPECT_NEAR(HeadlessClock() - clock, 0.35, 1e-6);
    KeyState[KEY_F3] = 1;
    clock = HeadlessClock();
    RunFrame();
    EXPECT_NEAR(HeadlessClock() - clock, 0.35, 1e-6);
}

TEST_F(SlotTest, FunctionKeysSaveAndLoadTheirSlotsWithTheirPause)
{
    for (size_t i = 0; i < GRID_FILE; ++i)
        MainMap[i] = static_cast<uint8_t>(i % 251);
    ViewX = 100;
    ViewY = 200;
    ViewLayer = 1;
    KeyState[KEY_F2] = 1;
    double clock = HeadlessClock();
    RunFrame();
    EXPECT_NEAR(HeadlessClock() - clock, 5.35, 1e-6);
    EXPECT_TRUE(fs::exists(SlotFile(2, "variables")));
    EXPECT_FALSE(fs::exists(SlotFile(1, "variables")));

    std::memset(MainMap, 0, GRID_FILE);
    ViewX = 0;
    KeyState[KEY_F4] = 1;
    clock = HeadlessClock();
    RunFrame();
    EXPECT_NEAR(HeadlessClock() - clock, 5.35, 1e-6);
    EXPECT_EQ(MainMap[GRID_FILE - 1], static_cast<uint8_t>((GRID_FILE - 1) % 251));
    EXPECT_EQ(MainMap[12345], static_cast<uint8_t>(12345 % 251));
    EXPECT_EQ(ViewX, 100);
}

TEST_F(SlotTest, ProgressScreenIsTheMapWithTheMessageInYellow)
{
    // No units and no art in this folder: the map view leaves the screen black.
    std::memset(ScreenBuffer, 0x77, static_cast<size_t>(ScreenWidth) * ScreenHeight * 4);
    SaveMap(1);
    EXPECT_STREQ(TextBuffer, "Saving variables.");
    const std::vector<uint8_t>& frame = HeadlessLastFrame();
    ASSERT_EQ(frame.size(), static_cast<size_t>(640 * 480 * 4));
    size_t yellow = 0;
    size_t stray = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const uint8_t* p = &frame[(static_cast<size_t>(y) * 640 + x) * 4];
            bool is_yellow = p[0] == 255 && p[1] == 255 && p[2] == 0 && p[3] == 255;
            bool in_text = x >= 20 && x < 20 + 8 * 17 && y >= 88 && y <= 99;
            if (is_yellow && in_text)
                ++yellow;
            else if (p[0] | p[1] | p[2] | p[3])
                ++stray;
        }
    }
    EXPECT_GT(yellow, 100u);
    EXPECT_EQ(stray, 0u);

    LoadMap(1);
    EXPECT_STREQ(TextBuffer, "Loading variables.");
}

TEST_F(SlotTest, LeftoverTemporaryFilesDoNotLeakIntoTheSave)
{
    // What a save killed earlier may have left behind, longer than the real file.
    WriteBytes(dir_ / "map" / "1.unit.tmp", std::vector<uint8_t>(1000000, 0x5A));
    WriteBytes(dir_ / "map" / "1.variables.tmp", std::vector<uint8_t>(64, 0x5A));
    CurrentUnit = 42;
    SaveMap(1);
    EXPECT_EQ(fs::file_size(SlotFile(1, "unit")), 570000u);
    std::vector<uint8_t> vars = ReadBytes(SlotFile(1, "variables"));
    ASSERT_EQ(vars.size(), 16u);
    EXPECT_EQ(LittleWord(vars, 12), 42u);
    EXPECT_FALSE(fs::exists(dir_ / "map" / "1.unit.tmp"));
    EXPECT_FALSE(fs::exists(dir_ / "map" / "1.variables.tmp"));
}
