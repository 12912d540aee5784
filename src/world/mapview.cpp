#include "world/mapview.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "app/input.h"
#include "app/shell.h"
#include "assets/bitmap.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace
{

constexpr int32_t ROUTE_MARK_BITMAP = 22;
constexpr int32_t MINI_MAP_SIDE = 64;
constexpr int32_t MINI_MAP_SCALE = 16; // cells per mini-map pixel

enum class Blit { Opaque, Keyed, Grey };

const BitmapSlot* LoadedSlot(int32_t id)
{
    if (!BitmapSlots || id < 0 || id >= BITMAP_SLOT_COUNT)
        return nullptr;
    const BitmapSlot& slot = BitmapSlots[id];
    if (!slot.pixels || slot.width == 0 || slot.height == 0)
        return nullptr;
    return &slot;
}

template <class T> inline T Load(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Store(uint8_t* p, uint64_t v) { std::memcpy(p, &v, sizeof v); }

inline bool IsColourKey(const uint8_t* p)
{
    return (p[0] == 255 && p[1] == 0 && p[2] == 246) || (p[0] == 0 && p[1] == 0 && p[2] == 0);
}

// A bitmap is drawn as a square of its width, row r on screen row y + r; rows
// the slot does not have are left out. The result is that of one PutPixel per
// pixel, written row by row after clipping.
template <Blit mode> void DrawSlot(int32_t x, int32_t y, int32_t id)
{
    const BitmapSlot* slot = LoadedSlot(id);
    if (!slot || !ScreenBuffer)
        return;
    const int64_t side = slot->width;
    const int64_t rows = std::min<int64_t>(slot->width, slot->height);
    const int64_t r0 = std::max<int64_t>(0, -static_cast<int64_t>(y));
    const int64_t r1 = std::min<int64_t>(rows, static_cast<int64_t>(ScreenHeight) - y);
    const int64_t c0 = std::max<int64_t>(0, -static_cast<int64_t>(x));
    const int64_t c1 = std::min<int64_t>(side, static_cast<int64_t>(ScreenWidth) - x);
    if (r0 >= r1 || c0 >= c1)
        return;
    for (int64_t r = r0; r < r1; ++r) {
        const uint8_t* src = slot->pixels + (r * side + c0) * 3;
        uint8_t* dst = ScreenBuffer + ((y + r) * ScreenWidth + x + c0) * 4;
        if (mode == Blit::Opaque && std::endian::native == std::endian::little) {
            // Four pixels from 12 bytes: red, green, blue, then alpha 255. Loads
            // and stores of whole words, which the sanitizers check inline.
            int64_t c = c0;
            for (; c + 4 <= c1; c += 4, src += 12, dst += 16) {
                const uint64_t lo = Load<uint64_t>(src), hi = Load<uint32_t>(src + 8);
                Store(dst, (lo & 0xFFFFFFu) | (lo >> 24 & 0xFFFFFFu) << 32 | 0xFF000000FF000000u);
                Store(dst + 8, (lo >> 48 | (hi & 0xFFu) << 16) | (hi >> 8) << 32 | 0xFF000000FF000000u);
            }
            for (; c < c1; ++c, src += 3, dst += 4) {
                const uint32_t rgba = static_cast<uint32_t>(src[0]) | static_cast<uint32_t>(src[1]) << 8 |
                                      static_cast<uint32_t>(src[2]) << 16 | 0xFF000000u;
                std::memcpy(dst, &rgba, 4);
            }
            continue;
        }
        for (int64_t c = c0; c < c1; ++c, src += 3, dst += 4) {
            if (mode != Blit::Opaque && IsColourKey(src))
                continue;
            if (mode == Blit::Grey) {
                const uint8_t grey = static_cast<uint8_t>((src[0] + src[1] + src[2]) / 3);
                dst[0] = dst[1] = dst[2] = grey;
            } else {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
            }
            dst[3] = 255;
        }
    }
}

int32_t OverlayForFlag(uint8_t flag)
{
    switch (flag) {
    case FLAG_SEARCHED: return 15;
    case FLAG_KEY: return 1400;
    case FLAG_QUEST: return 167;
    case FLAG_GOLD: return 1402;
    case FLAG_TREASURE: return 1404;
    case FLAG_HEALTH_VIAL: return 1408;
    default: return -1;
    }
}

bool InGrid(int32_t x, int32_t y, int32_t layer)
{
    return x >= 0 && y >= 0 && x < WorldSide && y < WorldSide && layer >= 0 && layer < WorldLayers;
}

void DrawTiles()
{
    if (!MainMap || !FlagMap)
        return;
    const int32_t columns = ScreenWidth / MapTileSize;
    const int32_t rows = ScreenHeight / MapTileSize;
    for (int32_t i = 0; i < columns; ++i) {
        for (int32_t j = 0; j < rows; ++j) {
            const int64_t cx = static_cast<int64_t>(ViewX) + i;
            const int64_t cy = static_cast<int64_t>(ViewY) + j;
            if (cx > INT32_MAX || cy > INT32_MAX ||
                !InGrid(static_cast<int32_t>(cx), static_cast<int32_t>(cy), ViewLayer))
                continue;
            const int32_t cell = CellIndex(static_cast<int32_t>(cx), static_cast<int32_t>(cy), ViewLayer);
            const uint8_t code = MainMap[cell];
            const uint8_t flag = FlagMap[cell];
            const int32_t px = MapTileSize * i;
            const int32_t py = MapTileSize * j;
            const int32_t tile = TileForCode(code, ViewLayer);
            if (tile >= 0)
                DrawBitmapTile(px, py, tile);
            if (code == CELL_DOOR) {
                std::snprintf(TextBuffer, sizeof TextBuffer, "%d", flag);
                DrawText(px + 1, py + 7, 255, 255, 255);
                continue;
            }
            const int32_t overlay = OverlayForFlag(flag);
            if (overlay >= 0)
                DrawBitmapKeyed(px, py, overlay);
        }
    }
}

// Screen position of a cell coordinate, with the wrap-around of 32-bit arithmetic.
int32_t ScreenOffset(uint32_t cell, int32_t view)
{
    return static_cast<int32_t>((cell - static_cast<uint32_t>(view)) * static_cast<uint32_t>(MapTileSize));
}

void DrawCurrentRoute()
{
    if (!PathFinders || !UnitTable || CurrentUnit < 0 || CurrentUnit >= MaxUnits)
        return;
    const PathFinder& pf = PathFinders[0];
    const Unit& unit = UnitTable[CurrentUnit];
    if (unit.in_use != 1 || !pf.RouteIndex || !pf.RouteX || !pf.RouteY)
        return;
    const int32_t n = pf.RouteIndex[CurrentUnit];
    if (n < 0)
        return;
    const size_t base = static_cast<size_t>(CurrentUnit) * PathCap;
    for (int32_t k = std::min(n, PathCap - 1); k >= 0; --k)
        DrawBitmapKeyed(ScreenOffset(pf.RouteX[base + k], ViewX), ScreenOffset(pf.RouteY[base + k], ViewY),
                        ROUTE_MARK_BITMAP);
    DrawBitmapKeyed(ScreenOffset(unit.cell_x, ViewX), ScreenOffset(unit.cell_y, ViewY), ROUTE_MARK_BITMAP);
}

// End of a health bar: 16 i + hit points x 14 / maximum, in single precision,
// truncated toward zero. The bar is a horizontal line, so an end beyond the
// buffer is pulled in to just outside it without changing a pixel.
int32_t BarEnd(int32_t i, float hit_points, float max_hit_points)
{
    const float e = static_cast<float>(MapTileSize * i) + hit_points * 14.0f / max_hit_points;
    if (e != e)
        return MapTileSize * i;
    const float lo = -1.0f;
    const float hi = static_cast<float>(ScreenWidth);
    return static_cast<int32_t>(std::clamp(e, lo, hi));
}

void DrawUnits()
{
    if (!UnitTable)
        return;
    const int32_t columns = ScreenWidth / MapTileSize;
    const int32_t rows = ScreenHeight / MapTileSize;
    for (int32_t u = 0; u < MaxUnits; ++u) {
        const Unit& unit = UnitTable[u];
        if (unit.in_use != 1 || unit.hidden != 0)
            continue;
        if (unit.faction != FACTION_PARTY && unit.faction != FACTION_MONSTER)
            continue;
        if (static_cast<int32_t>(unit.layer) != ViewLayer)
            continue;
        const int64_t i = static_cast<int64_t>(unit.cell_x) - ViewX;
        const int64_t j = static_cast<int64_t>(unit.cell_y) - ViewY;
        if (i < 0 || i >= columns || j < 0 || j >= rows)
            continue;
        const int32_t px = MapTileSize * static_cast<int32_t>(i);
        const int32_t py = MapTileSize * static_cast<int32_t>(j);
        const bool alive = unit.hit_points > 0.0f;
        if (alive)
            DrawBitmapKeyed(px, py, unit.bitmap);
        else
            DrawBitmapGrey(px, py, unit.bitmap);
        const int32_t top = py + MapTileSize;
        DrawLine(px, top, px + 14, top, 255, 0, 0);
        if (unit.champion == 0 && alive)
            DrawLine(px, top, BarEnd(static_cast<int32_t>(i), unit.hit_points, unit.max_hit_points), top, 0, 255, 0);
        if (unit.champion == 1 || unit.champion == 3)
            DrawLine(px, top, BarEnd(static_cast<int32_t>(i), unit.hit_points, unit.max_hit_points), top, 96, 44, 136);
    }
}

} // namespace

void DrawBitmapTile(int32_t x, int32_t y, int32_t id) { DrawSlot<Blit::Opaque>(x, y, id); }
void DrawBitmapKeyed(int32_t x, int32_t y, int32_t id) { DrawSlot<Blit::Keyed>(x, y, id); }
void DrawBitmapGrey(int32_t x, int32_t y, int32_t id) { DrawSlot<Blit::Grey>(x, y, id); }

void DrawMapView()
{
    DrawTiles();
    DrawCurrentRoute();
    DrawUnits();
}

void DrawMiniMap()
{
    if (MiniMapOn == 0)
        return;
    const int32_t mx = GetMouseX();
    const int32_t my = GetMouseY();
    if (RightClick && mx >= MiniMapX && mx - MiniMapX < MINI_MAP_SIDE && my >= MiniMapY &&
        my - MiniMapY < MINI_MAP_SIDE) {
        ViewX = (mx - MiniMapX) * MINI_MAP_SCALE;
        ViewY = (my - MiniMapY) * MINI_MAP_SCALE;
    }
    if (MainMap && ViewLayer >= 0 && ViewLayer < WorldLayers) {
        for (int32_t r = 0; r < MINI_MAP_SIDE; ++r) {
            for (int32_t q = 0; q < MINI_MAP_SIDE; ++q) {
                const int32_t x = MINI_MAP_SCALE * q;
                const int32_t y = MINI_MAP_SCALE * r;
                if (x >= WorldSide || y >= WorldSide)
                    continue;
                const uint8_t code = MainMap[CellIndex(x, y, ViewLayer)];
                if (code == CELL_FLOOR)
                    PutPixel(MiniMapX + q, MiniMapY + r, 128, 128, 128);
                else if (code == CELL_WALL)
                    PutPixel(MiniMapX + q, MiniMapY + r, 0, 128, 0);
                else if (code == CELL_DOOR)
                    PutPixel(MiniMapX + q, MiniMapY + r, 0, 0, 128);
            }
        }
    }
    if (UnitTable) {
        for (int32_t u = 0; u < MaxUnits; ++u) {
            const Unit& unit = UnitTable[u];
            const int32_t x = unit.cell_x;
            const int32_t y = unit.cell_y;
            if (static_cast<int32_t>(unit.layer) != ViewLayer || x <= 0 || y <= 0 || x >= WorldSide - 1 ||
                y >= WorldSide - 1)
                continue;
            const int32_t px = (x >> 4) + MiniMapX;
            const int32_t py = (y >> 4) + MiniMapY;
            const bool monster = unit.faction == FACTION_MONSTER && unit.in_use == 1;
            if (monster && unit.hit_points <= 0.0f)
                PutPixel(px, py, 128, 128, 128);
            if (monster && unit.hit_points > 0.0f)
                PutPixel(px, py, 255, 0, 0);
            if (unit.faction == FACTION_PARTY && unit.in_use == 1)
                PutPixel(px, py, 0, 0, 255);
        }
    }
    PutPixel(ViewX / MINI_MAP_SCALE + MiniMapX, ViewY / MINI_MAP_SCALE + MiniMapY, 255, 255, 255);
}
