// The two world grids, their cell and flag codes and the terrain cost table.
#pragma once
#include <cstdint>

extern int32_t WorldSide;   // cells along each side of a layer (1024)
extern int32_t LayerCells;  // WorldSide * WorldSide
extern int32_t WorldLayers; // 3

extern uint8_t* MainMap; // cell codes, layer-major, then row, then column
extern uint8_t* FlagMap; // flag codes, same layout
extern float TerrainCost[256];

inline int32_t CellIndex(int32_t x, int32_t y, int32_t layer) { return layer * LayerCells + y * WorldSide + x; }

// Cell codes (MainMap values)
enum : uint8_t {
    CELL_EMPTY = 0,
    CELL_BLOCK = 1,
    CELL_GRASS = 2,
    CELL_DIRT = 3,
    CELL_CORNER = 4,
    LAND_PLAIN = 10,
    LAND_FOREST = 11,
    LAND_FOREST_FRUIT = 12,
    LAND_FOREST_GRAY = 13,
    LAND_WATER = 14,
    LAND_WATER_DEEP = 15,
    LAND_SWAMP = 16,
    LAND_DESERT = 17,
    LAND_HILLS = 18,
    LAND_MOUNTAIN = 19,
    LAND_MOUNTAIN_HIGH = 20,
    LAND_FOREST_LEAF = 21,
    LAND_ROAD = 22,
    LAND_FOREST_B = 23,
    LAND_FOREST_C = 24,
    CELL_FLOOR = 60,
    CELL_WALL = 61,
    CELL_MARBLE_FLOOR = 68,
    CELL_DOOR = 70,
    CELL_STAIRS_UP = 76,
    CELL_STAIRS_DOWN = 77,
    CELL_SOURCE_COMPLETE = 78,
    CELL_SOURCE = 79,
    CELL_SPAWN = 80,
    CELL_SPAWN_COMPLETE = 81,
    CELL_TRAP = 82,
    CELL_TRAP_DISABLED = 83,
    CELL_FOUNTAIN = 84,
    CELL_FOUNTAIN_DRANK = 85,
    CELL_CANDELABRUM = 86,
    CELL_CANDELABRUM_EXTINCT = 87,
    CELL_COFFIN = 88,
    CELL_COFFIN_OPEN = 89,
    CELL_CHEST = 90,
    CELL_CHEST_OPEN = 91,
    CELL_SCROLLS = 100,
    CELL_CIRCLE = 108,
    CELL_CIRCLE_AFLAMED = 109,
    CELL_CIRCLE_GOLDEN = 111,
    CELL_ALTAR = 112,
    CELL_ALTAR_DARK = 113,
    CELL_ALTAR_JEWELED = 116,
    CELL_TORCH = 128,
    CELL_FLOOR_BONES = 161,
    CELL_FLOOR_BONES_CLEANED = 162,
    SITE_VILLAGE = 180,
    SITE_VILLAGE_YELLOW = 181,
    SITE_VILLAGE_BLUE = 182,
    SITE_VILLAGE_GREEN = 183,
    SITE_VILLAGE_RED = 184,
    SITE_RUIN = 188,
    SITE_CASTLE = 189,
    SITE_GROTTO = 190,
    SITE_MINE = 191,
    SITE_IRON_MINE = 192,
    SITE_GROVE = 193,
    SITE_WELL = 194,
    SITE_DUNGEON = 196,
    SITE_LIGHT_TOWER = 197,
    SITE_RIFT = 198,
    CELL_SOURCE_PLAIN = 211,
    CELL_SOURCE_RED = 212,
    CELL_GEAR_MECHANISM = 218,
    CELL_LEVER = 219,
};

// Flag codes (FlagMap values). On a CELL_DOOR the flag is the lock level 0..15.
enum : uint8_t {
    FLAG_NONE = 0,
    FLAG_KEY = 1,
    FLAG_QUEST = 3,
    FLAG_GOLD = 5,
    FLAG_TREASURE = 6,
    FLAG_SEARCHED = 11,
    FLAG_HEALTH_VIAL = 12,
};

// Zero-filled grids of LayerCells * WorldLayers bytes each.
void AllocateGrids();
void FreeGrids();
void InitTerrainCost();
// Writes code into the border cells of the inclusive rectangle that lie inside the grid.
int OutlineRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t layer, uint8_t code);
// Bitmap id of the map tile for a cell code on a layer, or -1 when the code has no tile.
int32_t TileForCode(uint8_t code, int32_t layer);
