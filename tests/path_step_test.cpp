// Scheduling, route building and the three steppers on hand-built worlds.
#include <gtest/gtest.h>

#include <vector>

#include "app/random.h"
#include "path_reference.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace
{

class PathSteps : public ::testing::Test
{
  protected:
    pathref::SmallWorld world_{64, 16};

    void SetUp() override
    {
        std::memset(MainMap + LayerCells, CELL_FLOOR, static_cast<size_t>(LayerCells));
        OutlineRect(0, 0, WorldSide - 1, WorldSide - 1, 1, CELL_WALL);
        for (int32_t u = 0; u < MaxUnits; ++u)
            UnitTable[u].route_order = ROUTE_NO_ORDER;
    }
    Unit& Place(int32_t u, int32_t x, int32_t y)
    {
        Unit& unit = UnitTable[u];
        unit.in_use = 1;
        unit.cell_x = static_cast<uint16_t>(x);
        unit.cell_y = static_cast<uint16_t>(y);
        unit.layer = 1;
        unit.hit_points = unit.max_hit_points = 8.0f;
        unit.move_state = MOVE_WALK;
        unit.route_order = 1;
        return unit;
    }
    // The caller's side of a movement tick (the play rules do the same).
    int Tick(int32_t u, int32_t gx, int32_t gy, bool to_unit)
    {
        int r = to_unit ? StepToUnit(u, gx, gy, WorldSide) : StepToCell(u, gx, gy, WorldSide);
        Unit& unit = UnitTable[u];
        if (r == 1) {
            unit.cell_x = unit.step_x;
            unit.cell_y = unit.step_y;
        } else if (r == 0) {
            unit.move_state = MOVE_IDLE;
        }
        return r;
    }
    int32_t& Index(int32_t u, int pf = 0) { return PathFinders[pf].RouteIndex[u]; }
};

} // namespace

TEST_F(PathSteps, ScheduleTakesTheLowestOrderOfALiveUnitLowestIndexOnTies)
{
    PathFinder* pf = &PathFinders[0];
    pf->NextUnit = 12;
    SchedulePathFinder(pf);
    EXPECT_EQ(pf->NextUnit, 12) << "nobody asks: the choice stays";
    UnitTable[3].route_order = 9999;
    UnitTable[9].route_order = 40;
    UnitTable[5].route_order = 40;
    UnitTable[2].route_order = 1;
    UnitTable[3].hit_points = UnitTable[9].hit_points = UnitTable[5].hit_points = 1.0f;
    UnitTable[2].hit_points = 0.0f; // dead units are not served
    SchedulePathFinder(pf);
    EXPECT_EQ(pf->NextUnit, 5);
    UnitTable[7].route_order = 9999999; // not below the starting bound
    UnitTable[7].hit_points = 3.0f;
    UnitTable[5].route_order = UnitTable[9].route_order = ROUTE_NO_ORDER;
    SchedulePathFinder(pf);
    EXPECT_EQ(pf->NextUnit, 3);
}

TEST_F(PathSteps, WalkToAFreeCellEndsOnIt)
{
    Place(3, 5, 5);
    PathFinders[0].RunningUnit = 4;
    EXPECT_EQ(Tick(3, 9, 5, false), 2);
    EXPECT_EQ(Index(3), ROUTE_IDLE) << "only the running unit starts a search";
    PathFinders[0].RunningUnit = 3;
    EXPECT_EQ(Tick(3, 9, 5, false), 2);
    EXPECT_EQ(Index(3), ROUTE_SEARCHING);
    EXPECT_EQ(Tick(3, 9, 5, false), 2);
    EXPECT_EQ(Index(3), ROUTE_FOUND);
    std::vector<std::pair<int, int>> cells;
    int r;
    while ((r = Tick(3, 9, 5, false)) == 1)
        cells.emplace_back(UnitTable[3].cell_x, UnitTable[3].cell_y);
    EXPECT_EQ(r, 0);
    std::vector<std::pair<int, int>> expected = {{6, 5}, {7, 5}, {8, 5}};
    EXPECT_EQ(cells, expected);
    EXPECT_EQ(UnitTable[3].cell_x, 9);
    EXPECT_EQ(UnitTable[3].cell_y, 5);
    EXPECT_EQ(Index(3), ROUTE_IDLE);
    EXPECT_EQ(UnitTable[3].route_order, ROUTE_NO_ORDER);
    EXPECT_EQ(PathFinders[0].RouteLength[3], 4u);
    EXPECT_EQ(PathFinders[0].RouteX[3 * PathCap], 9u) << "the goal is route cell 0";
    EXPECT_EQ(PathFinders[0].RouteX[3 * PathCap + 3], 6u) << "the first step is the last cell";
}

