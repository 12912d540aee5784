// The tile map, its overlays, route and units, the mini-map, and the three
// bitmap drawing operations, on bitmaps made here.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/input.h"
#include "app/shell.h"
#include "assets/bitmap.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "path_reference.h"
#include "platform/headless/headless.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/mapview.h"
#include "world/pathfind.h"

namespace
{

using Rgb = std::array<uint8_t, 3>;

Rgb Pixel(int32_t x, int32_t y)
{
    const uint8_t* p = ScreenBuffer + (static_cast<size_t>(y) * ScreenWidth + x) * 4;
    return {p[0], p[1], p[2]};
}

bool Drawn(int32_t x, int32_t y) { return ScreenBuffer[(static_cast<size_t>(y) * ScreenWidth + x) * 4 + 3] != 0; }

bool NothingDrawn()
{
    for (size_t i = 3; i < static_cast<size_t>(ScreenWidth) * ScreenHeight * 4; i += 4)
        if (ScreenBuffer[i] != 0)
            return false;
    return true;
}

// A colour that tells bitmaps apart and is never a colour key.
Rgb IdColour(int32_t id) { return {static_cast<uint8_t>(id & 0xFF), static_cast<uint8_t>((id >> 8) + 1), 77}; }

void MakeBitmap(int32_t id, uint32_t width, uint32_t height, Rgb (*colour)(int32_t id, uint32_t c, uint32_t r))
{
    BitmapSlot& slot = BitmapSlots[id];
    std::free(slot.pixels);
    slot.pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * height * 3));
    slot.width = width;
    slot.height = height;
    slot.bytes_per_pixel = 3;
    for (uint32_t r = 0; r < height; ++r)
        for (uint32_t c = 0; c < width; ++c) {
            Rgb v = colour(id, c, r);
            std::copy(v.begin(), v.end(), slot.pixels + (static_cast<size_t>(r) * width + c) * 3);
        }
}

Rgb Plain(int32_t id, uint32_t, uint32_t) { return IdColour(id); }

// Keyed pictures: a magenta-key left column, a black bottom row, the rest the id colour.
Rgb WithKeys(int32_t id, uint32_t c, uint32_t r)
{
    if (c == 0)
        return {255, 0, 246};
    if (r == 0)
        return {0, 0, 0};
    return IdColour(id);
}

Rgb Gradient(int32_t, uint32_t c, uint32_t r)
{
    return {static_cast<uint8_t>(c * 10 + 1), static_cast<uint8_t>(r * 10), 7};
}

class MapView : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        HeadlessReset();
        SetScreenSize(640, 480);
        ClearBuffer();
        AllocateBitmapSlots();
        saved_ = {ViewX, ViewY, ViewLayer, CurrentUnit, MiniMapOn, MiniMapX, MiniMapY};
        ViewX = 100;
        ViewY = 200;
        ViewLayer = 1;
        CurrentUnit = 0;
        MiniMapOn = 1;
        MiniMapX = 518;
        MiniMapY = 338;
    }
    void TearDown() override
    {
        FreeBitmapSlots();
        FreeScreenBuffers();
        ViewX = saved_[0];
        ViewY = saved_[1];
        ViewLayer = saved_[2];
        CurrentUnit = saved_[3];
        MiniMapOn = saved_[4];
        MiniMapX = saved_[5];
        MiniMapY = saved_[6];
        RightClick = 0;
    }
    void ClearBuffer() { std::memset(ScreenBuffer, 0, static_cast<size_t>(ScreenWidth) * ScreenHeight * 4); }
    uint8_t& Main(int32_t x, int32_t y, int32_t layer = 1) { return MainMap[CellIndex(x, y, layer)]; }
    uint8_t& Flag(int32_t x, int32_t y, int32_t layer = 1) { return FlagMap[CellIndex(x, y, layer)]; }
    Unit& PlaceUnit(int32_t u, int32_t x, int32_t y, uint16_t faction, float hp)
    {
        Unit& unit = UnitTable[u];
        unit.in_use = 1;
        unit.faction = faction;
        unit.cell_x = static_cast<uint16_t>(x);
        unit.cell_y = static_cast<uint16_t>(y);
        unit.layer = 1;
        unit.hit_points = hp;
        unit.max_hit_points = 8.0f;
        unit.bitmap = 849;
        return unit;
    }
    pathref::SmallWorld world_{1024, 40};
    std::array<int32_t, 7> saved_{};
};

} // namespace

