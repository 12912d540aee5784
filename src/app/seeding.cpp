#include "app/random.h"
#include "app/rules.h"
#include "units/unit.h"
#include "world/grid.h"

namespace
{

struct Species {
    uint16_t bitmap;
    float max_hit_points;
    float attack;
    int32_t gold_reward;
};

// Indexed by the species roll 1 to 15.
constexpr Species kSpecies[16] = {
    {0, 0.0f, 0.0f, 0},        {805, 8.0f, 2.0f, 30},     {824, 12.0f, 4.0f, 40},    {823, 14.0f, 4.0f, 50},
    {871, 24.0f, 6.0f, 70},    {830, 26.0f, 7.0f, 60},    {831, 36.0f, 8.0f, 80},    {870, 42.0f, 12.0f, 160},
    {863, 46.0f, 14.0f, 100},  {832, 50.0f, 8.0f, 120},   {876, 80.0f, 12.0f, 160},  {874, 100.0f, 15.0f, 200},
    {883, 120.0f, 18.0f, 180}, {903, 145.0f, 25.0f, 250}, {906, 168.0f, 30.0f, 250}, {904, 325.0f, 40.0f, 350},
};

constexpr uint16_t BITMAP_PARTY = 849;
constexpr uint16_t BITMAP_HYDRA = 904;
constexpr int32_t PLACEMENT_TRIES = 1000;
constexpr int32_t TREASURE_TRIES = 8;

// Every try is drawn even after a hit: the number of draws is part of the sequence.
void PlaceUnit(Unit& unit)
{
    unit.cell_x = 0;
    unit.cell_y = 0;
    unit.layer = 1;
    const int32_t span = WorldSide - 2;
    const uint8_t* layer = MainMap + static_cast<int32_t>(unit.layer) * LayerCells;
    for (int32_t t = 0; t < PLACEMENT_TRIES; ++t) {
        int32_t x = Rand() % span + 1;
        int32_t y = Rand() % span + 1;
        if (layer[y * WorldSide + x] == CELL_FLOOR) {
            unit.cell_x = static_cast<uint16_t>(x);
            unit.cell_y = static_cast<uint16_t>(y);
        }
    }
}

void ScatterTreasure(const Unit& unit)
{
    for (int32_t t = 0; t < TREASURE_TRIES; ++t) {
        int32_t x = Rand() % 6 - 3;
        int32_t y = Rand() % 6 - 3;
        x += unit.cell_x;
        y += unit.cell_y;
        if (x < 0 || y < 0 || x >= WorldSide - 1 || y >= WorldSide - 1)
            continue;
        int32_t i = CellIndex(x, y, unit.layer);
        if (MainMap[i] == CELL_FLOOR)
            FlagMap[i] = FLAG_TREASURE;
    }
}

} // namespace

void SeedUnits()
{
    for (int32_t u = 0; u < MaxUnits; ++u) {
        Unit& unit = UnitTable[u];
        PlaceUnit(unit);
        unit.in_use = 1;
        unit.faction = Rand() % 28 + 1 == 1 ? FACTION_PARTY : FACTION_MONSTER;
        unit.hit_points = 8.0f;
        unit.max_hit_points = 8.0f;
        unit.attack = 3.0f;
        unit.second_stat = 1.0f;
        if (unit.faction == FACTION_PARTY) {
            unit.bitmap = BITMAP_PARTY;
            unit.gold = 300.0f;
        } else {
            const Species& s = kSpecies[Rand() % 15 + 1];
            unit.bitmap = s.bitmap;
            unit.max_hit_points = s.max_hit_points;
            unit.attack = s.attack;
            unit.gold_reward = s.gold_reward;
            unit.hit_points = unit.max_hit_points;
        }
        if (unit.bitmap == BITMAP_HYDRA)
            ScatterTreasure(unit);
        unit.move_state = MOVE_IDLE;
        unit.hidden = 0;
        unit.champion = 0;
        unit.route_order = 9999;
    }
}
