// The game's search against the plain linear scan, and the search rules on
// hand-built worlds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/random.h"
#include "app/shell.h"
#include "path_reference.h"
#include "platform/headless/headless.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace
{

uint8_t& Cell(int32_t x, int32_t y, int32_t layer) { return MainMap[CellIndex(x, y, layer)]; }

void FillLayer(int32_t layer, uint8_t code)
{
    std::memset(MainMap + static_cast<size_t>(layer) * LayerCells, code, static_cast<size_t>(LayerCells));
}

// Floor with walls, doors, holes and landscape of every price, drawn with Rand().
void FillRandomLayer(int32_t layer, int32_t wall_percent, int32_t land_percent)
{
    static const uint8_t land[] = {LAND_PLAIN,    LAND_FOREST,        LAND_HILLS, LAND_WATER, LAND_WATER_DEEP,
                                   LAND_MOUNTAIN, LAND_MOUNTAIN_HIGH, LAND_ROAD,  LAND_SWAMP, CELL_TRAP,
                                   SITE_VILLAGE,  CELL_MARBLE_FLOOR,  200,        CELL_BLOCK, CELL_STAIRS_UP};
    for (int32_t y = 0; y < WorldSide; ++y) {
        for (int32_t x = 0; x < WorldSide; ++x) {
            int32_t r = Rand() % 100;
            uint8_t code = CELL_FLOOR;
            if (r < wall_percent)
                code = CELL_WALL;
            else if (r < wall_percent + 2)
                code = CELL_DOOR;
            else if (r < wall_percent + 3)
                code = CELL_EMPTY;
            else if (r < wall_percent + 3 + land_percent)
                code = land[Rand() % static_cast<int32_t>(sizeof land)];
            Cell(x, y, layer) = code;
        }
    }
}

// Runs the same search on the game's pathfinder and on the reference, in
// random slices, comparing everything after every call. Returns the last result.
int CompareSearch(PathFinder* fast, PathFinder* ref, int32_t sx, int32_t sy, int32_t gx, int32_t gy, int32_t layer,
                  int32_t w, bool change_map, int32_t route_unit)
{
    StartSearch(fast, sx, sy, gx, gy, layer, w);
    pathref::StartSearch(ref, sx, sy, gx, gy, layer, w);
    EXPECT_EQ(pathref::DiffSearch(*fast, *ref, LayerCells), "") << "after start";
    int r = 0;
    for (int call = 0; call < 400; ++call) {
        int32_t n = Rand() % 4 == 0 ? LayerCells / 8 : Rand() % 300 + 1;
        int rf = SearchSteps(fast, n);
        int rr = pathref::SearchSteps(ref, n);
        EXPECT_EQ(rf, rr) << "call " << call;
        std::string diff = pathref::DiffSearch(*fast, *ref, LayerCells);
        EXPECT_EQ(diff, "") << "call " << call << " slice " << n;
        if (rf != rr || !diff.empty())
            return -1;
        r = rf;
        if (rf == 1 && route_unit >= 0) {
            BuildRoute(fast, route_unit);
            pathref::BuildRoute(ref, route_unit);
            EXPECT_EQ(fast->Failed, ref->Failed);
            EXPECT_EQ(fast->RouteIndex[route_unit], ref->RouteIndex[route_unit]);
            EXPECT_EQ(fast->RouteLength[route_unit], ref->RouteLength[route_unit]);
            size_t base = static_cast<size_t>(route_unit) * PathCap;
            for (uint32_t i = 0; i < ref->RouteLength[route_unit]; ++i) {
                if (fast->RouteX[base + i] != ref->RouteX[base + i] ||
                    fast->RouteY[base + i] != ref->RouteY[base + i]) {
                    ADD_FAILURE() << "route cell " << i;
                    return -1;
                }
            }
        }
        // Now and then the search goes on past its end, as a second walker
        // sharing PathFinder 0 would make it.
        if ((rf == 1 || rf == 4) && Rand() % 3 != 0)
            break;
        if (rf == 3 && Rand() % 2 == 0)
            break;
        if (change_map && Rand() % 3 == 0) {
            // Doors open and walls fall between slices, also around the last
            // node, which an exhausted search keeps expanding.
            for (int d = 0; d < 8; ++d) {
                int32_t x = fast->NodeX[fast->LastNode] + fast->DirX[d];
                int32_t y = fast->NodeY[fast->LastNode] + fast->DirY[d];
                uint8_t& c = Cell(x, y, layer);
                if ((c == CELL_WALL || c == CELL_DOOR) && Rand() % 2 == 0)
                    c = CELL_FLOOR;
            }
            for (int i = 0; i < 40; ++i) {
                int32_t x = Rand() % WorldSide;
                int32_t y = Rand() % WorldSide;
                uint8_t& c = Cell(x, y, layer);
                if (c == CELL_DOOR || c == CELL_WALL)
                    c = CELL_FLOOR;
                else if (c == CELL_FLOOR && Rand() % 4 == 0)
                    c = CELL_WALL;
            }
        }
    }
    return r;
}

class PathCompare : public ::testing::Test
{
  protected:
    void TearDown() override { pathref::Free(ref_); }
    PathFinder* ref_ = nullptr;
};

} // namespace