TEST_F(PathSteps, WalkToAnOccupiedCellEndsBesideIt)
{
    Place(3, 5, 5);
    PathFinders[0].RunningUnit = 3;
    int r;
    int ticks = 0;
    while ((r = Tick(3, 9, 5, true)) != 0 && ticks < 20)
        ++ticks;
    EXPECT_EQ(UnitTable[3].cell_x, 8);
    EXPECT_EQ(UnitTable[3].cell_y, 5);
    EXPECT_EQ(ticks, 4) << "start, search, two steps; the last tick moves and ends";
    EXPECT_EQ(Index(3), ROUTE_IDLE);
}

TEST_F(PathSteps, AnOccupiedGoalNextToTheUnitEndsTheWalkWithoutAMove)
{
    Place(3, 5, 5);
    PathFinders[0].RunningUnit = 3;
    Tick(3, 6, 6, true);
    Tick(3, 6, 6, true);
    EXPECT_EQ(Tick(3, 6, 6, true), 0);
    EXPECT_EQ(UnitTable[3].cell_x, 5);
    EXPECT_EQ(UnitTable[3].cell_y, 5);
    EXPECT_EQ(UnitTable[3].route_order, ROUTE_NO_ORDER);
    // The same goal when free: the walk ends on it.
    Place(4, 5, 5);
    PathFinders[0].RunningUnit = 4;
    Tick(4, 6, 6, false);
    Tick(4, 6, 6, false);
    EXPECT_EQ(Tick(4, 6, 6, false), 0);
    EXPECT_EQ(UnitTable[4].cell_x, 6);
    EXPECT_EQ(UnitTable[4].cell_y, 6);
}

TEST_F(PathSteps, AWalledInGoalTakesEightSearchTicksThenGivesUp)
{
    for (int32_t dx = -1; dx <= 1; ++dx)
        for (int32_t dy = -1; dy <= 1; ++dy)
            if (dx || dy)
                MainMap[CellIndex(40 + dx, 40 + dy, 1)] = CELL_WALL;
    Place(3, 5, 5);
    PathFinders[0].RunningUnit = 3;
    EXPECT_EQ(Tick(3, 40, 40, false), 2);
    int searching = 0;
    while (Index(3) == ROUTE_SEARCHING && searching < 20) {
        EXPECT_EQ(Tick(3, 40, 40, false), 2);
        ++searching;
    }
    EXPECT_EQ(searching, 8);
    EXPECT_EQ(PathFinders[0].Iterations, LayerCells);
    EXPECT_EQ(Tick(3, 40, 40, false), 0);
    EXPECT_EQ(UnitTable[3].move_state, MOVE_IDLE);
    EXPECT_EQ(UnitTable[3].route_order, ROUTE_NO_ORDER);
    EXPECT_EQ(Index(3), ROUTE_IDLE);
    EXPECT_EQ(UnitTable[3].cell_x, 5);
}