TEST_F(MapView, TileDrawsASquareOfItsWidthBottomRowFirst)
{
    MakeBitmap(500, 16, 16, Gradient);
    DrawBitmapTile(32, 48, 500);
    EXPECT_EQ(Pixel(32, 48), (Rgb{1, 0, 7}));
    EXPECT_EQ(Pixel(32 + 15, 48), (Rgb{151, 0, 7}));
    EXPECT_EQ(Pixel(32 + 3, 48 + 15), (Rgb{31, 150, 7}));
    EXPECT_FALSE(Drawn(48, 48));
    EXPECT_FALSE(Drawn(32, 64));
    EXPECT_FALSE(Drawn(31, 48));
    // Opaque: key colours are drawn as they are.
    MakeBitmap(501, 16, 16, WithKeys);
    DrawBitmapTile(100, 100, 501);
    EXPECT_TRUE(Drawn(100, 110));
    EXPECT_EQ(Pixel(100, 110), (Rgb{255, 0, 246}));
    EXPECT_EQ(Pixel(105, 100), (Rgb{0, 0, 0}));
}

TEST_F(MapView, KeyedAndGreyLeaveKeyPixelsAndGreyIsTheChannelMean)
{
    MakeBitmap(501, 16, 16, WithKeys);
    DrawBitmapKeyed(100, 100, 501);
    EXPECT_FALSE(Drawn(100, 110)) << "magenta key";
    EXPECT_FALSE(Drawn(105, 100)) << "black key";
    EXPECT_EQ(Pixel(105, 110), IdColour(501));
    ClearBuffer();
    DrawBitmapGrey(100, 100, 501);
    Rgb c = IdColour(501);
    uint8_t grey = static_cast<uint8_t>((c[0] + c[1] + c[2]) / 3);
    EXPECT_EQ(Pixel(105, 110), (Rgb{grey, grey, grey}));
    EXPECT_FALSE(Drawn(100, 110));
    EXPECT_FALSE(Drawn(105, 100));
}

TEST_F(MapView, EmptyShortAndOddSlotsAreSafe)
{
    DrawBitmapTile(10, 10, 600); // never loaded
    DrawBitmapKeyed(10, 10, -1);
    DrawBitmapGrey(10, 10, BITMAP_SLOT_COUNT);
    BitmapSlots[601].width = 16; // a size without pixels
    BitmapSlots[601].height = 16;
    DrawBitmapTile(10, 10, 601);
    EXPECT_TRUE(NothingDrawn());
    // Fewer rows than columns: only the rows that exist are drawn.
    MakeBitmap(602, 16, 4, Gradient);
    DrawBitmapTile(10, 10, 602);
    EXPECT_TRUE(Drawn(10, 13));
    EXPECT_FALSE(Drawn(10, 14));
    // More rows than columns: a square of the width.
    MakeBitmap(603, 8, 30, Gradient);
    DrawBitmapKeyed(200, 10, 603);
    EXPECT_TRUE(Drawn(207, 17));
    EXPECT_FALSE(Drawn(208, 10));
    EXPECT_FALSE(Drawn(200, 18));
    // Off the buffer edges and far away.
    MakeBitmap(604, 16, 16, Gradient);
    DrawBitmapTile(-5, -5, 604);
    EXPECT_EQ(Pixel(0, 0), (Rgb{51, 50, 7}));
    DrawBitmapGrey(630, 470, 604);
    EXPECT_TRUE(Drawn(639, 479));
    DrawBitmapTile(INT32_MAX - 3, INT32_MIN + 2, 604);
    DrawBitmapKeyed(INT32_MIN, INT32_MAX, 604);
}

TEST_F(MapView, TilesFollowTheCellCodesAndHillsDifferByLayer)
{
    for (int32_t id : {12, 17, 18, 111, 119, 128, 180, 193})
        MakeBitmap(id, 16, 16, Plain);
    Main(100, 200) = CELL_FLOOR;
    Main(101, 200) = CELL_WALL;
    Main(100, 201) = SITE_VILLAGE;
    Main(102, 203) = LAND_HILLS;
    Main(139, 229) = SITE_GROVE;
    Main(103, 200) = CELL_BLOCK; // no tile
    DrawMapView();
    EXPECT_EQ(Pixel(0, 0), IdColour(119));
    EXPECT_EQ(Pixel(16 + 8, 8), IdColour(111));
    EXPECT_EQ(Pixel(3, 16 + 3), IdColour(180));
    EXPECT_EQ(Pixel(32 + 5, 48 + 5), IdColour(18));
    EXPECT_EQ(Pixel(624 + 15, 464 + 15), IdColour(193)) << "top-right cell of the view";
    EXPECT_FALSE(Drawn(48 + 5, 5));
    for (int32_t layer : {0, 2}) {
        ClearBuffer();
        ViewLayer = layer;
        Main(102, 203, layer) = LAND_HILLS;
        DrawMapView();
        EXPECT_EQ(Pixel(32 + 5, 48 + 5), IdColour(layer == 0 ? 12 : 17));
    }
}

