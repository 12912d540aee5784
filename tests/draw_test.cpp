// Pixel-exact drawing: lines, the two fonts, the map view and the mini-map.

#include <map>

#include "fixture.h"

namespace
{
int32_t Rgb(int32_t x, int32_t y)
{
    const uint8_t* p = ScreenBuffer + (static_cast<size_t>(y) * ScreenWidth + x) * 4;
    return p[3] == 0 ? -1 : p[0] << 16 | p[1] << 8 | p[2];
}

// What is lit at or right of column x, moved by (dx, dy).
PixelSet From(const PixelSet& s, int32_t x, int32_t dx = 0, int32_t dy = 0)
{
    PixelSet out;
    for (auto [px, py] : s)
        if (px >= x)
            out.insert({px + dx, py + dy});
    return out;
}

// 'A' of each font drawn at (0, 0), worked out by hand from the glyph rows.
const PixelSet SMALL_A = {{1, -1}, {0, -2}, {2, -2}, {0, -3}, {1, -3}, {2, -3}, {0, -4}, {2, -4}, {0, -5}, {2, -5}};
const PixelSet LARGE_A = [] {
    PixelSet s{{2, -2}, {3, -2}, {1, -3}, {2, -3}, {3, -3}, {4, -3},
               {0, -7}, {1, -7}, {2, -7}, {3, -7}, {4, -7}, {5, -7}};
    for (int32_t y : {-4, -5, -6, -8, -9, -10})
        s.insert({{0, y}, {1, y}, {4, y}, {5, y}});
    return s;
}();

// A 16 x 16 bitmap of a colour telling its id; keyed ones have a magenta left column and a black bottom row.
int32_t IdColour(int32_t id) { return (id & 0xFF) << 16 | ((id >> 8) + 1) << 8 | 77; }
void MakeBitmap(int32_t id, bool keys)
{
    BitmapSlot& slot = BitmapSlots[id];
    slot.pixels = static_cast<uint8_t*>(std::malloc(16 * 16 * 3));
    slot.width = slot.height = 16;
    for (int32_t i = 0; i < 256; ++i) {
        const int32_t c = keys && i % 16 == 0 ? 0xFF00F6 : (keys && i < 16 ? 0 : IdColour(id));
        std::tie(slot.pixels[i * 3], slot.pixels[i * 3 + 1], slot.pixels[i * 3 + 2]) =
            std::make_tuple(c >> 16, c >> 8 & 255, c & 255);
    }
}
} // namespace

using Draw = GameTest;

TEST_F(Draw, LinesStepExactlyAsWorkedByHandAndClipPixelByPixel)
{
    for (auto [x0, y0, x1, y1, pixels] :
         {std::tuple{0, 0, 10, 5,
                     PixelSet{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}, {8, 4}, {9, 4}, {10, 5}}},
          {10, 5, 0, 0,
           PixelSet{{10, 5}, {9, 5}, {8, 4}, {7, 4}, {6, 3}, {5, 3}, {4, 2}, {3, 2}, {2, 1}, {1, 1}, {0, 0}}},
          {0, 0, 2, 5, PixelSet{{0, 0}, {0, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 5}}},
          {20, 20, 23, 17, PixelSet{{20, 20}, {21, 19}, {22, 18}, {23, 17}}},
          {-5, -5, 2, 2, PixelSet{{0, 0}, {1, 1}, {2, 2}}},
          {637, 478, 650, 478, PixelSet{{637, 478}, {638, 478}, {639, 478}}}}) {
        ClearScreen();
        DrawLine(x0, y0, x1, y1, 255, 0, 9);
        EXPECT_EQ(Lit(ScreenBuffer, 0xFF0009), pixels) << x0 << "," << y0 << " to " << x1 << "," << y1;
        EXPECT_EQ(Lit().size(), pixels.size());
    }
}

TEST_F(Draw, SmallTextAdvancesByEachGlyphsWidthAndLargeTextByEight)
{
    // The width table of the small font, 1 to 7 pixels; anything else draws the blank glyph, 2 wide.
    const char* widths[8] = {"",
                             ":il",
                             "!'(),;=[]fjr",
                             "\"$%+-.0123456789<>?^_ABCDEFGHIKLPSTUVYbcdeghknopqstuvxyz",
                             "&/JNOQRZ\\a",
                             "#*MWXmw",
                             "",
                             "@"};
    std::snprintf(TextBuffer, sizeof TextBuffer, "A");
    DrawText(10, 20, 255, 255, 0);
    EXPECT_EQ(Lit(ScreenBuffer, 0xFFFF00), From(SMALL_A, -99, 10, 20));
    ClearScreen();
    DrawLargeText(10, 50, 1, 1, 1);
    EXPECT_EQ(Lit(), From(LARGE_A, -99, 10, 50));
    // Every byte, by where an 'A' after it lands: blanks and codes without a glyph take 3.
    for (int32_t code = 1; code < 256; ++code) {
        int32_t width = 2;
        for (int32_t w = 1; w < 8; ++w)
            width = code < 128 && std::strchr(widths[w], code) ? w : width;
        std::snprintf(TextBuffer, sizeof TextBuffer, "%cA", code);
        ClearScreen();
        DrawText(100, 50, 1, 1, 1);
        EXPECT_EQ(From(Lit(), 100 + width), From(SMALL_A, -99, 100 + width + 1, 50)) << "code " << code;
        ClearScreen();
        DrawLargeText(100, 50, 1, 1, 1);
        EXPECT_EQ(From(Lit(), 108), From(LARGE_A, -99, 108, 50)) << "code " << code;
    }
}

