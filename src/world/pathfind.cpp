// PLACEHOLDER
#include "world/pathfind.h"

#include <cstdlib>

#include "units/unit.h"

PathFinder* PathFinders = nullptr;

void CreatePathFinders()
{
    PathFinders = static_cast<PathFinder*>(std::calloc(2, sizeof(PathFinder)));
    for (int i = 0; i < 2; ++i) {
        PathFinders[i].RouteIndex = static_cast<int32_t*>(std::calloc(static_cast<size_t>(MaxUnits), 4));
        for (int32_t u = 0; u < MaxUnits; ++u)
            PathFinders[i].RouteIndex[u] = ROUTE_IDLE;
        PathFinders[i].RunningUnit = 1;
    }
}
void FreePathFinders()
{
    if (!PathFinders)
        return;
    for (int i = 0; i < 2; ++i)
        std::free(PathFinders[i].RouteIndex);
    std::free(PathFinders);
    PathFinders = nullptr;
}
void SchedulePathFinder(PathFinder*) {}
void StartSearch(PathFinder*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}
int SearchSteps(PathFinder*, int32_t) { return 5; }
void BuildRoute(PathFinder*, int32_t) {}
int StepToCell(int32_t, int32_t, int32_t, int32_t) { return 2; }
int StepToUnit(int32_t, int32_t, int32_t, int32_t) { return 2; }
int ChaseStep(int32_t, int32_t, int32_t, int32_t) { return 2; }
void MarkSearchedCells() {}