TEST_F(MapView, TheLastClampedViewShowsTheLayerEdgeAndNothingBeyond)
{
    MakeBitmap(119, 16, 16, Plain);
    MakeBitmap(111, 16, 16, Plain);
    std::memset(MainMap + LayerCells, CELL_FLOOR, static_cast<size_t>(LayerCells));
    Main(1023, 1023) = CELL_WALL;
    ViewX = 984;
    ViewY = 994;
    DrawMapView();
    EXPECT_EQ(Pixel(639, 479), IdColour(111));
    EXPECT_EQ(Pixel(0, 0), IdColour(119));
    ClearBuffer();
    ViewX = 1000; // columns 1024 and on lie outside the grid
    ViewY = -3;
    DrawMapView();
    EXPECT_EQ(Pixel(23 * 16 + 15, 100), IdColour(119));
    EXPECT_FALSE(Drawn(24 * 16, 100));
    EXPECT_FALSE(Drawn(5, 3 * 16 - 1));
    EXPECT_TRUE(Drawn(5, 3 * 16));
    ViewLayer = 3;
    ClearBuffer();
    DrawMapView();
    EXPECT_TRUE(NothingDrawn());
}

TEST_F(MapView, DoorsShowTheirLockLevelAndNoOverlay)
{
    MakeBitmap(128, 16, 16, Plain);
    for (int32_t id : {15, 167, 1400, 1402, 1404, 1408})
        MakeBitmap(id, 16, 16, Plain);
    const uint8_t flags[] = {1, 3, 5, 6, 11, 12};
    for (int i = 0; i < 6; ++i) {
        Main(100 + 2 * i, 200) = CELL_DOOR;
        Flag(100 + 2 * i, 200) = flags[i];
    }
    DrawMapView();
    // The expected picture: the door tile with the number written over it.
    std::vector<uint8_t> view(ScreenBuffer, ScreenBuffer + 640 * 480 * 4);
    ClearBuffer();
    for (int i = 0; i < 6; ++i) {
        DrawBitmapTile(32 * i, 0, 128);
        std::snprintf(TextBuffer, sizeof TextBuffer, "%d", flags[i]);
        DrawText(32 * i + 1, 7, 255, 255, 255);
    }
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 192; ++x)
            ASSERT_EQ(std::memcmp(&view[(y * 640 + x) * 4], ScreenBuffer + (y * 640 + x) * 4, 4), 0) << x << "," << y;
}

TEST_F(MapView, FloorOverlaysAreKeyedOverTheTile)
{
    MakeBitmap(119, 16, 16, Plain);
    const uint8_t flags[] = {FLAG_SEARCHED, FLAG_KEY, FLAG_QUEST, FLAG_GOLD, FLAG_TREASURE, FLAG_HEALTH_VIAL, 2, 7};
    const int32_t ids[] = {15, 1400, 167, 1402, 1404, 1408, -1, -1};
    for (int32_t id : ids)
        if (id >= 0)
            MakeBitmap(id, 16, 16, WithKeys);
    for (int i = 0; i < 8; ++i) {
        Main(100 + i, 200) = CELL_FLOOR;
        Flag(100 + i, 200) = flags[i];
    }
    DrawMapView();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Pixel(16 * i, 8), IdColour(119)) << "key column shows the tile, flag " << int(flags[i]);
        EXPECT_EQ(Pixel(16 * i + 8, 8), ids[i] < 0 ? IdColour(119) : IdColour(ids[i])) << int(flags[i]);
    }
}

