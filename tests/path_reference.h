// The path search written the plain way, as a reference for the game's own:
// the open node is chosen by a linear scan from ScanStart, and a new search
// clears the first WindowSide x WindowSide entries of every array.
// Also a small-world fixture and helpers shared by the path tests and benches.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace pathref
{

inline PathFinder* Create()
{
    const size_t cells = static_cast<size_t>(LayerCells);
    const size_t units = static_cast<size_t>(MaxUnits);
    auto* pf = static_cast<PathFinder*>(std::calloc(1, sizeof(PathFinder)));
    pf->NodeX = static_cast<int16_t*>(std::calloc(cells, 2));
    pf->NodeY = static_cast<int16_t*>(std::calloc(cells, 2));
    pf->NodeParent = static_cast<uint32_t*>(std::calloc(cells, 4));
    pf->NodeState = static_cast<uint8_t*>(std::calloc(cells, 1));
    pf->NodeCost = static_cast<float*>(std::calloc(cells, 4));
    pf->SearchMask = static_cast<uint8_t*>(std::calloc(cells, 1));
    pf->RouteX = static_cast<uint32_t*>(std::calloc(units * PathCap, 4));
    pf->RouteY = static_cast<uint32_t*>(std::calloc(units * PathCap, 4));
    pf->RouteLength = static_cast<uint32_t*>(std::calloc(units, 4));
    pf->RouteIndex = static_cast<int32_t*>(std::calloc(units, 4));
    for (size_t u = 0; u < units; ++u)
        pf->RouteIndex[u] = -9;
    pf->RunningUnit = 1;
    const int32_t dx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    const int32_t dy[8] = {1, 1, 0, -1, -1, -1, 0, 1};
    for (int d = 0; d < 8; ++d) {
        pf->DirX[d] = dx[d];
        pf->DirY[d] = dy[d];
        pf->DirCost[d] = d % 2 == 0 ? 1.0f : 1.4142f;
    }
    return pf;
}

inline void Free(PathFinder* pf)
{
    if (!pf)
        return;
    std::free(pf->NodeX);
    std::free(pf->NodeY);
    std::free(pf->NodeParent);
    std::free(pf->NodeState);
    std::free(pf->NodeCost);
    std::free(pf->SearchMask);
    std::free(pf->RouteX);
    std::free(pf->RouteY);
    std::free(pf->RouteLength);
    std::free(pf->RouteIndex);
    std::free(pf);
}

inline int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

inline void StartSearch(PathFinder* pf, int32_t sx, int32_t sy, int32_t gx, int32_t gy, int32_t layer, int32_t w)
{
    pf->SearchLayer = layer;
    sx = Clamp(sx, 0, WorldSide - 1);
    sy = Clamp(sy, 0, WorldSide - 1);
    gx = Clamp(gx, 0, WorldSide - 1);
    gy = Clamp(gy, 0, WorldSide - 1);
    pf->WindowSide = w;
    pf->WindowX = sx - w / 2;
    pf->WindowY = sy - w / 2;
    if (pf->WindowX < 0)
        pf->WindowX = 0;
    if (pf->WindowX > WorldSide - w)
        pf->WindowX = WorldSide - w;
    if (pf->WindowY < 0)
        pf->WindowY = 0;
    if (pf->WindowY > WorldSide - w)
        pf->WindowY = WorldSide - w;
    pf->StartX = Clamp(sx, pf->WindowX + 1, pf->WindowX + w - 2);
    pf->StartY = Clamp(sy, pf->WindowY + 1, pf->WindowY + w - 2);
    pf->GoalX = Clamp(gx, pf->WindowX + 1, pf->WindowX + w - 2);
    pf->GoalY = Clamp(gy, pf->WindowY + 1, pf->WindowY + w - 2);
    for (int32_t i = 0; i < w * w; ++i) {
        pf->NodeX[i] = 0;
        pf->NodeY[i] = 0;
        pf->NodeParent[i] = 0;
        pf->NodeState[i] = 0;
        pf->NodeCost[i] = 0;
        pf->SearchMask[i] = 0;
    }
    for (int32_t i = 0; i < w; ++i) {
        pf->SearchMask[0 * w + i] = 1;
        pf->SearchMask[(w - 1) * w + i] = 1;
        pf->SearchMask[i * w + 0] = 1;
        pf->SearchMask[i * w + w - 1] = 1;
    }
    pf->SearchMask[(pf->StartY - pf->WindowY) * w + (pf->StartX - pf->WindowX)] = 0;
    pf->SearchMask[(pf->GoalY - pf->WindowY) * w + (pf->GoalX - pf->WindowX)] = 0;
    pf->NodeX[0] = static_cast<int16_t>(pf->StartX);
    pf->NodeY[0] = static_cast<int16_t>(pf->StartY);
    pf->NodeParent[0] = 0;
    pf->NodeState[0] = 0;
    pf->NodeCost[0] = 1.0f;
    pf->CurrentNode = 0;
    pf->LastNode = 0;
    pf->ScanStart = 0;
    pf->BestCost = 0;
    pf->Result = 0;
    pf->Failed = 0;
    pf->Iterations = 0;
    pf->Active = 1;
}

inline bool OpenCorner(uint8_t code)
{
    return code == LAND_PLAIN || code == LAND_FOREST || code == LAND_HILLS || code == CELL_FLOOR;
}

inline int SearchSteps(PathFinder* pf, int32_t n)
{
    if (pf->Active == 0)
        return 5;
    if (pf->StartX == pf->GoalX && pf->StartY == pf->GoalY) {
        pf->Result = 3;
        return 4;
    }
    const int32_t w = pf->WindowSide;
    for (int32_t step = 0; step < n; ++step) {
        pf->Iterations += 1;
        if (pf->Iterations >= LayerCells)
            return 3;
        int32_t c = pf->CurrentNode;
        int32_t x = pf->NodeX[c];
        int32_t y = pf->NodeY[c];
        for (int d = 0; d < 8; ++d) {
            int32_t nx = x + pf->DirX[d];
            int32_t ny = y + pf->DirY[d];
            if (d % 2 == 1) {
                uint8_t side_a = MainMap[CellIndex(x + pf->DirX[d], y, pf->SearchLayer)];
                uint8_t side_b = MainMap[CellIndex(x, y + pf->DirY[d], pf->SearchLayer)];
                if (!OpenCorner(side_a) || !OpenCorner(side_b))
                    continue;
            }
            int32_t m = (ny - pf->WindowY) * w + (nx - pf->WindowX);
            uint8_t code = MainMap[CellIndex(nx, ny, pf->SearchLayer)];
            if (pf->SearchMask[m] == 0 && code != CELL_EMPTY && code != CELL_WALL && code != CELL_DOOR) {
                pf->LastNode += 1;
                int32_t k = pf->LastNode;
                pf->NodeX[k] = static_cast<int16_t>(nx);
                pf->NodeY[k] = static_cast<int16_t>(ny);
                pf->NodeParent[k] = static_cast<uint32_t>(c);
                pf->NodeState[k] = 0;
                pf->NodeCost[k] = 1.0 * pf->DirCost[d] + pf->NodeCost[c] + TerrainCost[code];
                pf->SearchMask[m] = 1;
            }
        }
        pf->NodeState[c] = 9;
        pf->SearchMask[(y - pf->WindowY) * w + (x - pf->WindowX)] = 9;
        pf->BestCost = static_cast<float>(2 * LayerCells);
        pf->BestNode = pf->LastNode;
        for (int32_t i = pf->ScanStart; i <= pf->LastNode; ++i) {
            if (pf->NodeState[i] < 9 && pf->BestCost >= pf->NodeCost[i]) {
                pf->BestCost = pf->NodeCost[i];
                pf->BestNode = i;
            }
        }
        for (int32_t i = pf->ScanStart; i <= pf->LastNode; ++i) {
            if (pf->NodeState[i] < 9) {
                pf->ScanStart = i;
                break;
            }
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
    uint32_t* rx = pf->RouteX + u * PathCap;
    uint32_t* ry = pf->RouteY + u * PathCap;
    pf->RouteLength[u] = 0;
    rx[pf->RouteLength[u]] = pf->NodeX[k];
    ry[pf->RouteLength[u]] = pf->NodeY[k];
    pf->RouteLength[u] += 1;
    for (int32_t i = 0; i < LayerCells; ++i) {
        if (pf->NodeParent[k] == 0)
            break;
        if (pf->RouteLength[u] == static_cast<uint32_t>(PathCap - 2)) {
            pf->Failed = 1;
            return;
        }
        k = pf->NodeParent[k];
        rx[pf->RouteLength[u]] = pf->NodeX[k];
        ry[pf->RouteLength[u]] = pf->NodeY[k];
        pf->RouteLength[u] += 1;
    }
    pf->RouteIndex[u] = pf->RouteLength[u] - 1;
}

// The reachable-cell marks of one frame, cell by cell.
inline void MarkSearchedCells(const PathFinder* pf)
{
    int32_t x0 = pf->WindowX;
    int32_t y0 = pf->WindowY;
    int32_t w = pf->WindowSide;
    for (int32_t y = y0; y < y0 + w; ++y) {
        for (int32_t x = x0; x < x0 + w; ++x) {
            uint8_t& flag = FlagMap[CellIndex(x, y, 1)];
            if (flag == FLAG_SEARCHED)
                flag = 0;
            if (pf->SearchMask[y * w + x] != 0 && flag == 0 && MainMap[CellIndex(x, y, 1)] == CELL_FLOOR)
                flag = FLAG_SEARCHED;
        }
    }
}

// First difference between the search states of two pathfinders, "" when equal.
// Node arrays and the mask are compared over `entries` entries.
inline std::string DiffSearch(const PathFinder& a, const PathFinder& b, int64_t entries)
{
#define PATHREF_FIELD(f)                                                                                               \
    if (a.f != b.f)                                                                                                    \
        return std::string(#f " ") + std::to_string(a.f) + " vs " + std::to_string(b.f);
    PATHREF_FIELD(StartX)
    PATHREF_FIELD(StartY)
    PATHREF_FIELD(GoalX)
    PATHREF_FIELD(GoalY)
    PATHREF_FIELD(WindowX)
    PATHREF_FIELD(WindowY)
    PATHREF_FIELD(WindowSide)
    PATHREF_FIELD(SearchLayer)
    PATHREF_FIELD(Failed)
    PATHREF_FIELD(Iterations)
    PATHREF_FIELD(CurrentNode)
    PATHREF_FIELD(LastNode)
    PATHREF_FIELD(ScanStart)
    PATHREF_FIELD(BestCost)
    PATHREF_FIELD(BestNode)
    PATHREF_FIELD(Result)
    PATHREF_FIELD(GoalNode)
    PATHREF_FIELD(Active)
#undef PATHREF_FIELD
    for (int64_t i = 0; i < entries; ++i) {
        if (a.NodeX[i] != b.NodeX[i] || a.NodeY[i] != b.NodeY[i] || a.NodeParent[i] != b.NodeParent[i] ||
            a.NodeState[i] != b.NodeState[i] || std::memcmp(&a.NodeCost[i], &b.NodeCost[i], 4) != 0)
            return "node " + std::to_string(i);
        if (a.SearchMask[i] != b.SearchMask[i])
            return "mask " + std::to_string(i) + ": " + std::to_string(a.SearchMask[i]) + " vs " +
                   std::to_string(b.SearchMask[i]);
    }
    return "";
}

// A world of the given side with zeroed grids, units and pathfinders; the
// previous dimensions come back when it goes.
class SmallWorld
{
  public:
    SmallWorld(int32_t side, int32_t units)
        : side_(WorldSide), cells_(LayerCells), layers_(WorldLayers), units_(MaxUnits)
    {
        FreeWorldTables();
        WorldSide = side;
        LayerCells = side * side;
        WorldLayers = 3;
        MaxUnits = units;
        AllocateGrids();
        AllocateUnitTable();
        CreatePathFinders();
        InitTerrainCost();
    }
    ~SmallWorld()
    {
        FreeWorldTables();
        WorldSide = side_;
        LayerCells = cells_;
        WorldLayers = layers_;
        MaxUnits = units_;
    }
    SmallWorld(const SmallWorld&) = delete;
    SmallWorld& operator=(const SmallWorld&) = delete;

  private:
    static void FreeWorldTables()
    {
        FreePathFinders();
        FreeUnitTable();
        FreeGrids();
    }
    int32_t side_, cells_, layers_, units_;
};

} // namespace pathref