TEST_F(PathCompare, RandomWorldsChooseTheSameNodeAtEveryStep)
{
    Srand(4242);
    int results[6] = {};
    for (int world = 0; world < 40; ++world) {
        static const int32_t sides[] = {24, 40, 64, 72};
        pathref::SmallWorld sw(sides[world % 4], 8);
        // One reference per pathfinder, so that both keep the same history.
        ref_ = pathref::Create();
        PathFinder* ref1 = pathref::Create();
        int32_t layer = Rand() % 3;
        FillRandomLayer(layer, 10 + Rand() % 35, Rand() % 60);
        for (int search = 0; search < 6; ++search) {
            static const int32_t windows[] = {3, 5, 16, 23};
            int32_t w = Rand() % 2 == 0 ? WorldSide : std::min(windows[Rand() % 4], WorldSide);
            int32_t sx = Rand() % (WorldSide + 10) - 5;
            int32_t sy = Rand() % (WorldSide + 10) - 5;
            int32_t gx = Rand() % (WorldSide + 10) - 5;
            int32_t gy = Rand() % (WorldSide + 10) - 5;
            PathFinder* fast = &PathFinders[search % 2];
            int r =
                CompareSearch(fast, search % 2 ? ref1 : ref_, sx, sy, gx, gy, layer, w, search % 3 == 2, search % 8);
            if (r < 0)
                pathref::Free(ref1);
            ASSERT_GE(r, 0) << "world " << world << " search " << search;
            results[r] += 1;
        }
        pathref::Free(ref1);
        pathref::Free(ref_);
        ref_ = nullptr;
    }
    // The worlds reach every outcome: goals found, exhausted searches, start on goal.
    EXPECT_GT(results[1], 10) << results[3] << " " << results[4];
    EXPECT_GT(results[3], 10);
    EXPECT_GT(results[4], 3);
}

TEST_F(PathCompare, CostsAboveTheScanLimitFallBackToTheLastNode)
{
    // Costs beyond 2 x LayerCells make the scan keep LastNode even while open
    // nodes remain; a field of high mountains gets there within a few hundred steps.
    Srand(99);
    pathref::SmallWorld sw(40, 4);
    ref_ = pathref::Create();
    FillLayer(1, LAND_MOUNTAIN_HIGH);
    for (int32_t i = 0; i < 30; ++i)
        Cell(Rand() % 40, Rand() % 40, 1) = CELL_WALL;
    int r = CompareSearch(&PathFinders[0], ref_, 3, 3, 36, 36, 1, WorldSide, false, -1);
    ASSERT_GE(r, 0);
    EXPECT_GT(PathFinders[0].BestCost, 0.0f);
    EXPECT_EQ(PathFinders[0].BestCost, static_cast<float>(2 * LayerCells)) << "the fallback was never reached";
}

TEST_F(PathCompare, LazyClearingLeavesTheArraysAsAFullClearWould)
{
    // Searches of different window sizes one after another: what lies beyond
    // the cleared part must be what the plain clear leaves there.
    Srand(7);
    pathref::SmallWorld sw(64, 4);
    ref_ = pathref::Create();
    FillRandomLayer(0, 20, 10);
    const int32_t windows[] = {64, 10, 64, 33, 5, 20, 64, 3, 64};
    for (int32_t w : windows) {
        int32_t sx = Rand() % 64, sy = Rand() % 64;
        ASSERT_GE(CompareSearch(&PathFinders[1], ref_, sx, sy, Rand() % 64, Rand() % 64, 0, w, false, 1), 0);
        // Whole arrays, far past the window.
        ASSERT_EQ(pathref::DiffSearch(PathFinders[1], *ref_, LayerCells), "") << "window " << w;
    }
}

