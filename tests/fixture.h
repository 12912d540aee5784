// The one fixture, and helpers shared by the tests (HACKING.md).
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/console.h"
#include "app/input.h"
#include "app/random.h"
#include "app/rules.h"
#include "app/shell.h"
#include "assets/bitmap.h"
#include "assets/sound.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "persist/save.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "units/combat.h"
#include "world/grid.h"
#include "world/mapview.h"
#include "world/pathfind.h"

namespace fs = std::filesystem;
using PixelSet = std::set<std::pair<int32_t, int32_t>>;

// The runtime's generator again, so that expected rolls do not come from the code under test.
struct Rolls {
    uint32_t state;
    explicit Rolls(uint32_t seed) : state(seed) {}
    int32_t operator()()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 32767u);
    }
};

// Pixels of a buffer (row 0 at the bottom) drawn on, or of the colour asked for.
inline PixelSet Lit(const uint8_t* buffer = ScreenBuffer, int32_t rgb = -1)
{
    PixelSet lit;
    for (int32_t y = 0; y < ScreenHeight; ++y)
        for (int32_t x = 0; x < ScreenWidth; ++x) {
            const uint8_t* p = buffer + (static_cast<size_t>(y) * ScreenWidth + x) * 4;
            if (rgb < 0 ? p[3] != 0 : (p[0] << 16 | p[1] << 8 | p[2]) == rgb)
                lit.insert({x, y});
        }
    return lit;
}

class GameTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        HeadlessReset();
        FrameCounter = 1; // neither a beat nor a movement tick
        QuitRequested = ConsoleOpen = ScreenSaverOn = ConsoleSubmitted = ViewX = ViewY = CurrentUnit = 0;
        MonsterCyclePeriod = 30.0f;
        std::tie(MiniMapOn, MiniMapX, MiniMapY, ShowCursorCross, ViewLayer) = std::make_tuple(1, 518, 338, 1, 1);
        ClearInputFlags();
        PrepareStartUp();
    }
    void TearDown() override
    {
        FreeWorld();
        if (!home_.empty()) {
            fs::current_path(home_);
            fs::remove_all(dir_);
        }
    }
    Unit& Place(int32_t u, uint16_t faction, int32_t x, int32_t y, int32_t layer = 1)
    {
        Unit& unit = UnitTable[u];
        std::tie(unit.in_use, unit.faction, unit.cell_x, unit.cell_y, unit.layer, unit.move_state) =
            std::make_tuple(1, faction, x, y, layer, MOVE_IDLE);
        std::tie(unit.hit_points, unit.max_hit_points, unit.attack) = std::make_tuple(8.0f, 8.0f, 3.0f);
        return unit;
    }
    uint8_t& Cell(int32_t x, int32_t y, int32_t layer = 1) { return MainMap[CellIndex(x, y, layer)]; }
    uint8_t& Flag(int32_t x, int32_t y, int32_t layer = 1) { return FlagMap[CellIndex(x, y, layer)]; }
    size_t Sounds(const char* path)
    {
        const auto& all = HeadlessSounds();
        return std::count_if(all.begin(), all.end(), [path](const HeadlessSound& s) { return s.path == path; });
    }
    fs::path home_, dir_;
};

// The same in a fresh current folder with an empty "map" folder.
class InScratchDir : public GameTest
{
  protected:
    void SetUp() override
    {
        GameTest::SetUp();
        home_ = fs::current_path();
        dir_ = fs::temp_directory_path() / ("gamevrak-test-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_ / "map");
        fs::current_path(dir_);
    }
};
