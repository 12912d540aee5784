// Grid search on the MainMap and the per-unit routes of the two pathfinders.
#pragma once
#include <cstdint>

constexpr int32_t PathCap = 3000; // route cells per unit and pathfinder

constexpr int32_t ROUTE_IDLE = -9;      // no search: idle, or needs one
constexpr int32_t ROUTE_SEARCHING = -8; // search running (PathFinder 0)
constexpr int32_t ROUTE_FOUND = -7;     // search finished, route to be built
constexpr int32_t ROUTE_NO_ORDER = 999999;

struct PathFinder {
    int16_t* NodeX;
    int16_t* NodeY;
    uint32_t* NodeParent;
    uint8_t* NodeState; // 0 open, 9 closed
    float* NodeCost;
    uint32_t* RouteX; // MaxUnits * PathCap
    uint32_t* RouteY;
    uint32_t* RouteLength; // MaxUnits
    int32_t* RouteIndex;   // MaxUnits
    int32_t RunningUnit;
    int32_t NextUnit;
    int32_t StartX, StartY, GoalX, GoalY;
    int32_t WindowX, WindowY, WindowSide;
    int32_t DirX[8], DirY[8];
    float DirCost[8];
    int32_t SearchLayer;
    int32_t Failed;
    int32_t Iterations;
    int32_t CurrentNode, LastNode, ScanStart;
    float BestCost;
    int32_t BestNode;
    uint8_t Result; // 0 searching, 1 goal reached, 3 start equals goal
    int32_t GoalNode;
    uint8_t Active;
    uint8_t* SearchMask; // WindowSide x WindowSide: 0 unseen, 1 discovered/border, 9 closed
    // Search acceleration state, private to pathfind.cpp; the fields above are
    // what the rest of the game reads.
    struct PathSearchAccel* accel;
};

extern PathFinder* PathFinders; // two objects: 0 walk orders, 1 chases

void CreatePathFinders();
void FreePathFinders();
// Both pathfinders as CreatePathFinders leaves them, keeping their memory.
void ResetPathFinders();
void SchedulePathFinder(PathFinder* pf);
void StartSearch(PathFinder* pf, int32_t sx, int32_t sy, int32_t gx, int32_t gy, int32_t layer, int32_t window_side);
int SearchSteps(PathFinder* pf, int32_t n);
void BuildRoute(PathFinder* pf, int32_t unit);
int StepToCell(int32_t unit, int32_t gx, int32_t gy, int32_t window_side);
int StepToUnit(int32_t unit, int32_t gx, int32_t gy, int32_t window_side);
int ChaseStep(int32_t unit, int32_t gx, int32_t gy, int32_t window_side);
// Frame step: renews the FLAG_SEARCHED marks of layer 1 from PathFinder 0's SearchMask.
void MarkSearchedCells();
