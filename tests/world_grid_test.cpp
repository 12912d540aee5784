#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "units/unit.h"
#include "world/grid.h"

namespace
{

// Fresh zero-filled grids of the real size, released again at the end of a test.
struct Grids {
    Grids()
    {
        WorldSide = 1024;
        LayerCells = WorldSide * WorldSide;
        WorldLayers = 3;
        AllocateGrids();
    }
    ~Grids() { FreeGrids(); }
    size_t Count(int32_t layer, uint8_t code) const
    {
        size_t n = 0;
        for (int32_t i = 0; i < LayerCells; ++i)
            n += MainMap[static_cast<size_t>(layer) * LayerCells + i] == code;
        return n;
    }
};

} // namespace

TEST(WorldGrid, FlatIndexIsLayerRowColumnAndWrapsSignedPositions)
{
    WorldSide = 1024;
    LayerCells = WorldSide * WorldSide;
    EXPECT_EQ(CellIndex(1, 0, 0), 1);
    EXPECT_EQ(CellIndex(0, 1, 0), 1024);
    EXPECT_EQ(CellIndex(0, 0, 1), 1048576);
    EXPECT_EQ(CellIndex(1023, 1023, 2), 3 * 1048576 - 1);
    // Negative positions of the generation passes: the end of the row before, the end of layer 0.
    EXPECT_EQ(CellIndex(-1, 5, 1), CellIndex(1023, 4, 1));
    EXPECT_EQ(CellIndex(-2, 0, 1), CellIndex(1022, 1023, 0));
    EXPECT_EQ(CellIndex(7, -2, 1), CellIndex(7, 1022, 0));
}

TEST(WorldGrid, GridsStartZeroFilled)
{
    Grids g;
    ASSERT_NE(MainMap, nullptr);
    ASSERT_NE(FlagMap, nullptr);
    size_t cells = static_cast<size_t>(LayerCells) * WorldLayers;
    for (size_t i = 0; i < cells; ++i)
        ASSERT_EQ(MainMap[i] | FlagMap[i], 0) << "cell " << i;
}

TEST(WorldGrid, OutlineRectWritesOnlyTheBorderInsideTheGrid)
{
    Grids g;
    EXPECT_EQ(OutlineRect(0, 0, WorldSide - 1, WorldSide - 1, 1, CELL_WALL), 0);
    EXPECT_EQ(g.Count(1, CELL_WALL), static_cast<size_t>(4 * WorldSide - 4));
    EXPECT_EQ(g.Count(0, CELL_WALL), 0u);
    EXPECT_EQ(g.Count(2, CELL_WALL), 0u);
    for (int32_t k = 0; k < WorldSide; ++k) {
        ASSERT_EQ(MainMap[CellIndex(k, 0, 1)], CELL_WALL);
        ASSERT_EQ(MainMap[CellIndex(k, WorldSide - 1, 1)], CELL_WALL);
        ASSERT_EQ(MainMap[CellIndex(0, k, 1)], CELL_WALL);
        ASSERT_EQ(MainMap[CellIndex(WorldSide - 1, k, 1)], CELL_WALL);
    }

    // A rectangle hanging over the corner: only its two visible border lines are written.
    std::memset(MainMap, 0, static_cast<size_t>(LayerCells) * WorldLayers);
    OutlineRect(-5, -5, 3, 2, 0, CELL_DOOR);
    EXPECT_EQ(g.Count(0, CELL_DOOR), 6u); // column 3 for rows 0..2 and row 2 for columns 0..3
    EXPECT_EQ(MainMap[CellIndex(3, 0, 0)], CELL_DOOR);
    EXPECT_EQ(MainMap[CellIndex(0, 2, 0)], CELL_DOOR);
    EXPECT_EQ(MainMap[CellIndex(2, 1, 0)], 0);
    EXPECT_EQ(MainMap[CellIndex(0, 0, 0)], 0);

    // Far outside, reversed, on a missing layer, or enormous: nothing written, nothing read outside.
    std::memset(MainMap, 0, static_cast<size_t>(LayerCells) * WorldLayers);
    OutlineRect(2000, 5, 3000, 9, 1, CELL_WALL);
    OutlineRect(9, 9, 2, 2, 1, CELL_WALL);
    OutlineRect(0, 0, 10, 10, 3, CELL_WALL);
    OutlineRect(0, 0, 10, 10, -1, CELL_WALL);
    EXPECT_EQ(g.Count(0, CELL_WALL) + g.Count(1, CELL_WALL) + g.Count(2, CELL_WALL), 0u);
    OutlineRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 2, CELL_FLOOR);
    EXPECT_EQ(g.Count(2, CELL_FLOOR), 0u); // its border lies wholly outside the grid

    // A single cell and a single line.
    OutlineRect(500, 600, 500, 600, 2, CELL_TORCH);
    OutlineRect(10, 20, 14, 20, 2, CELL_LEVER);
    EXPECT_EQ(g.Count(2, CELL_TORCH), 1u);
    EXPECT_EQ(g.Count(2, CELL_LEVER), 5u);
}

