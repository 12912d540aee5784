// Slots written by someone else: every value in them may be anything. The game
// must load them and keep playing without a stray access; run this under the
// sanitizer build too, where a miss aborts with its report.
#include <cmath>
#include <cstring>
#include <limits>

#include "app/input.h"
#include "persist/save.h"
#include "persist/unit_record.h"
#include "persist_support.h"
#include "platform/headless/headless.h"

using namespace persist_test;
namespace fs = std::filesystem;

namespace
{
constexpr size_t RECORD = 190;
constexpr size_t GRID_FILE = 3u * 1024u * 1024u;
constexpr size_t ROUTE_FILE = 144024000u;
constexpr size_t ROUTE_ARRAY = 36000000u;

void PutWord(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutHalf(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void PutFloat(std::vector<uint8_t>& b, size_t at, float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    PutWord(b, at, bits);
}

std::vector<uint8_t> Noise(size_t n, uint32_t salt)
{
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i + 4 <= n; i += 4)
        PutWord(b, i, Mix(static_cast<uint32_t>(i / 4), salt));
    return b;
}

void Variables(const fs::path& map, int32_t x, int32_t y, int32_t layer, int32_t unit)
{
    std::vector<uint8_t> b(16);
    PutWord(b, 0, static_cast<uint32_t>(x));
    PutWord(b, 4, static_cast<uint32_t>(y));
    PutWord(b, 8, static_cast<uint32_t>(layer));
    PutWord(b, 12, static_cast<uint32_t>(unit));
    WriteBytes(map / "1.variables", b);
}

// Units with every troublesome value at once: off-map cells and layers, chase
// targets outside the table, rewards of nothing, attacks that are not numbers.
void ExtremeUnits(const fs::path& map)
{
    std::vector<uint8_t> b = ReadBytes(map / "1.unit");
    const float attacks[] = {std::numeric_limits<float>::quiet_NaN(), -5.0f, 0.0f, 1e30f,
                             std::numeric_limits<float>::infinity(),  0.5f};
    const float health[] = {
        std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 5.0f, -1e30f, 1e30f, 0.0f};
    const uint16_t layers[] = {65535, 3, 1, 2, 0, 1};
    const uint16_t cells[] = {65535, 1023, 1024, 0, 500, 1022};
    const int16_t targets[] = {-1, 32767, 3000, -32768, 0, 1};
    for (size_t u = 0; u < 3000; ++u) {
        size_t r = u * RECORD;
        b[r + 1] = 1; // in_use
        PutHalf(b, r + 2, u % 5 == 0 ? 1 : 3);
        PutHalf(b, r + 4, static_cast<uint16_t>(u % 4 == 0 ? 65535 : 3099 + u % 3));
        b[r + 8] = 0;                           // hidden
        b[r + 9] = static_cast<uint8_t>(u % 4); // champion
        PutWord(b, r + 10, u % 2 ? 0xFFFFFFFFu : 0x80000000u);
        PutFloat(b, r + 18, health[(u + 3) % 6]);                          // gold
        PutFloat(b, r + 22, health[u % 6]);                                // hit_points
        PutFloat(b, r + 26, health[(u + 2) % 6] * 0.0f);                   // max_hit_points: 0 or NaN
        PutHalf(b, r + 30, static_cast<uint16_t>(u % 3 ? 32767 : 0x8000)); // keys
        PutHalf(b, r + 32, static_cast<uint16_t>(u % 3 ? 300 : 0xFFFB));   // quest
        PutHalf(b, r + 34, cells[(u + 1) % 6]);
        PutHalf(b, r + 36, cells[(u + 2) % 6]);
        PutHalf(b, r + 38, cells[(u + 3) % 6]);
        PutHalf(b, r + 40, cells[(u + 4) % 6]);
        // A few walkers; a search is costly, and every walker may start one.
        PutHalf(b, r + 44, static_cast<uint16_t>(u % 97 == 0 ? 1 : (u % 3 == 0 ? 2 : u % 7)));
        PutWord(b, r + 46, static_cast<uint32_t>(u % 2 ? 0 : -5));
        PutHalf(b, r + 50, static_cast<uint16_t>(targets[u % 6]));
        PutFloat(b, r + 60, attacks[u % 6]);
        PutHalf(b, r + 68, cells[u % 6]);
        PutHalf(b, r + 70, cells[(u + 5) % 6]);
        PutHalf(b, r + 72, layers[u % 6]);
    }
    WriteBytes(map / "1.unit", b);
}

// Route states that are no state at all, and route cells far off the map.
void ExtremeRoutes(const fs::path& map)
{
    std::vector<uint8_t> b = Noise(ROUTE_FILE, 77);
    const int32_t indices[] = {2999, 3000, INT32_MAX, INT32_MIN, -7, -2, 0, 1, 2997, -1, 100000};
    for (size_t p = 0; p < 2; ++p) {
        size_t base = p * (12000 + 2 * ROUTE_ARRAY);
        for (size_t u = 0; u < 3000; ++u)
            PutWord(b, base + 4 * u, static_cast<uint32_t>(u % 500 == 7 ? -8 : indices[u % 11]));
    }
    WriteBytes(map / "1.pathfind", b);
}

struct HostileCase {
    const char* name;
    void (*corrupt)(const fs::path& map);
};

const HostileCase CASES[] = {
    {"ViewAtIntLimits", [](const fs::path& m) { Variables(m, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX); }},
    {"CurrentUnitOutside", [](const fs::path& m) { Variables(m, -1, 5000, 3, -1); }},
    {"CurrentUnitFarOutside", [](const fs::path& m) { Variables(m, 984, 994, 2, 3000); }},
    {"RandomUnitBytes", [](const fs::path& m) { WriteBytes(m / "1.unit", Noise(570000, 11)); }},
    {"ExtremeUnitFields", ExtremeUnits},
    {"RandomRouteBytes", [](const fs::path& m) { WriteBytes(m / "1.pathfind", Noise(ROUTE_FILE, 12)); }},
    {"ExtremeRoutes", ExtremeRoutes},
    {"RandomGrids",
     [](const fs::path& m) {
         WriteBytes(m / "1.mainmap", Noise(GRID_FILE, 13));
         WriteBytes(m / "1.flagmap", Noise(GRID_FILE, 14));
     }},
    {"OddLengthsAndTails",
     [](const fs::path& m) {
         WriteBytes(m / "1.mainmap", Noise(GRID_FILE + 4097, 15));
         WriteBytes(m / "1.unit", Noise(570000 + 333, 16));
         fs::resize_file(m / "1.pathfind", 12000 + 4 * 12345 + 3);
         WriteBytes(m / "1.variables", Noise(17, 17));
     }},
    {"Everything",
     [](const fs::path& m) {
         ExtremeUnits(m);
         ExtremeRoutes(m);
         WriteBytes(m / "1.mainmap", Noise(GRID_FILE, 18));
         WriteBytes(m / "1.flagmap", Noise(GRID_FILE, 19));
         Variables(m, INT32_MIN, INT32_MAX, 65535, -32768);
     }},
};

class HostileLoadTest : public GameDirTest, public ::testing::WithParamInterface<HostileCase>
{
  protected:
    // Keys, clicks and pointer moves that reach every rule reading loaded values.
    void PlayFrame(int32_t i)
    {
        auto press = [](int32_t key) { KeyState[key] = 1; };
        HeadlessSetPointer((i * 37) % 640, (i * 53) % 480);
        if (i % 40 == 0) {
            press(KEY_F3); // load again, with the view keys in the same frame
            press(i % 80 ? KEY_UP : KEY_DOWN);
            press(i % 80 ? KEY_RIGHT : KEY_LEFT);
            press(i % 80 ? KEY_KEYPAD_PLUS : KEY_KEYPAD_MINUS);
        }
        if (i == 100) {
            press(KEY_F3); // two loads in one frame: the second draws over the first's values
            press(KEY_F4);
        }
        if (i % 5 == 1)
            LeftClick = 1;
        if (i % 5 == 3)
            RightClick = 1;
        if (i % 9 == 2)
            press(KEY_K);
        if (i % 9 == 4)
            press(KEY_D);
        if (i % 9 == 6)
            press(KEY_S);
        if (i % 23 == 5)
            press(KEY_LEFT_BRACKET);
        if (i % 23 == 15)
            press(KEY_RIGHT_BRACKET);
        if (i % 31 == 7) {
            HeadlessSetPointer(MiniMapX + 63, MiniMapY + 63);
            RightClick = 1;
        }
        if (i == 60 || i == 66)
            press(KEY_TAB);
        static const char* const lines[] = {"corner1", "env4emptyx1", "env4emptyy1", "env4teleport 5000 3 1",
                                            "su 2999"};
        if (i > 60 && i < 66) {
            std::snprintf(ConsoleLine, sizeof ConsoleLine, "%s", lines[i - 61]);
            ConsoleLength = static_cast<int32_t>(std::strlen(ConsoleLine));
            press(KEY_ENTER);
        }
        RunFrame();
    }
};
} // namespace

TEST_P(HostileLoadTest, GameKeepsRunningSilently)
{
    PopulateWorld();
    MonsterCyclePeriod = 3.0f;
    FrameCounter = 1000; // past the fire spell's first pause
    SaveMap(1);
    SaveMap(2);
    GetParam().corrupt(dir_ / "map");
    WriteBytes(dir_ / "map" / "2.unit", Noise(570000, 99));
    WriteBytes(dir_ / "map" / "2.variables", Noise(16, 98));

    int64_t presents = HeadlessPresentCount();
    for (int32_t i = 0; i < 240; ++i)
        PlayFrame(i);
    EXPECT_EQ(QuitRequested, 0);
    EXPECT_GE(HeadlessPresentCount(), presents + 240);
    EXPECT_EQ(FrameCounter, 1240);
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostileLoadTest, ::testing::ValuesIn(CASES),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });
