// artsheet: loads the texture sets through the game's own reader and writes
// pictures of them for review.
//   artsheet GAME_FOLDER OUTPUT_FOLDER
//   artsheet --icon GAME_FOLDER FILE.png
// writes sheet_<set>.png (each bitmap at 4x, raw and keyed over the floor, labelled
// with its id), sheet.png (all sets) and tiling.png (each ground tile repeated 4 x 4),
// and prints a seam figure for every ground tile; or the desktop icon: the
// party mage on the dungeon floor at 3x.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/bitmap.h"
#include "platform/headless/headless.h"

namespace
{
constexpr int32_t ZOOM = 4;
constexpr int32_t TILE = 16 * ZOOM;
constexpr int32_t CELL_W = TILE * 2 + 12;
constexpr int32_t CELL_H = TILE + 16;
constexpr int32_t PER_ROW = 8;
constexpr uint32_t FLOOR_ID = 119;

// 3 x 5 digits, one row per byte (top first), bit 2 = leftmost column.
constexpr uint8_t DIGITS[10][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
                                   {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

struct Canvas {
    int32_t w, h;
    std::vector<uint8_t> rgba; // top row first while drawing; flipped for WritePng
    Canvas(int32_t width, int32_t height, uint8_t grey) : w(width), h(height), rgba(size_t(width) * height * 4, grey)
    {
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255;
    }
    void Put(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b)
    {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return;
        uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
        p[0] = r;
        p[1] = g;
        p[2] = b;
    }
    bool Save(const std::string& path) const
    {
        std::vector<uint8_t> bottom_first(rgba.size());
        for (int32_t y = 0; y < h; ++y)
            std::copy_n(&rgba[size_t(y) * w * 4], size_t(w) * 4, &bottom_first[size_t(h - 1 - y) * w * 4]);
        return WritePng(path.c_str(), bottom_first.data(), w, h);
    }
};

bool IsKey(const uint8_t* p) { return (p[0] == 255 && p[1] == 0 && p[2] == 246) || (p[0] | p[1] | p[2]) == 0; }

// Draws slot id with its top-left at (x, y), scaled; keyed pixels show the floor tile.
void DrawSlot(Canvas* c, int32_t x, int32_t y, uint32_t id, int32_t zoom, bool keyed)
{
    const BitmapSlot& s = BitmapSlots[id];
    const BitmapSlot& floor = BitmapSlots[FLOOR_ID];
    if (!s.pixels)
        return;
    int32_t side = static_cast<int32_t>(std::min<uint32_t>(s.width, 64));
    for (int32_t row = 0; row < side && row < static_cast<int32_t>(s.height); ++row)
        for (int32_t col = 0; col < side; ++col) {
            const uint8_t* p = s.pixels + (size_t(row) * s.width + col) * 3;
            if (keyed && IsKey(p)) {
                if (!floor.pixels || floor.width != 16)
                    continue;
                p = floor.pixels + (size_t(row % 16) * 16 + col % 16) * 3;
            }
            for (int32_t dy = 0; dy < zoom; ++dy)
                for (int32_t dx = 0; dx < zoom; ++dx)
                    c->Put(x + col * zoom + dx, y + (side - 1 - row) * zoom + dy, p[0], p[1], p[2]);
        }
}

void DrawNumber(Canvas* c, int32_t x, int32_t y, uint32_t n)
{
    std::string text = std::to_string(n);
    for (char ch : text) {
        for (int32_t r = 0; r < 5; ++r)
            for (int32_t b = 0; b < 3; ++b)
                if (DIGITS[ch - '0'][r] & (4 >> b))
                    for (int32_t d = 0; d < 4; ++d)
                        c->Put(x + b * 2 + d % 2, y + r * 2 + d / 2, 255, 255, 255);
        x += 8;
    }
}

struct Entry {
    uint32_t id;
    std::string name;
};

bool WriteSheet(const std::vector<Entry>& entries, const std::string& path)
{
    int32_t rows = (static_cast<int32_t>(entries.size()) + PER_ROW - 1) / PER_ROW;
    Canvas c(PER_ROW * CELL_W + 4, rows * CELL_H + 4, 40);
    for (size_t i = 0; i < entries.size(); ++i) {
        int32_t x = 4 + static_cast<int32_t>(i % PER_ROW) * CELL_W;
        int32_t y = 4 + static_cast<int32_t>(i / PER_ROW) * CELL_H;
        DrawNumber(&c, x, y, entries[i].id);
        DrawSlot(&c, x, y + 13, entries[i].id, ZOOM, false);
        DrawSlot(&c, x + TILE + 4, y + 13, entries[i].id, ZOOM, true);
    }
    return c.Save(path);
}

// Mean colour step across the wrap-around edges against the mean step inside the
// tile: a tile that tiles well has a figure near 1.
double SeamFigure(const BitmapSlot& s)
{
    auto at = [&](int32_t x, int32_t y) { return s.pixels + (size_t((y + 16) % 16) * 16 + (x + 16) % 16) * 3; };
    auto step = [](const uint8_t* a, const uint8_t* b) {
        return double(std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]));
    };
    double seam = 0, inside = 0;
    for (int32_t i = 0; i < 16; ++i) {
        seam += step(at(15, i), at(0, i)) + step(at(i, 15), at(i, 0));
        for (int32_t j = 0; j < 15; ++j)
            inside += step(at(j, i), at(j + 1, i)) + step(at(i, j), at(i, j + 1));
    }
    return (seam / 32.0 + 1.0) / (inside / (16.0 * 15.0 * 2.0) + 1.0);
}

uint32_t SlotNamed(const std::string& folder, const std::string& name)
{
    for (const TextureSet& set : TextureSets)
        for (int32_t i = 0; i < set.count; ++i)
            if (folder == set.folder && name == set.entries[i].name)
                return set.entries[i].id;
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    std::string game, out;
    bool icon = false;
    CLI::App app{"Contact sheets and a tiling check of the pictures the game loads.", "artsheet"};
    app.add_option("game", game, "the game folder")->required()->type_name("GAME_FOLDER");
    app.add_option("out", out, "the folder of the sheets, or the icon's file with --icon")
        ->required()
        ->type_name("OUTPUT_FOLDER|FILE.png");
    app.add_flag("--icon", icon, "draw the 48 x 48 icon of the desktop entry instead");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    if (!out.empty() && out[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd))
            out = std::string(cwd) + "/" + out;
    }
    if (chdir(game.c_str()) != 0) {
        std::fprintf(stderr, "artsheet: cannot enter %s\n", game.c_str());
        return 1;
    }
    AllocateBitmapSlots();
    LoadTextureSets();
    if (icon) {
        uint32_t mage = SlotNamed("bmp_unit", "unit_mage");
        Canvas c(48, 48, 0);
        DrawSlot(&c, 0, 0, mage, 3, true);
        bool ok = BitmapSlots[mage].pixels && BitmapSlots[FLOOR_ID].pixels && c.Save(out);
        FreeBitmapSlots();
        if (!ok)
            std::fprintf(stderr, "artsheet: cannot make the icon %s\n", out.c_str());
        return ok ? 0 : 1;
    }