TEST_F(MapView, TheCurrentUnitsRemainingRouteAndItsCellAreMarked)
{
    MakeBitmap(22, 16, 16, WithKeys);
    PathFinder& pf = PathFinders[0];
    CurrentUnit = 7;
    PlaceUnit(7, 102, 202, FACTION_PARTY, 8.0f).bitmap = 0;
    const uint32_t route[4][2] = {{110, 205}, {105, 204}, {104, 203}, {103, 203}};
    for (int k = 0; k < 4; ++k) {
        pf.RouteX[7 * PathCap + k] = route[k][0];
        pf.RouteY[7 * PathCap + k] = route[k][1];
    }
    pf.RouteIndex[7] = 2; // cell 3 has been walked already
    DrawMapView();
    auto marked = [](int32_t cx, int32_t cy) { return Drawn((cx - 100) * 16 + 8, (cy - 200) * 16 + 8); };
    EXPECT_TRUE(marked(110, 205));
    EXPECT_TRUE(marked(105, 204));
    EXPECT_TRUE(marked(104, 203));
    EXPECT_FALSE(marked(103, 203));
    EXPECT_TRUE(marked(102, 202));
    // Route cells off the view are dropped pixel by pixel.
    pf.RouteX[7 * PathCap] = 99;
    pf.RouteY[7 * PathCap] = 0xFFFFFFF0u;
    ClearBuffer();
    DrawMapView();
    EXPECT_TRUE(marked(102, 202));
    // No route while the index is negative or the unit is not in use.
    for (int variant = 0; variant < 2; ++variant) {
        ClearBuffer();
        pf.RouteIndex[7] = variant == 0 ? -7 : 2;
        UnitTable[7].in_use = variant == 0 ? 1 : 0;
        DrawMapView();
        EXPECT_FALSE(marked(105, 204));
        EXPECT_FALSE(marked(102, 202));
    }
}

TEST_F(MapView, UnitsWithTheirLinesAndBars)
{
    MakeBitmap(849, 16, 16, WithKeys);
    PlaceUnit(1, 101, 201, FACTION_PARTY, 4.0f);                 // half health: green to 16 + 7
    PlaceUnit(2, 103, 201, FACTION_MONSTER, 0.0f);               // dead: grey, red line only
    PlaceUnit(3, 105, 201, FACTION_MONSTER, -2.0f).champion = 1; // purple whatever the health
    PlaceUnit(4, 107, 201, FACTION_MONSTER, 8.0f).champion = 2;  // no bar
    PlaceUnit(5, 109, 201, FACTION_MONSTER, 3.0f).max_hit_points = 7.0f;
    // 9/14 x 14 / 1 is 9 in single precision but just below 9 in double.
    PlaceUnit(6, 111, 201, FACTION_MONSTER, static_cast<float>(9.0 / 14.0)).max_hit_points = 1.0f;
    DrawMapView();
    const int32_t top = 16 + 16;
    const Rgb red{255, 0, 0}, green{0, 255, 0}, purple{96, 44, 136};
    EXPECT_EQ(Pixel(16 + 5, 16 + 5), IdColour(849));
    EXPECT_EQ(Pixel(16, top), green);
    EXPECT_EQ(Pixel(16 + 7, top), green);
    EXPECT_EQ(Pixel(16 + 8, top), red);
    EXPECT_EQ(Pixel(16 + 14, top), red);
    EXPECT_FALSE(Drawn(16 + 15, top));
    Rgb c = IdColour(849);
    uint8_t grey = static_cast<uint8_t>((c[0] + c[1] + c[2]) / 3);
    EXPECT_EQ(Pixel(48 + 5, 16 + 5), (Rgb{grey, grey, grey}));
    EXPECT_EQ(Pixel(48, top), red);
    EXPECT_EQ(Pixel(48 + 14, top), red);
    // E = 80 + -2 x 14 / 8 = 76.5, truncated to 76: the purple line runs left from the corner.
    EXPECT_EQ(Pixel(76, top), purple);
    EXPECT_EQ(Pixel(80, top), purple);
    EXPECT_FALSE(Drawn(75, top));
    EXPECT_EQ(Pixel(80 + 1, top), red);
    EXPECT_EQ(Pixel(112, top), red);
    EXPECT_EQ(Pixel(112 + 14, top), red);
    // 3 x 14 / 7 = 6 in single precision: green up to 144 + 6.
    EXPECT_EQ(Pixel(144 + 6, top), green);
    EXPECT_EQ(Pixel(144 + 7, top), red);
    EXPECT_EQ(Pixel(176 + 9, top), green);
    EXPECT_EQ(Pixel(176 + 10, top), red);
}

