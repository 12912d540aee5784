// The search and the marks against their plain versions; the scheduler and the steppers on hand-built worlds.
#include "fixture.h"
#include "path_reference.h"

namespace
{
uint8_t& At(int32_t x, int32_t y, int32_t layer) { return MainMap[CellIndex(x, y, layer)]; }

bool Same(const PathFinder& game, const PathFinder& ref, int result, int ref_result)
{
    const int64_t entry = pathref::FirstDifference(game, ref);
    EXPECT_EQ(std::make_tuple(result, pathref::Scalars(game), entry),
              std::make_tuple(ref_result, pathref::Scalars(ref), int64_t{-1}));
    return result == ref_result && pathref::Scalars(game) == pathref::Scalars(ref) && entry < 0;
}

// The same search by the game and by the reference in random slices, compared after every call, with
// doors and walls opened between slices now and then, also around the last node, which an exhausted
// search keeps expanding. False at the first difference.
bool CompareSearch(PathFinder* game, PathFinder* ref, int32_t layer, int32_t w, bool change_map, int32_t unit)
{
    const int32_t sx = Rand() % (WorldSide + 10) - 5, sy = Rand() % (WorldSide + 10) - 5;
    const int32_t gx = Rand() % (WorldSide + 10) - 5, gy = Rand() % (WorldSide + 10) - 5;
    StartSearch(game, sx, sy, gx, gy, layer, w);
    pathref::StartSearch(ref, sx, sy, gx, gy, layer, w);
    for (int call = 0; call < 400; ++call) {
        const int32_t n = Rand() % 4 == 0 ? LayerCells / 8 : Rand() % 300 + 1;
        const int r = SearchSteps(game, n);
        if (!Same(*game, *ref, r, pathref::SearchSteps(ref, n)))
            return false;
        if (r == 1) {
            BuildRoute(game, unit);
            pathref::BuildRoute(ref, unit);
            const uint32_t* route = ref->RouteX + unit * PathCap;
            EXPECT_TRUE(std::equal(route, route + ref->RouteLength[unit], game->RouteX + unit * PathCap));
            if (!Same(*game, *ref, game->RouteIndex[unit], ref->RouteIndex[unit]))
                return false;
        }
        // Now and then the search goes on past its end, as a second walker sharing PathFinder 0 makes it.
        if (((r == 1 || r == 4) && Rand() % 3 != 0) || (r == 3 && Rand() % 2 == 0))
            return true;
        for (int d = 0; change_map && d < 8; ++d) {
            uint8_t& c =
                At(game->NodeX[game->LastNode] + game->DirX[d], game->NodeY[game->LastNode] + game->DirY[d], layer);
            c = (c == CELL_WALL || c == CELL_DOOR) && Rand() % 4 == 0 ? uint8_t{CELL_FLOOR} : c;
        }
        for (int i = 0; change_map && i < 40; ++i) {
            uint8_t& c = At(Rand() % WorldSide, Rand() % WorldSide, layer);
            c = c == CELL_FLOOR ? uint8_t{CELL_WALL} : uint8_t{CELL_FLOOR};
        }
    }
    return true;
}
} // namespace

TEST(PathSearch, RandomWorldsAgreeWithThePlainScanAtEveryStep)
{
    // Floor with walls, doors, holes and landscape of every price; mountains past the scan limit of 2 x LayerCells.
    const uint8_t land[] = {LAND_PLAIN,         LAND_FOREST, LAND_HILLS, LAND_WATER, LAND_WATER_DEEP, LAND_MOUNTAIN,
                            LAND_MOUNTAIN_HIGH, LAND_ROAD,   LAND_SWAMP, CELL_TRAP,  SITE_VILLAGE,    200,
                            CELL_BLOCK,         CELL_DOOR,   CELL_EMPTY, CELL_WALL,  CELL_WALL,       CELL_WALL};
    Srand(4242);
    for (int world = 0; world < 40; ++world) {
        pathref::SmallWorld small(24 + world % 4 * 16, 8);
        PathFinder* refs[2] = {pathref::Create(), pathref::Create()}; // each keeps its own history
        const int32_t layer = Rand() % 3, walls = Rand() % 40, landscape = Rand() % 60;
        for (int32_t i = 0; i < LayerCells; ++i) {
            const int32_t r = Rand() % 100;
            MainMap[layer * LayerCells + i] =
                r < walls ? uint8_t{CELL_WALL} : (r < walls + landscape ? land[r % 18] : uint8_t{CELL_FLOOR});
        }
        for (int search = 0; search < 6; ++search) {
            const int32_t w = search % 2 ? WorldSide : std::min(3 + Rand() % 20, WorldSide);
            ASSERT_TRUE(CompareSearch(&PathFinders[search % 2], refs[search % 2], layer, w, search % 3 == 2, search))
                << "world " << world << " search " << search;
        }
        pathref::Free(refs[0]);
        pathref::Free(refs[1]);
    }
}