TEST_F(PathCompare, ADoorOpenedBesideAnExhaustedSearchIsFoundOnReexpansion)
{
    // Idle re-expansions of LastNode must still look at the map: a door opened
    // between slices next to its cell lets the search go on.
    pathref::SmallWorld sw(32, 4);
    ref_ = pathref::Create();
    FillLayer(1, CELL_FLOOR);
    for (int32_t i = 4; i <= 10; ++i) {
        Cell(i, 4, 1) = Cell(i, 10, 1) = CELL_WALL;
        Cell(4, i, 1) = Cell(10, i, 1) = CELL_WALL;
    }
    PathFinder* fast = &PathFinders[0];
    StartSearch(fast, 7, 7, 25, 25, 1, 32);
    pathref::StartSearch(ref_, 7, 7, 25, 25, 1, 32);
    ASSERT_EQ(SearchSteps(fast, 100), 0);
    ASSERT_EQ(pathref::SearchSteps(ref_, 100), 0);
    ASSERT_EQ(pathref::DiffSearch(*fast, *ref_, LayerCells), "");
    ASSERT_EQ(fast->LastNode, 24) << "the room holds 25 cells";
    ASSERT_EQ(fast->CurrentNode, fast->LastNode);
    int32_t lx = fast->NodeX[fast->LastNode];
    int32_t ly = fast->NodeY[fast->LastNode];
    bool opened = false;
    for (int d = 0; d < 8 && !opened; d += 2) {
        uint8_t& c = Cell(lx + fast->DirX[d], ly + fast->DirY[d], 1);
        if (c == CELL_WALL) {
            c = CELL_FLOOR;
            opened = true;
        }
    }
    ASSERT_TRUE(opened) << "the last node lies inside the room";
    int rf = SearchSteps(fast, 2000);
    ASSERT_EQ(rf, pathref::SearchSteps(ref_, 2000));
    EXPECT_EQ(rf, 1);
    EXPECT_EQ(pathref::DiffSearch(*fast, *ref_, LayerCells), "");
}

TEST_F(PathCompare, StartWorldWithOpenedDoorsLongRoutes)
{
    HeadlessReset();
    PrepareStartUp();
    PopulateWorld();
    ref_ = pathref::Create();
    int doors = 0;
    for (int32_t i = 0; i < LayerCells; ++i) {
        uint8_t& c = MainMap[LayerCells + i];
        if (c == CELL_DOOR) {
            c = CELL_FLOOR;
            ++doors;
        }
    }
    ASSERT_GT(doors, 1000) << "the start world has not been built";
    const Unit& first = UnitTable[CurrentUnit];
    PathFinder* fast = &PathFinders[0];
    // A wall cell as the goal: the search runs through the whole reachable part
    // of the layer in eight slices. Its nodes then give reachable goals, near and far.
    std::vector<std::pair<int32_t, int32_t>> goals = {{0, 0}};
    int32_t longest = 0;
    bool failed_route = false;
    for (size_t g = 0; g < goals.size(); ++g) {
        auto [gx, gy] = goals[g];
        StartSearch(fast, first.cell_x, first.cell_y, gx, gy, 1, 1024);
        pathref::StartSearch(ref_, first.cell_x, first.cell_y, gx, gy, 1, 1024);
        int r = 0;
        for (int slice = 0; slice < 8 && r == 0; ++slice) {
            r = SearchSteps(fast, 131072);
            ASSERT_EQ(r, pathref::SearchSteps(ref_, 131072));
            ASSERT_EQ(pathref::DiffSearch(*fast, *ref_, LayerCells), "") << "goal " << g << " slice " << slice;
        }
        if (g == 0) {
            ASSERT_EQ(r, 3);
            ASSERT_GT(fast->LastNode, 100000);
            for (int32_t k : {fast->LastNode / 50, fast->LastNode / 3, fast->LastNode - 1})
                goals.emplace_back(fast->NodeX[k], fast->NodeY[k]);
            continue;
        }
        ASSERT_EQ(r, 1) << "goal " << g;
        BuildRoute(fast, 5);
        pathref::BuildRoute(ref_, 5);
        ASSERT_EQ(fast->Failed, ref_->Failed);
        failed_route = failed_route || fast->Failed;
        if (fast->Failed)
            continue;
        ASSERT_EQ(fast->RouteIndex[5], ref_->RouteIndex[5]);
        longest = std::max(longest, ref_->RouteIndex[5] + 1);
        for (int32_t i = 0; i <= ref_->RouteIndex[5]; ++i) {
            ASSERT_EQ(fast->RouteX[5 * PathCap + i], ref_->RouteX[5 * PathCap + i]);
            ASSERT_EQ(fast->RouteY[5 * PathCap + i], ref_->RouteY[5 * PathCap + i]);
        }
    }
    std::printf("longest route compared: %d cells; a route too long for PathCap: %s\n", longest,
                failed_route ? "yes" : "no");
    EXPECT_GT(longest, 500);
    FreeWorld();
}