TEST_F(PathSteps, StartOnTheGoalEndsWithoutAMove)
{
    Place(3, 5, 5);
    PathFinders[0].RunningUnit = 3;
    Tick(3, 5, 5, false);
    Tick(3, 5, 5, false);
    EXPECT_EQ(PathFinders[0].Result, 3);
    EXPECT_EQ(Tick(3, 5, 5, false), 0);
    EXPECT_EQ(UnitTable[3].cell_x, 5);
}

namespace
{

// A serpentine corridor over the odd rows of a 128-wide layer; returns its
// cells in walking order.
std::vector<std::pair<int32_t, int32_t>> BuildSerpentine()
{
    std::memset(MainMap + LayerCells, CELL_WALL, static_cast<size_t>(LayerCells));
    std::vector<std::pair<int32_t, int32_t>> path;
    for (int32_t row = 1; row + 1 < WorldSide; row += 2) {
        bool right = (row / 2) % 2 == 0;
        for (int32_t i = 1; i <= WorldSide - 2; ++i)
            path.emplace_back(right ? i : WorldSide - 1 - i, row);
        if (row + 3 < WorldSide)
            path.emplace_back(right ? WorldSide - 2 : 1, row + 1);
    }
    for (auto [x, y] : path)
        MainMap[CellIndex(x, y, 1)] = CELL_FLOOR;
    return path;
}

} // namespace

TEST(PathRoute, ARouteFitsUpTo2998CellsAndFailsBeyond)
{
    pathref::SmallWorld world(128, 4);
    auto path = BuildSerpentine();
    ASSERT_GT(path.size(), 3100u);
    PathFinder* pf = &PathFinders[0];
    for (int32_t length : {2997, 2998, 2999, 3100}) {
        StartSearch(pf, path[0].first, path[0].second, path[length].first, path[length].second, 1, 128);
        ASSERT_EQ(SearchSteps(pf, LayerCells), 1) << length;
        pf->RouteIndex[2] = ROUTE_FOUND;
        BuildRoute(pf, 2);
        if (length <= 2998) {
            EXPECT_EQ(pf->Failed, 0) << length;
            EXPECT_EQ(pf->RouteIndex[2], length - 1);
            EXPECT_EQ(pf->RouteX[2 * PathCap + length - 1], static_cast<uint32_t>(path[1].first));
            EXPECT_EQ(pf->RouteY[2 * PathCap], static_cast<uint32_t>(path[length].second));
        } else {
            EXPECT_EQ(pf->Failed, 1) << length;
            EXPECT_EQ(pf->RouteIndex[2], ROUTE_FOUND) << "a failed build leaves the index";
            EXPECT_EQ(pf->RouteLength[2], 2998u);
        }
    }
}

TEST_F(PathSteps, AFailedRouteEndsTheWalkAndHoldsOtherWalkersOfThePathfinder)
{
    pathref::SmallWorld world(128, 8);
    auto path = BuildSerpentine();
    for (int32_t u = 0; u < MaxUnits; ++u)
        UnitTable[u].route_order = ROUTE_NO_ORDER;
    // Unit 2 is under way on a route of its own.
    Place(2, path[0].first, path[0].second);
    PathFinders[0].RunningUnit = 2;
    while (Index(2) < 0)
        Tick(2, path[20].first, path[20].second, false);
    ASSERT_EQ(Tick(2, path[20].first, path[20].second, false), 1);
    // Unit 3 asks for a route that does not fit.
    Place(3, path[100].first, path[100].second);
    PathFinders[0].RunningUnit = 3;
    int r = 2;
    for (int t = 0; t < 20 && r == 2; ++t)
        r = Tick(3, path[3200].first, path[3200].second, false);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(PathFinders[0].Failed, 1);
    EXPECT_EQ(Index(3), ROUTE_IDLE);
    EXPECT_EQ(UnitTable[3].route_order, ROUTE_NO_ORDER);
    EXPECT_EQ(UnitTable[3].cell_x, path[100].first);
    // Failed is the pathfinder's: unit 2 waits until the next search starts.
    int32_t before = Index(2);
    EXPECT_EQ(Tick(2, path[20].first, path[20].second, false), 2);
    EXPECT_EQ(Index(2), before);
}