TEST(WorldGrid, TerrainCostTable)
{
    InitTerrainCost();
    const std::map<int, float> priced = {
        {11, 9},  {12, 18},   {13, 42},   {14, 16},   {15, 50},   {16, 28},    {17, 30},
        {18, 18}, {19, 300},  {20, 400},  {21, 15},   {22, 1},    {61, 12000}, {70, 12000},
        {82, 20}, {180, 180}, {181, 180}, {182, 180}, {183, 180}, {184, 180},
    };
    for (int code = 0; code < 256; ++code) {
        auto it = priced.find(code);
        EXPECT_EQ(TerrainCost[code], it == priced.end() ? 3.0f : it->second) << "code " << code;
    }
}

TEST(WorldGrid, MapTileOfEveryCode)
{
    const std::map<int, int> tiles = {
        {10, 10},   {11, 11},   {12, 12},   {13, 13},   {14, 14},   {15, 15},   {16, 16},   {17, 17},   {19, 19},
        {20, 20},   {21, 21},   {22, 22},   {23, 23},   {24, 24},   {60, 119},  {61, 111},  {68, 118},  {70, 128},
        {76, 137},  {77, 136},  {78, 131},  {79, 130},  {80, 132},  {81, 133},  {82, 148},  {83, 149},  {84, 134},
        {85, 135},  {86, 122},  {87, 123},  {88, 124},  {89, 125},  {90, 120},  {91, 121},  {100, 167}, {108, 140},
        {109, 142}, {111, 141}, {112, 144}, {113, 146}, {116, 145}, {128, 152}, {161, 126}, {162, 127}, {180, 180},
        {181, 181}, {182, 182}, {183, 183}, {184, 184}, {188, 188}, {189, 189}, {190, 190}, {191, 191}, {192, 192},
        {193, 193}, {194, 194}, {196, 196}, {197, 197}, {198, 198}, {211, 160}, {212, 161}, {218, 155}, {219, 156},
    };
    for (int code = 0; code < 256; ++code) {
        if (code == LAND_HILLS)
            continue;
        auto it = tiles.find(code);
        EXPECT_EQ(TileForCode(static_cast<uint8_t>(code), 1), it == tiles.end() ? -1 : it->second) << "code " << code;
    }
    EXPECT_EQ(TileForCode(LAND_HILLS, 0), 12);
    EXPECT_EQ(TileForCode(LAND_HILLS, 1), 18);
    EXPECT_EQ(TileForCode(LAND_HILLS, 2), 17);
    EXPECT_EQ(TileForCode(CELL_WALL, 0), TileForCode(CELL_WALL, 2));
}

TEST(WorldUnits, RecordFieldWidthsAndSignedness)
{
    Unit u{};
    EXPECT_EQ(sizeof u.in_use, 1u);
    EXPECT_EQ(sizeof u.spare_word, 4u);
    EXPECT_EQ(sizeof u.cell_x, 2u);
    EXPECT_EQ(sizeof u.dest_unit, 2u);
    EXPECT_EQ(sizeof u.event_frame, 4u);
    // Signedness shows in how a stored -1 reads back.
    u.target_unit = -1;
    u.keys = -1;
    u.quest = -1;
    u.gold_reward = -1;
    u.last_spell_frame = -1;
    u.route_order = -1;
    EXPECT_LT(u.target_unit + u.keys + u.quest + u.gold_reward + u.last_spell_frame + u.route_order, 0);
    u.cell_x = static_cast<uint16_t>(-1);
    u.event_frame = static_cast<uint32_t>(-1);
    u.dest_unit = static_cast<uint16_t>(-1);
    EXPECT_EQ(u.cell_x, 65535);
    EXPECT_EQ(u.dest_unit, 65535);
    EXPECT_EQ(u.event_frame, 4294967295u);
    u.gold = 16777217.0f; // a 32-bit float cannot hold this exactly
    EXPECT_EQ(u.gold, 16777216.0f);
}

TEST(WorldUnits, FindUnitAtAnswersTheLowestIndexAndZeroForNone)
{
    int32_t saved = MaxUnits;
    MaxUnits = 3000;
    AllocateUnitTable();
    ASSERT_NE(UnitTable, nullptr);
    EXPECT_EQ(UnitTable[2999].in_use, 0);
    EXPECT_EQ(UnitTable[2999].target_unit, 0);

    // Every zeroed record stands on (0, 0, 0): unit 0 is first, which reads as none.
    EXPECT_EQ(FindUnitAt(0, 0, 0), 0);
    for (int32_t u = 0; u < MaxUnits; ++u)
        UnitTable[u].layer = 1;
    UnitTable[0].cell_x = 40;
    UnitTable[0].cell_y = 41;
    EXPECT_EQ(FindUnitAt(40, 41, 1), 0);

    UnitTable[9].cell_x = 7;
    UnitTable[9].cell_y = 8;
    UnitTable[5].cell_x = 7;
    UnitTable[5].cell_y = 8;
    UnitTable[5].hit_points = -3.0f; // the dead are found like the living
    EXPECT_EQ(FindUnitAt(7, 8, 1), 5);
    EXPECT_EQ(FindUnitAt(7, 8, 2), 0);
    EXPECT_EQ(FindUnitAt(8, 7, 1), 0);

    UnitTable[2999].cell_x = 1023;
    UnitTable[2999].cell_y = 1023;
    UnitTable[2999].layer = 2;
    EXPECT_EQ(FindUnitAt(1023, 1023, 2), 2999);
    // Arguments beyond the 16-bit fields match nothing.
    EXPECT_EQ(FindUnitAt(7 + 65536, 8, 1), 0);
    FreeUnitTable();
    MaxUnits = saved;
}
