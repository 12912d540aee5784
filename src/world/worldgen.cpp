#include "world/worldgen.h"

#include "app/random.h"
#include "world/grid.h"

namespace
{

// Positions of the layer-1 passes are used as drawn, -2 to WorldSide - 3, through
// the flat index: a negative x lands at the end of the row before, a negative y
// in the last rows of layer 0. Every index and its four neighbours stay in the grid.
inline int32_t DrawLayerOneIndex()
{
    int32_t x = Rand() % WorldSide - 2;
    int32_t y = Rand() % WorldSide - 2;
    return LayerCells + y * WorldSide + x;
}

void FillNoise(uint8_t* map, int32_t cells)
{
    for (int32_t i = 0; i < cells; ++i)
        map[i] = Rand() % 3 == 1 ? CELL_WALL : CELL_FLOOR;
}

// Closes one-cell gaps between two walls.
void FillGaps(uint8_t* map, int32_t tries)
{
    const int32_t side = WorldSide;
    for (int32_t t = 0; t < tries; ++t) {
        int32_t i = DrawLayerOneIndex();
        int32_t d = Rand() % 2 + 1;
        if (map[i] != CELL_FLOOR)
            continue;
        if (d == 1 ? (map[i + side] == CELL_WALL && map[i - side] == CELL_WALL)
                   : (map[i + 1] == CELL_WALL && map[i - 1] == CELL_WALL))
            map[i] = CELL_WALL;
    }
}

// The lock roll; the passage along y has a narrower fourth band, so r = 9 draws nothing there.
uint8_t RollLockLevel(int32_t d)
{
    int32_t r = Rand() % 12 + 1;
    if (r == 1)
        return static_cast<uint8_t>(Rand() % 12 + 4);
    if (r == 2)
        return static_cast<uint8_t>(Rand() % 12);
    if (r <= 4)
        return static_cast<uint8_t>(Rand() % 9);
    if (r <= (d == 1 ? 9 : 8))
        return static_cast<uint8_t>(Rand() % 6 + 1);
    return 0;
}

void PlaceDoors(uint8_t* map, uint8_t* flags, int32_t tries)
{
    const int32_t side = WorldSide;
    for (int32_t t = 0; t < tries; ++t) {
        int32_t i = DrawLayerOneIndex();
        int32_t d = Rand() % 2 + 1;
        if (map[i] != CELL_FLOOR)
            continue;
        // d = 1: a passage along x, walled above and below; d = 2: along y, walled left and right.
        uint8_t along = d == 1 ? CELL_FLOOR : CELL_WALL;
        uint8_t across = d == 1 ? CELL_WALL : CELL_FLOOR;
        if (map[i + 1] != along || map[i - 1] != along || map[i + side] != across || map[i - side] != across)
            continue;
        map[i] = CELL_DOOR;
        flags[i] = RollLockLevel(d);
    }
}

void Scatter(const uint8_t* map, uint8_t* flags, int32_t tries, uint8_t what)
{
    for (int32_t t = 0; t < tries; ++t) {
        int32_t i = DrawLayerOneIndex();
        if (map[i] == CELL_FLOOR)
            flags[i] = what;
    }
}

} // namespace

void BuildStartWorld()
{
    Srand(99);
    FillNoise(MainMap, LayerCells * WorldLayers);
    OutlineRect(0, 0, WorldSide - 1, WorldSide - 1, 1, CELL_WALL);
    FillGaps(MainMap, 1400000);
    PlaceDoors(MainMap, FlagMap, 1000000);
    Scatter(MainMap, FlagMap, 4000, FLAG_KEY);
    Scatter(MainMap, FlagMap, 2000, FLAG_GOLD);
    Scatter(MainMap, FlagMap, 400, FLAG_QUEST);
    Scatter(MainMap, FlagMap, 400, FLAG_HEALTH_VIAL);
}