TEST_F(Draw, TheMapViewDrawsTilesOverlaysAndUnits)
{
    for (int32_t id : {12, 17, 18, 111, 119, 193, 15, 167, 849, 1400, 1402, 1404, 1408})
        MakeBitmap(id, id == 15 || id == 167 || id > 200);
    std::tie(ViewX, ViewY) = std::make_tuple(100, 200);
    std::tie(Cell(100, 200), Cell(101, 200), Cell(139, 229), Cell(103, 200)) =
        std::make_tuple(CELL_FLOOR, CELL_WALL, SITE_GROVE, CELL_BLOCK);
    const uint8_t flags[] = {FLAG_SEARCHED, FLAG_KEY, FLAG_QUEST, FLAG_GOLD, FLAG_TREASURE, FLAG_HEALTH_VIAL, 2};
    const int32_t overlays[] = {15, 1400, 167, 1402, 1404, 1408, 119};
    for (int32_t i = 0; i < 7; ++i)
        std::tie(Cell(100 + i, 201), Flag(100 + i, 201)) = std::make_tuple(CELL_FLOOR, flags[i]);
    for (int32_t layer : {0, 1, 2})
        Cell(102, 203, layer) = LAND_HILLS;
    DrawMapView();
    EXPECT_EQ(std::make_tuple(Rgb(0, 0), Rgb(24, 8), Rgb(639, 479), Rgb(48 + 5, 5), Rgb(32 + 5, 48 + 5)),
              std::make_tuple(IdColour(119), IdColour(111), IdColour(193), -1, IdColour(18)));
    for (int32_t i = 0; i < 7; ++i) // the key column shows the tile under the overlay
        EXPECT_EQ(std::make_tuple(Rgb(16 * i, 24), Rgb(16 * i + 8, 24)),
                  std::make_tuple(IdColour(119), IdColour(overlays[i])));
    for (int32_t layer : {0, 2}) {
        ViewLayer = layer;
        DrawMapView();
        EXPECT_EQ(Rgb(32 + 5, 48 + 5), IdColour(layer == 0 ? 12 : 17)) << layer;
    }
    // Units inside the view, each its own keyed bitmap, grey when dead, with a red line and a green (or
    // purple) bar to 16 i + hit points x 14 / maximum in single precision; units 0 and 2999 in the view's
    // corners. Under the units, the rest of the selected unit's route and its own cell. Then, just outside
    // the view, on another layer, hidden, not in use, of no faction: units not drawn.
    std::tie(ViewX, ViewY, ViewLayer, CurrentUnit) = std::make_tuple(300, 300, 1, 7);
    ClearScreen();
    const float drawn[][6] = {{1, 301, 301, 4, 8, 0}, {2, 303, 301, 0, 8, 0},    {3, 305, 301, -2, 8, 1},
                              {4, 307, 301, 8, 8, 2}, {5, 309, 301, 3, 7, 0},    {6, 311, 301, 9.0f / 14, 1, 0},
                              {0, 300, 300, 1, 2, 0}, {2999, 339, 329, 8, 8, 0}, {7, 320, 310, 8, 8, 3}};
    for (auto [u, x, y, hp, max, champion] : drawn) {
        Unit& unit = Place(static_cast<int32_t>(u), FACTION_MONSTER, static_cast<int32_t>(x), static_cast<int32_t>(y));
        std::tie(unit.hit_points, unit.max_hit_points, unit.champion, unit.bitmap) =
            std::make_tuple(hp, max, champion, 840 + static_cast<int32_t>(u) % 20);
        MakeBitmap(unit.bitmap, true);
    }
    const int32_t hidden[][4] = {{10, 299, 310, 1}, {11, 340, 310, 1}, {12, 310, 299, 1}, {13, 310, 330, 1},
                                 {14, 311, 311, 0}, {15, 312, 312, 1}, {16, 313, 313, 1}, {17, 314, 314, 1}};
    for (auto [u, x, y, layer] : hidden)
        Place(u, u == 17 ? 2 : FACTION_PARTY, x, y, layer).bitmap = 849;
    std::tie(UnitTable[15].hidden, UnitTable[16].in_use) = std::make_tuple(1, 2);
    MakeBitmap(22, false);
    for (uint32_t k = 0; k < 4; ++k) // route cell 3 is walked already
        std::tie(PathFinders[0].RouteX[7 * PathCap + k], PathFinders[0].RouteY[7 * PathCap + k]) =
            std::make_tuple(321 + k, 310 + k % 2);
    PathFinders[0].RouteIndex[7] = 2;
    DrawMapView();
    // The picture worked out by hand: keyed squares leave their left column and bottom row.
    std::map<std::pair<int32_t, int32_t>, int32_t> want;
    auto square = [&](int32_t x0, int32_t y0, int32_t rgb, int32_t from) {
        for (int32_t x = x0 + from; x < x0 + 16; ++x)
            for (int32_t y = y0 + from; y < y0 + 16; ++y)
                want[{x, y}] = rgb;
    };
    auto line = [&](int32_t x0, int32_t x1, int32_t y, int32_t rgb) {
        for (int32_t x = std::min(x0, x1); x <= std::max(x0, x1) && y < 480; ++x)
            want[{x, y}] = rgb;
    };
    for (auto [x, y] : {std::pair{336, 160}, {352, 176}, {368, 160}, {320, 160}})
        square(x, y, IdColour(22), 0);
    const int32_t units[][4] = {{1, 16, 16, 23},  {2, 48, 16, -1},       {3, 80, 16, 76},
                                {4, 112, 16, -1}, {5, 144, 16, 150},     {6, 176, 16, 185},
                                {0, 0, 0, 7},     {2999, 624, 464, 638}, {7, 320, 160, 334}};
    for (auto [u, x, y, bar] : units) {
        const int32_t c = IdColour(UnitTable[u].bitmap), grey = ((c >> 16) + (c >> 8 & 255) + (c & 255)) / 3;
        square(x, y, UnitTable[u].hit_points > 0 ? c : grey * 0x010101, 1);
        line(x, x + 14, y + 16, 0xFF0000);
        if (bar >= 0)
            line(x, bar, y + 16, u == 3 || u == 7 ? 0x602C88 : 0x00FF00);
    }
    std::map<std::pair<int32_t, int32_t>, int32_t> shown;
    for (auto [x, y] : Lit())
        shown[{x, y}] = Rgb(x, y);
    EXPECT_EQ(shown, want);
    PathFinders[0].RouteIndex[7] = 0;
    ClearScreen();
    DrawMapView();
    EXPECT_EQ(std::make_tuple(Rgb(336, 160), Rgb(352, 176), Rgb(320, 160)),
              std::make_tuple(IdColour(22), -1, IdColour(22)));
}