    std::vector<Entry> all, ground;
    int32_t empty = 0;
    for (const TextureSet& set : TextureSets) {
        std::vector<Entry> entries;
        for (int32_t i = 0; i < set.count; ++i) {
            Entry e{set.entries[i].id, set.entries[i].name};
            entries.push_back(e);
            all.push_back(e);
            if (!BitmapSlots[e.id].pixels) {
                std::printf("EMPTY %u %s/%s\n", e.id, set.folder, e.name.c_str());
                empty += 1;
            }
            bool is_ground = std::string(set.folder) == "bmp_land" || std::string(set.folder) == "bmp_dungeon";
            if (is_ground && BitmapSlots[e.id].pixels && BitmapSlots[e.id].width == 16)
                ground.push_back(e);
        }
        WriteSheet(entries, out + "/sheet_" + std::string(set.folder).substr(4) + ".png");
    }
    WriteSheet(all, out + "/sheet.png");

    const int32_t repeat = 4, zoom = 2, side = 16 * repeat * zoom, per_row = 6;
    int32_t rows = (static_cast<int32_t>(ground.size()) + per_row - 1) / per_row;
    Canvas tiling(per_row * (side + 8) + 8, rows * (side + 22) + 8, 40);
    for (size_t i = 0; i < ground.size(); ++i) {
        int32_t x = 8 + static_cast<int32_t>(i % per_row) * (side + 8);
        int32_t y = 8 + static_cast<int32_t>(i / per_row) * (side + 22);
        DrawNumber(&tiling, x, y, ground[i].id);
        for (int32_t ty = 0; ty < repeat; ++ty)
            for (int32_t tx = 0; tx < repeat; ++tx)
                DrawSlot(&tiling, x + tx * 16 * zoom, y + 14 + ty * 16 * zoom, ground[i].id, zoom, false);
        std::printf("seam %4u %-22s %.2f\n", ground[i].id, ground[i].name.c_str(),
                    SeamFigure(BitmapSlots[ground[i].id]));
    }
    tiling.Save(out + "/tiling.png");
    FreeBitmapSlots();
    std::printf("artsheet: %zu pictures, %d empty, sheets in %s\n", all.size(), empty, out.c_str());
    return empty == 0 ? 0 : 1;
}