// ---- The search rules on hand-built worlds ----

class PathRules : public ::testing::Test
{
  protected:
    pathref::SmallWorld world_{32, 8};
    PathFinder* pf_ = &PathFinders[0];
    void Floor() { FillLayer(1, CELL_FLOOR); }
    // Node number of the node on a cell, -1 when none.
    int32_t NodeAt(int32_t x, int32_t y) const
    {
        for (int32_t k = 0; k <= pf_->LastNode; ++k)
            if (pf_->NodeX[k] == x && pf_->NodeY[k] == y)
                return k;
        return -1;
    }
};

TEST_F(PathRules, FirstExpansionDiscoversInSlotOrderAndTakesTheLastCheapest)
{
    Floor();
    StartSearch(pf_, 10, 10, 25, 10, 1, 32);
    ASSERT_EQ(SearchSteps(pf_, 1), 0);
    ASSERT_EQ(pf_->LastNode, 8);
    const int32_t cells[9][2] = {{10, 10}, {10, 11}, {11, 11}, {11, 10}, {11, 9}, {10, 9}, {9, 9}, {9, 10}, {9, 11}};
    for (int k = 0; k <= 8; ++k) {
        EXPECT_EQ(pf_->NodeX[k], cells[k][0]) << k;
        EXPECT_EQ(pf_->NodeY[k], cells[k][1]) << k;
        EXPECT_EQ(pf_->NodeParent[k], 0u) << k;
    }
    EXPECT_EQ(pf_->NodeCost[1], 5.0f);
    EXPECT_EQ(pf_->NodeCost[2], static_cast<float>(1.4142f + 1.0 + 3.0));
    // Four straight neighbours cost 5; the last discovered of them, (9, 10), goes next.
    EXPECT_EQ(pf_->CurrentNode, 7);
    EXPECT_EQ(pf_->BestCost, 5.0f);
    EXPECT_EQ(pf_->NodeState[0], 9);
    EXPECT_EQ(pf_->SearchMask[10 * 32 + 10], 9);
    EXPECT_EQ(pf_->SearchMask[11 * 32 + 11], 1);
    EXPECT_EQ(pf_->ScanStart, 1);
}

TEST_F(PathRules, DiagonalsNeedOpenCornersOnBothSides)
{
    Floor();
    Cell(11, 10, 1) = CELL_WALL;  // right of the start: blocks (+1, +1) and (+1, -1)
    Cell(10, 11, 1) = LAND_WATER; // above: water is not an open corner, blocks (+1, +1) and (-1, +1)
    Cell(10, 9, 1) = LAND_HILLS;  // below: hills are open
    Cell(9, 10, 1) = LAND_FOREST; // left: forest is open
    StartSearch(pf_, 10, 10, 25, 25, 1, 32);
    SearchSteps(pf_, 1);
    EXPECT_EQ(NodeAt(11, 11), -1);
    EXPECT_EQ(NodeAt(11, 9), -1);
    EXPECT_EQ(NodeAt(9, 11), -1);
    EXPECT_GE(NodeAt(9, 9), 0);
    EXPECT_GE(NodeAt(10, 11), 0) << "water itself can be entered";
    EXPECT_EQ(NodeAt(11, 10), -1);
    EXPECT_EQ(pf_->NodeCost[NodeAt(10, 11)], 1.0f + 1.0f + 16.0f);
    EXPECT_EQ(pf_->NodeCost[NodeAt(9, 10)], 1.0f + 1.0f + 9.0f);
}

