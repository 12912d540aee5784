// The search marks: FLAG_SEARCHED on the floor cells PathFinder 0's last search touched.
#include <algorithm>
#include <cstring>

#include "world/path_internal.h"

using namespace pathfind_detail;

namespace
{

inline void MarkCell(uint8_t& flag, uint8_t mask, uint8_t code)
{
    if (flag == FLAG_SEARCHED)
        flag = FLAG_NONE;
    if (mask != 0 && flag == FLAG_NONE && code == CELL_FLOOR)
        flag = FLAG_SEARCHED;
}

constexpr uint64_t BYTES_01 = 0x0101010101010101ull;
constexpr uint64_t BYTES_7F = 0x7F7F7F7F7F7F7F7Full;
constexpr uint64_t BYTES_80 = 0x8080808080808080ull;

inline uint64_t Load8(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// High bit of every byte that is zero; exact, no carries between bytes.
inline uint64_t ZeroBytes(uint64_t v) { return ~(((v & BYTES_7F) + BYTES_7F) | v) & BYTES_80; }

// True when MarkCell would change one of the eight cells: a mark on a cell
// that no longer qualifies, or a qualifying cell without a flag.
inline bool WordNeedsMarking(const uint8_t* flags, const uint8_t* mask, const uint8_t* codes)
{
    const uint64_t f = Load8(flags);
    const uint64_t marked = ZeroBytes(f ^ (BYTES_01 * FLAG_SEARCHED));
    const uint64_t qualifies = ~ZeroBytes(Load8(mask)) & ZeroBytes(Load8(codes) ^ (BYTES_01 * CELL_FLOOR));
    return ((marked & ~qualifies) | (ZeroBytes(f) & qualifies)) != 0;
}

// Settles every mark in flags[from, to), where the mask is known to be zero
// or the cells are settled again afterwards.
void SettleMarks(uint8_t* flags, const uint8_t* mask, const uint8_t* codes, size_t from, size_t to)
{
    while (from < to) {
        const void* hit = std::memchr(flags + from, FLAG_SEARCHED, to - from);
        if (!hit)
            return;
        const size_t i = static_cast<size_t>(static_cast<const uint8_t*>(hit) - flags);
        MarkCell(flags[i], mask[i], codes[i]);
        from = i + 1;
    }
}

// Every cell of flags[from, to], eight at a time where nothing changes.
void MarkSpan(uint8_t* flags, const uint8_t* mask, const uint8_t* codes, size_t from, size_t to)
{
    size_t i = from;
    for (; i + 8 <= to + 1; i += 8)
        if (WordNeedsMarking(flags + i, mask + i, codes + i))
            for (size_t j = i; j < i + 8; ++j)
                MarkCell(flags[j], mask[j], codes[j]);
    for (; i <= to; ++i)
        MarkCell(flags[i], mask[i], codes[i]);
}

void GrowMaskBox(PathFinder* pf)
{
    PathSearchAccel* a = pf->accel;
    if (!pf->Active)
        return;
    for (int32_t k = a->boxed_nodes; k <= pf->LastNode; ++k) {
        const int32_t x = pf->NodeX[k];
        const int32_t y = pf->NodeY[k];
        if (a->box_x0 > a->box_x1) {
            a->box_x0 = a->box_x1 = x;
            a->box_y0 = a->box_y1 = y;
            continue;
        }
        a->box_x0 = std::min(a->box_x0, x);
        a->box_x1 = std::max(a->box_x1, x);
        a->box_y0 = std::min(a->box_y0, y);
        a->box_y1 = std::max(a->box_y1, y);
    }
    a->boxed_nodes = std::max(a->boxed_nodes, pf->LastNode + 1);
}

} // namespace

void MarkSearchedCells()
{
    if (!PathFinders || !MainMap || !FlagMap || WorldLayers < 2)
        return;
    PathFinder* pf = &PathFinders[0];
    PathSearchAccel* a = pf->accel;
    if (!a)
        return;
    const int32_t x0 = pf->WindowX;
    const int32_t y0 = pf->WindowY;
    const int32_t w = pf->WindowSide;
    uint8_t* flags = FlagMap + LayerCells;
    const uint8_t* codes = MainMap + LayerCells;
    const uint8_t* mask = pf->SearchMask;

    if (a->mask_known && x0 == 0 && y0 == 0 && w == WorldSide) {
        // Outside the box of searched cells and the border the mask is zero,
        // so only marks can change there; memchr finds them.
        GrowMaskBox(pf);
        const size_t side = static_cast<size_t>(w);
        const bool box = a->box_x0 <= a->box_x1 && a->box_y0 <= a->box_y1;
        const size_t top = box ? static_cast<size_t>(a->box_y0) : side;
        const size_t bottom = box ? static_cast<size_t>(a->box_y1) + 1 : side;
        SettleMarks(flags, mask, codes, 0, top * side);
        SettleMarks(flags, mask, codes, bottom * side, side * side);
        for (size_t y = top; y < bottom; ++y) {
            const size_t row = y * side;
            SettleMarks(flags, mask, codes, row, row + static_cast<size_t>(a->box_x0));
            MarkSpan(flags, mask, codes, row + static_cast<size_t>(a->box_x0), row + static_cast<size_t>(a->box_x1));
            SettleMarks(flags, mask, codes, row + static_cast<size_t>(a->box_x1) + 1, row + side);
        }
        if (a->border) {
            MarkSpan(flags, mask, codes, 0, side - 1);
            MarkSpan(flags, mask, codes, (side - 1) * side, side * side - 1);
            for (size_t y = 1; y + 1 < side; ++y) {
                MarkCell(flags[y * side], mask[y * side], codes[y * side]);
                MarkCell(flags[y * side + side - 1], mask[y * side + side - 1], codes[y * side + side - 1]);
            }
        }
        return;
    }

    // Any other window: the cells are taken one by one, the mask indexed by
    // the absolute row and column.
    for (int32_t y = y0; y < y0 + w; ++y) {
        for (int32_t x = x0; x < x0 + w; ++x) {
            if (x < 0 || y < 0 || x >= WorldSide || y >= WorldSide)
                continue;
            const int64_t mi = static_cast<int64_t>(y) * w + x;
            if (mi < 0 || mi >= a->node_capacity)
                continue;
            const size_t ci = static_cast<size_t>(y) * WorldSide + x;
            MarkCell(flags[ci], mask[mi], codes[ci]);
        }
    }
}
