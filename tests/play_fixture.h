// A hand-made world for the play and combat tests: every unit a live bystander
// parked out of the way, a floor field on layer 1, and input driven directly.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "app/input.h"
#include "app/random.h"
#include "app/shell.h"
#include "platform/headless/headless.h"
#include "units/combat.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

// The runtime library's generator, written out again so that expected rolls do
// not come from the code under test.
struct ExpectedRolls {
    uint32_t state;
    explicit ExpectedRolls(uint32_t seed) : state(seed) {}
    int32_t Next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 32767u);
    }
};

class PlayWorld : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        HeadlessReset();
        PrepareStartUp();
        FrameCounter = 1; // not a beat, not a movement tick
        CurrentUnit = 0;
        ViewX = 0;
        ViewY = 0;
        ViewLayer = 1;
        MonsterCyclePeriod = 30.0f;
        ConsoleOpen = 0;
        ShowCursorCross = 1;
        ClearInputFlags();
        for (int32_t u = 0; u < MaxUnits; ++u) {
            Unit& b = UnitTable[u];
            b.in_use = 1;
            b.faction = 0;
            b.hit_points = 1.0f;
            b.max_hit_points = 1.0f;
            b.layer = 0;
            b.target_unit = -1;
            b.route_order = ROUTE_NO_ORDER;
        }
        for (int32_t y = 1; y < 200; ++y)
            for (int32_t x = 1; x < 200; ++x)
                MainMap[CellIndex(x, y, 1)] = CELL_FLOOR;
    }
    void TearDown() override { FreeWorld(); }

    Unit& Place(int32_t u, uint16_t faction, int32_t x, int32_t y, int32_t layer = 1)
    {
        Unit& unit = UnitTable[u];
        unit.faction = faction;
        unit.cell_x = static_cast<uint16_t>(x);
        unit.cell_y = static_cast<uint16_t>(y);
        unit.layer = static_cast<uint16_t>(layer);
        unit.hit_points = 8.0f;
        unit.max_hit_points = 8.0f;
        unit.attack = 3.0f;
        unit.move_state = MOVE_IDLE;
        return unit;
    }
    // The pointer over the middle of a cell of the current view.
    void PointAt(int32_t x, int32_t y) { HeadlessSetPointer((x - ViewX) * 16 + 8, (y - ViewY) * 16 + 8); }
    void Press(int32_t key) { KeyState[key] = 1; }
    size_t SoundsOf(const char* path)
    {
        size_t n = 0;
        for (const HeadlessSound& s : HeadlessSounds())
            n += s.path == path;
        return n;
    }
    int32_t ActiveEffects(int32_t kind)
    {
        int32_t n = 0;
        for (int32_t i = 0; i < MaxEffects; ++i)
            n += EffectTable[i].active == 1 && EffectTable[i].kind == kind;
        return n;
    }
};
