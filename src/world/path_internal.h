// What the files of the path search share: the fixed tables, the search
// state behind PathFinder::accel and the checks of a unit index.
#pragma once
#include <cstdint>

#include "units/unit.h"
#include "world/grid.h"
#include "world/path_queue.h"
#include "world/pathfind.h"

namespace pathfind_detail
{
constexpr int32_t DIR_X[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int32_t DIR_Y[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr float DIR_COST[8] = {1.0f, 1.4142f, 1.0f, 1.4142f, 1.0f, 1.4142f, 1.0f, 1.4142f};
constexpr uint8_t MASK_SEEN = 1;
constexpr uint8_t MASK_CLOSED = 9;

struct CodeTables {
    bool enterable[256];
    bool open_corner[256];
};

constexpr CodeTables MakeCodeTables()
{
    CodeTables t{};
    for (int c = 0; c < 256; ++c) {
        t.enterable[c] = c != CELL_EMPTY && c != CELL_WALL && c != CELL_DOOR;
        t.open_corner[c] = c == LAND_PLAIN || c == LAND_FOREST || c == LAND_HILLS || c == CELL_FLOOR;
    }
    return t;
}
constexpr CodeTables CODES = MakeCodeTables();

inline float ScanLimit() { return static_cast<float>(2.0 * static_cast<double>(LayerCells)); }
} // namespace pathfind_detail

struct PathSearchAccel {
    explicit PathSearchAccel(uint64_t* heap) : open(heap) {}
    pathfind_detail::OpenQueue open;
    int32_t open_count = 0;
    int64_t node_capacity = 0; // entries of each node array (LayerCells at creation)
    int32_t unit_capacity = 0; // MaxUnits at creation
    // Entries from these indices on have never been written since allocation
    // or the last clear, so clearing stops there: untouched pages stay unmapped.
    int64_t node_dirty = 0;
    int64_t mask_dirty = 0;
    // For a whole-layer window: the non-zero mask cells are the border (once a
    // search started) plus node cells, whose bounding box is grown lazily.
    bool mask_known = true;
    bool border = false;
    int32_t boxed_nodes = 0;
    int32_t box_x0 = 0, box_y0 = 0, box_x1 = -1, box_y1 = -1;
    const uint8_t* layer_cells = nullptr; // MainMap of SearchLayer; null when out of range
};

namespace pathfind_detail
{
inline bool UnitIndexOk(const PathFinder* pf, int32_t u)
{
    return pf && pf->accel && u >= 0 && u < pf->accel->unit_capacity && u < MaxUnits && UnitTable;
}
} // namespace pathfind_detail
