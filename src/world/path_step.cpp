// The steppers that walk units along their routes, searching first.
#include <algorithm>

#include "app/random.h"
#include "world/path_internal.h"

using namespace pathfind_detail;

namespace
{

// Route cell s of a unit exists only below PathCap; a larger index (from a
// foreign save) is treated like any other state that cannot step.
bool TakeStep(PathFinder* pf, int32_t u, int32_t s)
{
    if (s < 0 || s >= PathCap)
        return false;
    const size_t i = static_cast<size_t>(u) * PathCap + static_cast<size_t>(s);
    UnitTable[u].step_x = static_cast<uint16_t>(pf->RouteX[i]);
    UnitTable[u].step_y = static_cast<uint16_t>(pf->RouteY[i]);
    return true;
}

void MoveOntoStep(Unit& unit)
{
    unit.cell_x = unit.step_x;
    unit.cell_y = unit.step_y;
}

int32_t SliceFor(int32_t window_side)
{
    const int64_t n = static_cast<int64_t>(window_side) * window_side / 8;
    return static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
}

int32_t WholeWindow(int32_t window_side)
{
    const int64_t n = static_cast<int64_t>(window_side) * window_side;
    return static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
}

// A finished search: the walk ends (0) when it found no route or no route
// could be built; -1 when the route is there to step along.
int TakeRoute(PathFinder* pf, int32_t u, int32_t& s)
{
    Unit& unit = UnitTable[u];
    if (pf->Result != 1) {
        s = ROUTE_IDLE;
        unit.move_state = MOVE_IDLE;
        unit.route_order = ROUTE_NO_ORDER;
        return 0;
    }
    BuildRoute(pf, u);
    if (pf->Failed) {
        s = ROUTE_IDLE;
        unit.route_order = ROUTE_NO_ORDER;
        return 0;
    }
    return -1;
}

// One step along the route, the walk ending once the index reaches `last`:
// 1 walking on, 0 arrived, 2 no step. The first step after the route was built
// also gives up the unit's place in the search order; a route shorter than
// `last` then ends the walk where the unit stands.
int StepAlong(PathFinder* pf, int32_t u, int32_t& s, int32_t last, bool first)
{
    Unit& unit = UnitTable[u];
    if (!TakeStep(pf, u, s))
        return 2;
    s -= 1;
    if (first && s < last) {
        s = ROUTE_IDLE;
        unit.route_order = ROUTE_NO_ORDER;
        return 0;
    }
    if (s != last) {
        if (first)
            unit.route_order = ROUTE_NO_ORDER;
        return 1;
    }
    MoveOntoStep(unit);
    s = ROUTE_IDLE;
    if (first)
        unit.route_order = ROUTE_NO_ORDER;
    else
        unit.move_state = MOVE_IDLE;
    return 0;
}

// The walk steppers of PathFinder 0; next_to_goal stops the walk one cell
// short of an occupied goal.
int WalkStep(int32_t u, int32_t gx, int32_t gy, int32_t window_side, bool next_to_goal)
{
    if (!PathFinders || !UnitIndexOk(&PathFinders[0], u))
        return 2;
    PathFinder* pf = &PathFinders[0];
    Unit& unit = UnitTable[u];
    int32_t& s = pf->RouteIndex[u];
    const int32_t last = next_to_goal ? 0 : -1;
    if (s == ROUTE_IDLE) {
        if (pf->RunningUnit == u) {
            StartSearch(pf, unit.cell_x, unit.cell_y, gx, gy, unit.layer, window_side);
            s = ROUTE_SEARCHING;
        }
        return 2;
    }
    if (s == ROUTE_SEARCHING) {
        int r = SearchSteps(pf, SliceFor(window_side));
        if (r == 1 || r == 3 || r == 4 || r == 5)
            s = ROUTE_FOUND;
        return 2;
    }
    if (s == ROUTE_FOUND)
        return TakeRoute(pf, u, s) == 0 ? 0 : StepAlong(pf, u, s, last, true);
    if (s >= 0 && pf->Failed == 0)
        return StepAlong(pf, u, s, last, false);
    return 2;
}

} // namespace

int StepToCell(int32_t unit, int32_t gx, int32_t gy, int32_t window_side)
{
    return WalkStep(unit, gx, gy, window_side, false);
}

int StepToUnit(int32_t unit, int32_t gx, int32_t gy, int32_t window_side)
{
    return WalkStep(unit, gx, gy, window_side, true);
}

int ChaseStep(int32_t u, int32_t gx, int32_t gy, int32_t window_side)
{
    if (!PathFinders || !UnitIndexOk(&PathFinders[1], u))
        return 2;
    PathFinder* pf = &PathFinders[1];
    Unit& unit = UnitTable[u];
    int32_t& s = pf->RouteIndex[u];
    if (s == ROUTE_IDLE) {
        StartSearch(pf, unit.cell_x, unit.cell_y, gx, gy, unit.layer, window_side);
        SearchSteps(pf, WholeWindow(pf->WindowSide));
        if (TakeRoute(pf, u, s) == 0)
            return 0;
        if (s == 0) {
            s = ROUTE_IDLE;
            unit.route_order = ROUTE_NO_ORDER;
            return 0;
        }
        if (Rand() % 3 != 1)
            return 2;
        return StepAlong(pf, u, s, 0, true);
    }
    if (Rand() % 3 != 1)
        return 2;
    if (s < 0 || pf->Failed == 1)
        return 2;
    return StepAlong(pf, u, s, 0, false);
}