TEST_F(PathRules, WallsBesideADiagonalBlockItEvenBetweenFloors)
{
    Floor();
    Cell(11, 10, 1) = CELL_WALL;
    Cell(10, 11, 1) = CELL_WALL;
    StartSearch(pf_, 10, 10, 11, 11, 1, 32);
    int r = SearchSteps(pf_, 10000);
    ASSERT_EQ(r, 1);
    BuildRoute(pf_, 2);
    // Not the single diagonal step: the walk goes round a corner.
    EXPECT_GT(pf_->RouteIndex[2], 0);
}

TEST_F(PathRules, CostsAreSummedInDoubleAndRoundedOnce)
{
    // Along a forest diagonal each step adds 1.4142 + 9; the rounding of the sum
    // in double differs from step-by-step float sums somewhere on the way.
    FillLayer(1, LAND_FOREST);
    StartSearch(pf_, 1, 1, 30, 30, 1, 32);
    ASSERT_EQ(SearchSteps(pf_, LayerCells), 1);
    float cost = 1.0f;
    float all_float = 1.0f;
    int differing = 0;
    for (int32_t k = 1; k <= 29; ++k) {
        cost = static_cast<float>(1.0 * 1.4142f + cost + 9.0f);
        all_float = 1.4142f + all_float + 9.0f;
        differing += cost != all_float;
        int32_t node = NodeAt(1 + k, 1 + k);
        ASSERT_GE(node, 0);
        ASSERT_EQ(pf_->NodeCost[node], cost) << "step " << k;
    }
    EXPECT_GT(differing, 0) << "the world does not tell the two roundings apart";
}

TEST_F(PathRules, WalledInGoalExhaustsAfterLayerCellsIterations)
{
    Floor();
    for (int32_t dx = -1; dx <= 1; ++dx)
        for (int32_t dy = -1; dy <= 1; ++dy)
            if (dx || dy)
                Cell(20 + dx, 20 + dy, 1) = CELL_WALL;
    StartSearch(pf_, 5, 5, 20, 20, 1, 32);
    int calls = 0;
    int r = 0;
    while (r == 0 && calls < 20) {
        r = SearchSteps(pf_, LayerCells / 8);
        ++calls;
    }
    EXPECT_EQ(r, 3);
    EXPECT_EQ(calls, 8);
    EXPECT_EQ(pf_->Iterations, LayerCells);
    EXPECT_EQ(pf_->Result, 0);
    // Every floor cell of the interior but the walled goal was expanded.
    EXPECT_EQ(pf_->SearchMask[20 * 32 + 20], 0);
    EXPECT_EQ(pf_->SearchMask[5 * 32 + 6], 9);
}

TEST_F(PathRules, StartOnGoalAndNoSearch)
{
    Floor();
    EXPECT_EQ(SearchSteps(pf_, 10), 5);
    StartSearch(pf_, 7, 7, 7, 7, 1, 32);
    EXPECT_EQ(SearchSteps(pf_, 10), 4);
    EXPECT_EQ(pf_->Result, 3);
    EXPECT_EQ(pf_->Iterations, 0);
}

TEST_F(PathRules, WindowIsPlacedAndEndPointsPulledIntoItsInterior)
{
    pathref::SmallWorld big(200, 4);
    PathFinder* pf = &PathFinders[1];
    StartSearch(pf, 3, 190, 500, -20, 1, 64);
    EXPECT_EQ(pf->WindowX, 0);
    EXPECT_EQ(pf->WindowY, 200 - 64);
    EXPECT_EQ(pf->StartX, 3);
    EXPECT_EQ(pf->StartY, 190);
    EXPECT_EQ(pf->GoalX, 62);
    EXPECT_EQ(pf->GoalY, 200 - 64 + 1);
    EXPECT_EQ(pf->SearchMask[0], 1);
    EXPECT_EQ(pf->SearchMask[63 * 64 + 63], 1);
    EXPECT_EQ(pf->SearchMask[10 * 64 + 63], 1);
    EXPECT_EQ(pf->SearchMask[10 * 64 + 62], 0);
    StartSearch(pf, 100, 100, 0, 0, 1, 64);
    EXPECT_EQ(pf->WindowX, 68);
    EXPECT_EQ(pf->WindowY, 68);
    EXPECT_EQ(pf->GoalX, 69);
}

TEST_F(PathRules, ALayerOutsideTheWorldFindsNothing)
{
    Floor();
    StartSearch(pf_, 5, 5, 9, 9, 7, 32);
    EXPECT_EQ(SearchSteps(pf_, LayerCells), 3);
    EXPECT_EQ(pf_->LastNode, 0);
    EXPECT_EQ(pf_->Result, 0);
}