TEST_F(Draw, TheMiniMapShowsGroundUnitsAndTheViewAndTakesRightClicks)
{
    std::tie(Cell(0, 0), Cell(16, 0), Cell(32, 0), Cell(48, 0), Cell(17, 0), Cell(1008, 1008)) =
        std::make_tuple(CELL_FLOOR, CELL_WALL, CELL_DOOR, LAND_PLAIN, CELL_DOOR, CELL_WALL);
    Place(1, FACTION_MONSTER, 80, 35).hit_points = 0.0f;
    Place(2, FACTION_MONSTER, 96, 35);
    Place(3, FACTION_PARTY, 112, 35).hit_points = -1.0f;
    Place(4, FACTION_PARTY, 0, 35); // on the world's edge
    Place(5, FACTION_MONSTER, 128, 35).in_use = 0;
    std::tie(ViewX, ViewY) = std::make_tuple(100, 200);
    DrawMiniMap();
    EXPECT_EQ(std::make_tuple(Rgb(518, 338), Rgb(519, 338), Rgb(520, 338), Rgb(521, 338), Rgb(518 + 63, 338 + 63)),
              std::make_tuple(0x808080, 0x008000, 0x000080, -1, 0x008000));
    EXPECT_EQ(std::make_tuple(Rgb(518, 340), Rgb(523, 340), Rgb(524, 340), Rgb(525, 340), Rgb(526, 340), Rgb(524, 350)),
              std::make_tuple(-1, 0x808080, 0xFF0000, 0x0000FF, -1, 0xFFFFFF));
    RightClick = 1; // inside the square, a right click moves the view
    for (auto [x, y, view] : {std::tuple{518 + 63, 338 + 63, 1008}, {518 + 64, 338 + 3, 1008}, {520, 341, 32}}) {
        PlacePointerAtPixel(x, y);
        DrawMiniMap();
        EXPECT_EQ(ViewX, view) << x << "," << y;
    }
    EXPECT_EQ(ViewY, 48);
    ClearScreen();
    MiniMapOn = 0;
    DrawMiniMap();
    EXPECT_TRUE(Lit().empty());
}
