// The path search written the plain way, as a reference for the game's own: the open node chosen by a
// linear scan from ScanStart, the first WindowSide x WindowSide entries cleared by a new search. Also the
// reachable-cell marks cell by cell, and a small world for the tests and benches.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace pathref
{
template <class T> void Allocate(T*& array, size_t n) { array = static_cast<T*>(std::calloc(n, sizeof(T))); }

inline PathFinder* Create()
{
    const size_t cells = static_cast<size_t>(LayerCells), units = static_cast<size_t>(MaxUnits);
    auto* pf = static_cast<PathFinder*>(std::calloc(1, sizeof(PathFinder)));
    Allocate(pf->NodeX, cells), Allocate(pf->NodeY, cells), Allocate(pf->NodeParent, cells);
    Allocate(pf->NodeState, cells), Allocate(pf->NodeCost, cells), Allocate(pf->SearchMask, cells);
    Allocate(pf->RouteX, units * PathCap), Allocate(pf->RouteY, units * PathCap);
    Allocate(pf->RouteLength, units), Allocate(pf->RouteIndex, units);
    std::fill_n(pf->RouteIndex, units, -9);
    const int32_t dx[8] = {0, 1, 1, 1, 0, -1, -1, -1}, dy[8] = {1, 1, 0, -1, -1, -1, 0, 1};
    for (int d = 0; d < 8; ++d)
        std::tie(pf->DirX[d], pf->DirY[d], pf->DirCost[d]) = std::make_tuple(dx[d], dy[d], d % 2 ? 1.4142f : 1.0f);
    return pf;
}

template <class... T> void FreeAll(T*... arrays) { (std::free(arrays), ...); }

inline void Free(PathFinder* p)
{
    FreeAll(p->NodeX, p->NodeY, p->NodeParent, p->NodeState, p->NodeCost, p->SearchMask, p->RouteX, p->RouteY,
            p->RouteLength, p->RouteIndex, p);
}

inline void StartSearch(PathFinder* pf, int32_t sx, int32_t sy, int32_t gx, int32_t gy, int32_t layer, int32_t w)
{
    const int32_t edge = WorldSide - 1, x = std::clamp(sx, 0, edge), y = std::clamp(sy, 0, edge);
    pf->WindowX = std::clamp(x - w / 2, 0, WorldSide - w);
    pf->WindowY = std::clamp(y - w / 2, 0, WorldSide - w);
    const int32_t x0 = pf->WindowX + 1, y0 = pf->WindowY + 1, x1 = pf->WindowX + w - 2, y1 = pf->WindowY + w - 2;
    std::tie(pf->SearchLayer, pf->WindowSide, pf->StartX, pf->StartY, pf->GoalX, pf->GoalY) =
        std::make_tuple(layer, w, std::clamp(x, x0, x1), std::clamp(y, y0, y1),
                        std::clamp(std::clamp(gx, 0, edge), x0, x1), std::clamp(std::clamp(gy, 0, edge), y0, y1));
    for (int32_t i = 0; i < w * w; ++i) {
        pf->NodeX[i] = pf->NodeY[i] = pf->NodeParent[i] = pf->NodeState[i] = pf->NodeCost[i] = 0;
        pf->SearchMask[i] = i < w || i >= (w - 1) * w || i % w == 0 || i % w == w - 1;
    }
    pf->SearchMask[(pf->StartY - pf->WindowY) * w + (pf->StartX - pf->WindowX)] = 0;
    pf->SearchMask[(pf->GoalY - pf->WindowY) * w + (pf->GoalX - pf->WindowX)] = 0;
    std::tie(pf->NodeX[0], pf->NodeY[0], pf->NodeCost[0]) = std::make_tuple(pf->StartX, pf->StartY, 1.0f);
    pf->CurrentNode = pf->LastNode = pf->ScanStart = 0;
    pf->BestCost = 0;
    pf->Result = pf->Failed = pf->Iterations = 0;
    pf->Active = 1;
}

inline bool OpenCorner(uint8_t c) { return c == LAND_PLAIN || c == LAND_FOREST || c == LAND_HILLS || c == CELL_FLOOR; }

inline int SearchSteps(PathFinder* pf, int32_t n)
{
    if (pf->Active == 0)
        return 5;
    if (pf->StartX == pf->GoalX && pf->StartY == pf->GoalY) {
        pf->Result = 3;
        return 4;
    }
    const int32_t w = pf->WindowSide, z = pf->SearchLayer;
    for (int32_t step = 0; step < n; ++step) {
        if (++pf->Iterations >= LayerCells)
            return 3;
        const int32_t c = pf->CurrentNode, x = pf->NodeX[c], y = pf->NodeY[c];
        for (int d = 0; d < 8; ++d) {
            const int32_t nx = x + pf->DirX[d], ny = y + pf->DirY[d];
            if (d % 2 == 1 && (!OpenCorner(MainMap[CellIndex(nx, y, z)]) || !OpenCorner(MainMap[CellIndex(x, ny, z)])))
                continue;
            const int32_t m = (ny - pf->WindowY) * w + (nx - pf->WindowX);
            const uint8_t code = MainMap[CellIndex(nx, ny, z)];
            if (pf->SearchMask[m] == 0 && code != CELL_EMPTY && code != CELL_WALL && code != CELL_DOOR) {
                const int32_t k = ++pf->LastNode;
                std::tie(pf->NodeX[k], pf->NodeY[k], pf->NodeParent[k], pf->NodeState[k], pf->SearchMask[m]) =
                    std::make_tuple(nx, ny, c, 0, 1);
                pf->NodeCost[k] = 1.0 * pf->DirCost[d] + pf->NodeCost[c] + TerrainCost[code];
            }
        }
        pf->NodeState[c] = 9;
        pf->SearchMask[(y - pf->WindowY) * w + (x - pf->WindowX)] = 9;
        pf->BestCost = static_cast<float>(2 * LayerCells);
        pf->BestNode = pf->LastNode;
        for (int32_t i = pf->ScanStart; i <= pf->LastNode; ++i)
            if (pf->NodeState[i] < 9 && pf->BestCost >= pf->NodeCost[i])
                std::tie(pf->BestCost, pf->BestNode) = std::make_tuple(pf->NodeCost[i], i);
        for (int32_t i = pf->ScanStart; i <= pf->LastNode; ++i)
            if (pf->NodeState[i] < 9) {
                pf->ScanStart = i;
                break;
            }
        pf->CurrentNode = pf->BestNode;
        if (pf->NodeX[pf->CurrentNode] == pf->GoalX && pf->NodeY[pf->CurrentNode] == pf->GoalY) {
            pf->Result = 1;
            pf->GoalNode = pf->CurrentNode;
            return 1;
        }
    }
    return 0;
}

inline void BuildRoute(PathFinder* pf, int32_t u)
{
    int32_t k = pf->CurrentNode;
    uint32_t *rx = pf->RouteX + u * PathCap, *ry = pf->RouteY + u * PathCap, &length = pf->RouteLength[u];
    std::tie(rx[0], ry[0]) = std::make_tuple(pf->NodeX[k], pf->NodeY[k]);
    for (length = 1; pf->NodeParent[k] != 0; ++length) {
        if (length == static_cast<uint32_t>(PathCap - 2)) {
            pf->Failed = 1;
            return;
        }
        k = pf->NodeParent[k];
        std::tie(rx[length], ry[length]) = std::make_tuple(pf->NodeX[k], pf->NodeY[k]);
    }
    pf->RouteIndex[u] = length - 1;
}

// One frame's marks of layer 1, cell by cell.
inline void MarkSearchedCells(const PathFinder* pf)
{
    const int32_t x0 = pf->WindowX, y0 = pf->WindowY, w = pf->WindowSide;
    for (int32_t y = y0; y < y0 + w; ++y)
        for (int32_t x = x0; x < x0 + w; ++x) {
            uint8_t& flag = FlagMap[CellIndex(x, y, 1)];
            if (flag == FLAG_SEARCHED)
                flag = 0;
            if (pf->SearchMask[y * w + x] != 0 && flag == 0 && MainMap[CellIndex(x, y, 1)] == CELL_FLOOR)
                flag = FLAG_SEARCHED;
        }
}

// The search state's scalars, and the first entry where the node arrays or the mask differ (-1: none).
inline auto Scalars(const PathFinder& p)
{
    return std::make_tuple(p.StartX, p.StartY, p.GoalX, p.GoalY, p.WindowX, p.WindowY, p.WindowSide, p.SearchLayer,
                           p.Failed, p.Iterations, p.CurrentNode, p.LastNode, p.ScanStart, p.BestCost, p.BestNode,
                           p.Result, p.GoalNode, p.Active);
}

inline int64_t FirstDifference(const PathFinder& a, const PathFinder& b)
{
    for (int64_t i = 0; i < LayerCells; ++i)
        if (a.NodeX[i] != b.NodeX[i] || a.NodeY[i] != b.NodeY[i] || a.NodeParent[i] != b.NodeParent[i] ||
            a.NodeState[i] != b.NodeState[i] || std::memcmp(&a.NodeCost[i], &b.NodeCost[i], 4) != 0 ||
            a.SearchMask[i] != b.SearchMask[i])
            return i;
    return -1;
}

// A world of the given side with zeroed tables; the previous dimensions come back, without tables, when it goes.
struct SmallWorld {
    int32_t side = WorldSide, units = MaxUnits;
    SmallWorld(int32_t s, int32_t u) { Resize(s, u, true); }
    ~SmallWorld() { Resize(side, units, false); }
    static void Resize(int32_t s, int32_t u, bool allocate)
    {
        FreePathFinders();
        FreeUnitTable();
        FreeGrids();
        std::tie(WorldSide, LayerCells, WorldLayers, MaxUnits) = std::make_tuple(s, s * s, 3, u);
        if (allocate) {
            AllocateGrids();
            AllocateUnitTable();
            CreatePathFinders();
            InitTerrainCost();
        }
    }
};

} // namespace pathref
