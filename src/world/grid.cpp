#include "world/grid.h"

#include <cstdlib>

int32_t WorldSide = 1024;
int32_t LayerCells = 1024 * 1024;
int32_t WorldLayers = 3;
uint8_t* MainMap = nullptr;
uint8_t* FlagMap = nullptr;
float TerrainCost[256];

void AllocateGrids()
{
    size_t cells = static_cast<size_t>(LayerCells) * static_cast<size_t>(WorldLayers);
    MainMap = static_cast<uint8_t*>(std::calloc(cells, 1));
    FlagMap = static_cast<uint8_t*>(std::calloc(cells, 1));
}

void FreeGrids()
{
    std::free(MainMap);
    std::free(FlagMap);
    MainMap = nullptr;
    FlagMap = nullptr;
}

void InitTerrainCost()
{
    for (float& c : TerrainCost)
        c = 3.0f;
    TerrainCost[LAND_FOREST] = 9.0f;
    TerrainCost[LAND_FOREST_FRUIT] = 18.0f;
    TerrainCost[LAND_FOREST_GRAY] = 42.0f;
    TerrainCost[LAND_WATER] = 16.0f;
    TerrainCost[LAND_WATER_DEEP] = 50.0f;
    TerrainCost[LAND_SWAMP] = 28.0f;
    TerrainCost[LAND_DESERT] = 30.0f;
    TerrainCost[LAND_HILLS] = 18.0f;
    TerrainCost[LAND_MOUNTAIN] = 300.0f;
    TerrainCost[LAND_MOUNTAIN_HIGH] = 400.0f;
    TerrainCost[LAND_FOREST_LEAF] = 15.0f;
    TerrainCost[LAND_ROAD] = 1.0f;
    TerrainCost[CELL_WALL] = 12000.0f;
    TerrainCost[CELL_DOOR] = 12000.0f;
    TerrainCost[CELL_TRAP] = 20.0f;
    for (int code = SITE_VILLAGE; code <= SITE_VILLAGE_RED; ++code)
        TerrainCost[code] = 180.0f;
}

int OutlineRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t layer, uint8_t code)
{
    if (layer < 0 || layer >= WorldLayers || x0 > x1 || y0 > y1)
        return 0;
    // Clip to the grid first, so that a huge rectangle costs no more than its visible border.
    const int32_t cx0 = x0 < 0 ? 0 : x0;
    const int32_t cy0 = y0 < 0 ? 0 : y0;
    const int32_t cx1 = x1 > WorldSide - 1 ? WorldSide - 1 : x1;
    const int32_t cy1 = y1 > WorldSide - 1 ? WorldSide - 1 : y1;
    if (cx0 > cx1 || cy0 > cy1)
        return 0;
    uint8_t* grid = MainMap + static_cast<size_t>(layer) * static_cast<size_t>(LayerCells);
    for (int32_t y = cy0; y <= cy1; ++y) {
        uint8_t* row = grid + static_cast<size_t>(y) * static_cast<size_t>(WorldSide);
        if (y == y0 || y == y1) {
            for (int32_t x = cx0; x <= cx1; ++x)
                row[x] = code;
            continue;
        }
        if (x0 == cx0)
            row[x0] = code;
        if (x1 == cx1)
            row[x1] = code;
    }
    return 0;
}

int32_t TileForCode(uint8_t code, int32_t layer)
{
    // Most landscape and site codes draw the bitmap of the same number.
    if (code == LAND_HILLS)
        return layer == 0 ? 12 : (layer == 2 ? 17 : 18);
    if ((code >= LAND_PLAIN && code <= LAND_FOREST_C) || (code >= SITE_VILLAGE && code <= SITE_VILLAGE_RED) ||
        (code >= SITE_RUIN && code <= SITE_WELL) || (code >= SITE_DUNGEON && code <= SITE_RIFT))
        return code;
    switch (code) {
    case CELL_FLOOR: return 119;
    case CELL_WALL: return 111;
    case CELL_MARBLE_FLOOR: return 118;
    case CELL_DOOR: return 128;
    case CELL_STAIRS_UP: return 137;
    case CELL_STAIRS_DOWN: return 136;
    case CELL_SOURCE_COMPLETE: return 131;
    case CELL_SOURCE: return 130;
    case CELL_SPAWN: return 132;
    case CELL_SPAWN_COMPLETE: return 133;
    case CELL_TRAP: return 148;
    case CELL_TRAP_DISABLED: return 149;
    case CELL_FOUNTAIN: return 134;
    case CELL_FOUNTAIN_DRANK: return 135;
    case CELL_CANDELABRUM: return 122;
    case CELL_CANDELABRUM_EXTINCT: return 123;
    case CELL_COFFIN: return 124;
    case CELL_COFFIN_OPEN: return 125;
    case CELL_CHEST: return 120;
    case CELL_CHEST_OPEN: return 121;
    case CELL_SCROLLS: return 167;
    case CELL_CIRCLE: return 140;
    case CELL_CIRCLE_AFLAMED: return 142;
    case CELL_CIRCLE_GOLDEN: return 141;
    case CELL_ALTAR: return 144;
    case CELL_ALTAR_DARK: return 146;
    case CELL_ALTAR_JEWELED: return 145;
    case CELL_TORCH: return 152;
    case CELL_FLOOR_BONES: return 126;
    case CELL_FLOOR_BONES_CLEANED: return 127;
    case CELL_SOURCE_PLAIN: return 160;
    case CELL_SOURCE_RED: return 161;
    case CELL_GEAR_MECHANISM: return 155;
    case CELL_LEVER: return 156;
    default: return -1;
    }
}