TEST_F(PathSteps, AChaserMovesOnOneTickInThreeAndStopsNextToItsQuarry)
{
    Unit& m = Place(6, 5, 5);
    m.move_state = MOVE_CHASE;
    Srand(777);
    // Predict the draws: one per call.
    std::vector<int> draws;
    {
        Srand(777);
        for (int i = 0; i < 200; ++i)
            draws.push_back(Rand() % 3);
        Srand(777);
    }
    int calls = 0;
    int moves = 0;
    int r = 2;
    std::vector<int> results;
    while (r != 0 && calls < 200) {
        r = ChaseStep(6, 9, 5, 64);
        results.push_back(r);
        if (r == 1) {
            m.cell_x = m.step_x;
            m.cell_y = m.step_y;
        }
        moves += r != 2;
        ++calls;
    }
    ASSERT_EQ(r, 0);
    EXPECT_EQ(m.cell_x, 8);
    EXPECT_EQ(m.cell_y, 5);
    EXPECT_EQ(moves, 3);
    // Exactly the calls whose draw was 1 moved the chaser.
    for (int i = 0; i < calls; ++i)
        EXPECT_EQ(results[i] != 2, draws[i] == 1) << "call " << i;
    uint32_t state = RandState;
    Srand(777);
    for (int i = 0; i < calls; ++i)
        Rand();
    EXPECT_EQ(RandState, state) << "one draw per call";
    EXPECT_EQ(PathFinders[1].WindowSide, 64);
    EXPECT_EQ(PathFinders[1].RouteIndex[6], ROUTE_IDLE);
}

TEST_F(PathSteps, AChaserNextToItsQuarryStopsAtOnceWithoutADraw)
{
    Unit& m = Place(6, 5, 5);
    m.move_state = MOVE_CHASE;
    Srand(5);
    uint32_t before = RandState;
    EXPECT_EQ(ChaseStep(6, 6, 5, 64), 0);
    EXPECT_EQ(RandState, before);
    EXPECT_EQ(PathFinders[1].RouteIndex[6], ROUTE_IDLE);
    EXPECT_EQ(m.route_order, ROUTE_NO_ORDER);
    EXPECT_EQ(m.cell_x, 5);
    // An unreachable quarry ends the chase too.
    for (int32_t dx = -1; dx <= 1; ++dx)
        for (int32_t dy = -1; dy <= 1; ++dy)
            if (dx || dy)
                MainMap[CellIndex(30 + dx, 30 + dy, 1)] = CELL_WALL;
    m.move_state = MOVE_CHASE;
    EXPECT_EQ(ChaseStep(6, 30, 30, 64), 0);
    EXPECT_EQ(m.move_state, MOVE_IDLE);
    EXPECT_EQ(m.route_order, ROUTE_NO_ORDER);
}

TEST_F(PathSteps, StatesThatCannotStepWaitAndBadIndicesAreIgnored)
{
    Place(3, 5, 5);
    for (int32_t s : {-1, -5, -10, PathCap, 1 << 30}) {
        Index(3) = s;
        EXPECT_EQ(StepToCell(3, 9, 5, WorldSide), 2) << s;
        EXPECT_EQ(UnitTable[3].cell_x, 5);
    }
    EXPECT_EQ(StepToCell(-1, 9, 5, WorldSide), 2);
    EXPECT_EQ(StepToUnit(MaxUnits, 9, 5, WorldSide), 2);
    EXPECT_EQ(ChaseStep(MaxUnits + 5, 9, 5, 64), 2);
    BuildRoute(&PathFinders[0], -3);
    // A search started with no slice run: the stepper's next call ends it.
    Index(3) = ROUTE_SEARCHING;
    PathFinders[0].RunningUnit = 3;
    EXPECT_EQ(StepToCell(3, 9, 5, WorldSide), 2);
}