TEST_F(MapView, OnlyUnitsInsideTheViewAndInPlayAreDrawn)
{
    MakeBitmap(849, 16, 16, Plain);
    PlaceUnit(1, 99, 210, FACTION_PARTY, 8.0f);  // i = -1
    PlaceUnit(2, 140, 210, FACTION_PARTY, 8.0f); // i = 40
    PlaceUnit(3, 110, 199, FACTION_PARTY, 8.0f); // j = -1
    PlaceUnit(4, 110, 230, FACTION_PARTY, 8.0f); // j = 30
    PlaceUnit(5, 111, 211, FACTION_MONSTER, 8.0f).hidden = 1;
    PlaceUnit(6, 112, 212, FACTION_MONSTER, 8.0f).in_use = 2;
    PlaceUnit(7, 113, 213, 2, 8.0f);
    PlaceUnit(8, 114, 214, FACTION_PARTY, 8.0f).layer = 0;
    DrawMapView();
    EXPECT_TRUE(NothingDrawn());
    PlaceUnit(9, 139, 229, FACTION_PARTY, 8.0f);
    DrawMapView();
    EXPECT_EQ(Pixel(624 + 8, 464 + 8), IdColour(849));
    EXPECT_EQ(Pixel(624, 479), IdColour(849)) << "the bar of the top row lies above the buffer";
}

TEST_F(MapView, MiniMapGroundUnitsAndViewMark)
{
    Main(0, 0) = CELL_FLOOR;
    Main(16, 0) = CELL_WALL;
    Main(32, 0) = CELL_DOOR;
    Main(48, 0) = LAND_PLAIN;
    Main(17, 0) = CELL_DOOR; // between samples: not shown
    Main(1008, 1008) = CELL_WALL;
    PlaceUnit(1, 80, 35, FACTION_MONSTER, 0.0f);
    PlaceUnit(2, 96, 35, FACTION_MONSTER, 5.0f);
    PlaceUnit(3, 112, 35, FACTION_PARTY, -1.0f);
    PlaceUnit(4, 0, 35, FACTION_PARTY, 5.0f); // on the world's edge
    PlaceUnit(5, 128, 35, FACTION_MONSTER, 5.0f).in_use = 0;
    DrawMiniMap();
    EXPECT_EQ(Pixel(518, 338), (Rgb{128, 128, 128}));
    EXPECT_EQ(Pixel(519, 338), (Rgb{0, 128, 0}));
    EXPECT_EQ(Pixel(520, 338), (Rgb{0, 0, 128}));
    EXPECT_FALSE(Drawn(521, 338));
    EXPECT_EQ(Pixel(518 + 63, 338 + 63), (Rgb{0, 128, 0}));
    EXPECT_EQ(Pixel(518 + 5, 338 + 2), (Rgb{128, 128, 128}));
    EXPECT_EQ(Pixel(518 + 6, 338 + 2), (Rgb{255, 0, 0}));
    EXPECT_EQ(Pixel(518 + 7, 338 + 2), (Rgb{0, 0, 255}));
    EXPECT_FALSE(Drawn(518 + 0, 338 + 2));
    EXPECT_FALSE(Drawn(518 + 8, 338 + 2));
    EXPECT_EQ(Pixel(518 + 100 / 16, 338 + 200 / 16), (Rgb{255, 255, 255}));
    ClearBuffer();
    MiniMapOn = 0;
    DrawMiniMap();
    EXPECT_TRUE(NothingDrawn());
}

TEST_F(MapView, ARightClickOnTheMiniMapMovesTheView)
{
    RightClick = 1;
    HeadlessSetPointer(518 + 63, 338 + 63);
    DrawMiniMap();
    EXPECT_EQ(ViewX, 1008);
    EXPECT_EQ(ViewY, 1008);
    EXPECT_EQ(Pixel(518 + 63, 338 + 63), (Rgb{255, 255, 255}));
    HeadlessSetPointer(518 + 64, 338 + 3);
    DrawMiniMap();
    EXPECT_EQ(ViewX, 1008) << "just right of the square";
    HeadlessSetPointer(518 + 2, 338 + 3);
    RightClick = 0;
    DrawMiniMap();
    EXPECT_EQ(ViewX, 1008) << "no click";
    RightClick = 1;
    MiniMapOn = 0;
    DrawMiniMap();
    EXPECT_EQ(ViewX, 1008) << "mini-map off";
    MiniMapOn = 1;
    DrawMiniMap();
    EXPECT_EQ(ViewX, 32);
    EXPECT_EQ(ViewY, 48);
}