TEST(PathMarks, AgreeWithThePlainPassThroughSearchesLoadsAndMapChanges)
{
    Srand(31337);
    for (int32_t side : {64, 60, 72}) {
        pathref::SmallWorld small(side, 4);
        PathFinders[0].WindowSide = side;
        for (int32_t i = 0; i < LayerCells; ++i) {
            const int32_t r = Rand() % 10, f = Rand() % 16;
            MainMap[LayerCells + i] = r < 3 ? CELL_WALL : (r == 3 ? CELL_DOOR : (r == 4 ? LAND_PLAIN : CELL_FLOOR));
            // Doors carry lock levels, 11 among them; floors now and then a pick-up or a stale mark.
            FlagMap[LayerCells + i] = MainMap[LayerCells + i] == CELL_DOOR || f > 12 ? static_cast<uint8_t>(f) : 0;
            FlagMap[i] = FlagMap[2 * LayerCells + i] = FLAG_SEARCHED;
        }
        for (int frame = 0; frame < 120; ++frame) {
            const std::vector<uint8_t> before(FlagMap, FlagMap + 3 * LayerCells);
            MarkSearchedCells();
            const std::vector<uint8_t> game(FlagMap, FlagMap + 3 * LayerCells);
            std::copy(before.begin(), before.end(), FlagMap);
            pathref::MarkSearchedCells(&PathFinders[0]);
            ASSERT_TRUE(std::equal(game.begin(), game.end(), FlagMap)) << "side " << side << " frame " << frame;
            const int32_t what = Rand() % 8;
            if (what < 2) // a whole-layer walk search, or a window of its own
                StartSearch(&PathFinders[0], Rand() % side, Rand() % side, Rand() % side, Rand() % side, 1,
                            what == 0 ? side : 8 + Rand() % 30);
            for (int i = 0; what == 2 && i < 200; ++i) // a loaded flag map: marks and values anywhere
                FlagMap[LayerCells + Rand() % LayerCells] = static_cast<uint8_t>(Rand() % 14);
            for (int i = 0; what == 3 && i < 100; ++i) { // doors opened and walls broken, in the searched area too
                uint8_t& c = MainMap[LayerCells + Rand() % LayerCells];
                c = c == CELL_FLOOR ? CELL_WALL : CELL_FLOOR;
            }
            if (what > 3)
                SearchSteps(&PathFinders[0], Rand() % 400);
        }
        EXPECT_GT(std::count(FlagMap + LayerCells, FlagMap + 2 * LayerCells, FLAG_SEARCHED), 0);
    }
}

class PathSteps : public ::testing::Test
{
  protected:
    pathref::SmallWorld world_{128, 16};
    void SetUp() override
    {
        std::memset(MainMap + LayerCells, CELL_FLOOR, static_cast<size_t>(LayerCells));
        OutlineRect(0, 0, WorldSide - 1, WorldSide - 1, 1, CELL_WALL);
        for (int32_t u = 0; u < MaxUnits; ++u)
            UnitTable[u].route_order = ROUTE_NO_ORDER;
    }
    // Movement ticks of a walker from (5, 5), as the play rules make them, until the walk ends; the cells
    // it stepped onto, then the one it ends on, and the number of ticks.
    std::pair<std::vector<std::pair<int32_t, int32_t>>, int> Walk(int32_t gx, int32_t gy, bool to_unit)
    {
        Unit& unit = UnitTable[3];
        std::tie(unit.cell_x, unit.cell_y, unit.layer, unit.hit_points, unit.move_state, unit.route_order) =
            std::make_tuple(5, 5, 1, 8.0f, MOVE_WALK, 1);
        PathFinders[0].RunningUnit = 3;
        std::vector<std::pair<int32_t, int32_t>> cells;
        int ticks = 1, r = 2;
        for (; ticks < 40 && (r = to_unit ? StepToUnit(3, gx, gy, WorldSide) : StepToCell(3, gx, gy, WorldSide));
             ++ticks)
            if (r == 1) {
                std::tie(unit.cell_x, unit.cell_y) = std::make_tuple(unit.step_x, unit.step_y);
                cells.emplace_back(unit.cell_x, unit.cell_y);
            }
        cells.emplace_back(unit.cell_x, unit.cell_y);
        return {cells, ticks};
    }
};

