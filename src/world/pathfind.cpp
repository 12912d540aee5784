// The two pathfinders' tables: made, released, put back to their start, and
// which unit PathFinder 0 serves next.
#include "world/pathfind.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "world/path_internal.h"

using namespace pathfind_detail;

PathFinder* PathFinders = nullptr;

namespace
{

// The search arrays of both pathfinders share one zero-filled block. Being
// large, it comes straight from fresh zero pages: nothing is touched before a
// search writes it.
void* SearchBlock = nullptr;

size_t SearchStride(size_t cells) { return (22 * cells + 63) / 64 * 64; }

// What a new pathfinder holds besides zeros.
void SetStartFields(PathFinder& pf)
{
    if (pf.RouteIndex)
        std::fill(pf.RouteIndex, pf.RouteIndex + MaxUnits, ROUTE_IDLE);
    pf.RunningUnit = 1;
    for (int d = 0; d < 8; ++d) {
        pf.DirX[d] = DIR_X[d];
        pf.DirY[d] = DIR_Y[d];
        pf.DirCost[d] = DIR_COST[d];
    }
}

} // namespace

void CreatePathFinders()
{
    FreePathFinders();
    const size_t cells = static_cast<size_t>(LayerCells);
    const size_t units = static_cast<size_t>(MaxUnits);
    PathFinders = static_cast<PathFinder*>(std::calloc(2, sizeof(PathFinder)));
    if (!PathFinders)
        return;
    const size_t stride = SearchStride(cells);
    SearchBlock = std::calloc(2, stride);
    for (int i = 0; i < 2; ++i) {
        PathFinder& pf = PathFinders[i];
        pf.RouteX = static_cast<uint32_t*>(std::calloc(units * PathCap, sizeof(uint32_t)));
        pf.RouteY = static_cast<uint32_t*>(std::calloc(units * PathCap, sizeof(uint32_t)));
        pf.RouteLength = static_cast<uint32_t*>(std::calloc(units, sizeof(uint32_t)));
        pf.RouteIndex = static_cast<int32_t*>(std::calloc(units, sizeof(int32_t)));
        SetStartFields(pf);
        if (!SearchBlock || !pf.RouteX || !pf.RouteY || !pf.RouteLength || !pf.RouteIndex)
            continue;
        // Widest elements first, so that every array is aligned.
        uint8_t* base = static_cast<uint8_t*>(SearchBlock) + i * stride;
        auto* a = new (std::nothrow) PathSearchAccel(reinterpret_cast<uint64_t*>(base));
        if (!a)
            continue;
        pf.NodeParent = reinterpret_cast<uint32_t*>(base + 8 * cells);
        pf.NodeCost = reinterpret_cast<float*>(base + 12 * cells);
        pf.NodeX = reinterpret_cast<int16_t*>(base + 16 * cells);
        pf.NodeY = reinterpret_cast<int16_t*>(base + 18 * cells);
        pf.NodeState = base + 20 * cells;
        pf.SearchMask = base + 21 * cells;
        a->node_capacity = static_cast<int64_t>(cells);
        a->unit_capacity = MaxUnits;
        pf.accel = a;
    }
}

void FreePathFinders()
{
    if (!PathFinders)
        return;
    for (int i = 0; i < 2; ++i) {
        PathFinder& pf = PathFinders[i];
        std::free(pf.RouteX);
        std::free(pf.RouteY);
        std::free(pf.RouteLength);
        std::free(pf.RouteIndex);
        delete pf.accel;
    }
    std::free(SearchBlock);
    SearchBlock = nullptr;
    std::free(PathFinders);
    PathFinders = nullptr;
}

// Clears only what searches wrote; the route cells stay as they are, since no
// route index points into them any more.
void ResetPathFinders()
{
    if (!PathFinders)
        return;
    for (int i = 0; i < 2; ++i) {
        PathFinder& pf = PathFinders[i];
        PathSearchAccel* a = pf.accel;
        if (!a)
            continue;
        if (pf.Active)
            a->node_dirty = std::max(a->node_dirty, static_cast<int64_t>(pf.LastNode) + 1);
        const size_t nodes = static_cast<size_t>(std::min(a->node_dirty, a->node_capacity));
        std::memset(pf.NodeX, 0, nodes * sizeof(int16_t));
        std::memset(pf.NodeY, 0, nodes * sizeof(int16_t));
        std::memset(pf.NodeParent, 0, nodes * sizeof(uint32_t));
        std::memset(pf.NodeState, 0, nodes);
        std::memset(pf.NodeCost, 0, nodes * sizeof(float));
        std::memset(pf.SearchMask, 0, static_cast<size_t>(std::min(a->mask_dirty, a->node_capacity)));
        std::memset(pf.RouteLength, 0, static_cast<size_t>(a->unit_capacity) * sizeof(uint32_t));
        uint8_t* base = static_cast<uint8_t*>(SearchBlock) + i * SearchStride(static_cast<size_t>(a->node_capacity));
        PathSearchAccel fresh(reinterpret_cast<uint64_t*>(base));
        fresh.node_capacity = a->node_capacity;
        fresh.unit_capacity = a->unit_capacity;
        *a = std::move(fresh);
        // The arrays stay; every other field is as created.
        const PathFinder kept = pf;
        pf = PathFinder{};
        pf.NodeX = kept.NodeX;
        pf.NodeY = kept.NodeY;
        pf.NodeParent = kept.NodeParent;
        pf.NodeState = kept.NodeState;
        pf.NodeCost = kept.NodeCost;
        pf.RouteX = kept.RouteX;
        pf.RouteY = kept.RouteY;
        pf.RouteLength = kept.RouteLength;
        pf.RouteIndex = kept.RouteIndex;
        pf.SearchMask = kept.SearchMask;
        pf.accel = a;
        SetStartFields(pf);
    }
}

void SchedulePathFinder(PathFinder* pf)
{
    if (!pf || !UnitTable)
        return;
    int32_t best = 9999999;
    for (int32_t u = 0; u < MaxUnits; ++u) {
        const Unit& unit = UnitTable[u];
        if (unit.route_order == ROUTE_NO_ORDER || !(unit.hit_points > 0.0f))
            continue;
        if (unit.route_order < best) {
            best = unit.route_order;
            pf->NextUnit = u;
        }
    }
}