TEST_F(PathSteps, TheScheduleServesTheLowestOrderAndWalksAndChasesEndOnOrBesideTheirGoal)
{
    PathFinder* pf = &PathFinders[0];
    pf->NextUnit = 12;
    const int32_t asks[][4] = {{0, ROUTE_NO_ORDER, 1, 12}, {3, 9999, 1, 3}, {9, 40, 1, 9}, {5, 40, 1, 5}, {2, 1, 0, 5},
                               {7, 9999999, 1, 5}}; // unit, order, alive, next
    for (auto [u, order, hp, next] : asks) {
        std::tie(UnitTable[u].route_order, UnitTable[u].hit_points) = std::make_tuple(order, hp);
        SchedulePathFinder(pf);
        EXPECT_EQ(pf->NextUnit, next) << "unit " << u << " asks with " << order;
    }
    using Cells = std::vector<std::pair<int32_t, int32_t>>;
    // Start, search, the steps, the end on the goal; beside it when a unit stands there.
    EXPECT_EQ(Walk(9, 5, false), std::make_pair(Cells{{6, 5}, {7, 5}, {8, 5}, {9, 5}}, 6));
    EXPECT_EQ(std::make_tuple(pf->RouteX[3 * PathCap], UnitTable[3].route_order), std::make_tuple(9u, ROUTE_NO_ORDER));
    EXPECT_EQ(Walk(9, 5, true), std::make_pair(Cells{{6, 5}, {7, 5}, {8, 5}}, 5));
    EXPECT_EQ(Walk(7, 5, true), std::make_pair(Cells{{6, 5}}, 3)) << "the last step of the route's first tick";
    EXPECT_EQ(Walk(6, 6, true), std::make_pair(Cells{{5, 5}}, 3));
    EXPECT_EQ(Walk(5, 5, false), std::make_pair(Cells{{5, 5}}, 3)) << "start on the goal";
    pf->RunningUnit = 4;
    UnitTable[3].cell_x = 5;
    EXPECT_EQ(std::make_tuple(StepToCell(3, 9, 5, WorldSide), pf->RouteIndex[3]), std::make_tuple(2, ROUTE_IDLE))
        << "only the running unit starts a search";
    for (int32_t d = 0; d < 8; ++d)
        At(40 + PathFinders[0].DirX[d], 40 + PathFinders[0].DirY[d], 1) = CELL_WALL;
    EXPECT_EQ(Walk(40, 40, false), std::make_pair(Cells{{5, 5}}, 10)) << "a start, eight slices of 2048, the end";
    EXPECT_EQ(UnitTable[3].move_state, MOVE_IDLE);
    // A chaser moves on the calls whose one roll is 1, and stops beside its quarry without a roll.
    Unit& m = UnitTable[6];
    std::tie(m.cell_x, m.cell_y, m.layer, m.hit_points, m.move_state) = std::make_tuple(5, 5, 1, 8.0f, MOVE_CHASE);
    Srand(777);
    Rolls rolls(777);
    int r = 2;
    for (int call = 0; r != 0 && call < 200; ++call) {
        r = ChaseStep(6, 10, 5, 64);
        EXPECT_EQ(r != 2, rolls() % 3 == 1) << "call " << call;
        if (r == 1)
            std::tie(m.cell_x, m.cell_y) = std::make_tuple(m.step_x, m.step_y);
    }
    EXPECT_EQ(std::make_tuple(m.cell_x, m.cell_y, m.move_state, RandState, PathFinders[1].WindowSide),
              std::make_tuple(9, 5, MOVE_IDLE, rolls.state, 64));
    EXPECT_EQ(std::make_tuple(ChaseStep(6, 10, 5, 64), RandState), std::make_tuple(0, rolls.state));
}

// A corridor winding from (1, 1) through rows of 126 cells, joined at alternate ends: the goal at
// distance d is reached on the search's d-th expansion, by a route of d cells.
TEST_F(PathSteps, SearchSlicesAndRoutesStopAtTheirExactLimits)
{
    std::memset(MainMap + LayerCells, CELL_WALL, static_cast<size_t>(LayerCells));
    auto along = [](int32_t d) {
        const int32_t row = d / 127, o = d % 127;
        return o < 126 ? std::pair{row % 2 ? 126 - o : 1 + o, 1 + 2 * row} : std::pair{row % 2 ? 1 : 126, 2 + 2 * row};
    };
    for (int32_t d = 0; d < 3100; ++d)
        At(along(d).first, along(d).second, 1) = CELL_FLOOR;
    PathFinder* pf = &PathFinders[0];
    pf->RunningUnit = 3;
    Unit& unit = UnitTable[3];
    // Slices of 128 x 128 / 8 = 2048 expansions, one a tick after the tick that starts the search; then the
    // first step, unless the route needs PathCap - 2 = 2998 cells and more.
    for (auto [d, ticks, result] : {std::tuple{2048, 3, 1}, {2049, 4, 1}, {2998, 4, 1}, {2999, 4, 0}}) {
        std::tie(unit.cell_x, unit.cell_y, unit.layer, unit.hit_points, unit.route_order) =
            std::make_tuple(1, 1, 1, 8.0f, 1);
        int tick = 1, r = 2;
        for (; tick < 10 && (r = StepToCell(3, along(d).first, along(d).second, WorldSide)) == 2; ++tick) {
        }
        EXPECT_EQ(std::make_tuple(tick, r, pf->Failed, pf->RouteIndex[3], unit.step_x, unit.step_y),
                  std::make_tuple(ticks, result, 1 - result, result ? d - 2 : ROUTE_IDLE, 2, 1))
            << "distance " << d;
        pf->RouteIndex[3] = ROUTE_IDLE;
    }
}
