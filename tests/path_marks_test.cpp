// The reachable-cell marks of a frame against the plain cell-by-cell pass.
#include <gtest/gtest.h>

#include <vector>

#include "app/random.h"
#include "path_reference.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace
{

std::vector<uint8_t> Flags() { return std::vector<uint8_t>(FlagMap, FlagMap + static_cast<size_t>(LayerCells) * 3); }

void SetFlags(const std::vector<uint8_t>& f) { std::copy(f.begin(), f.end(), FlagMap); }

// One frame's marks by the game and by the plain pass from the same flags;
// the flags are left as the plain pass made them. Returns the first differing cell or -1.
int64_t MarkBoth()
{
    std::vector<uint8_t> before = Flags();
    MarkSearchedCells();
    std::vector<uint8_t> game = Flags();
    SetFlags(before);
    pathref::MarkSearchedCells(&PathFinders[0]);
    for (size_t i = 0; i < game.size(); ++i)
        if (game[i] != FlagMap[i])
            return static_cast<int64_t>(i);
    return -1;
}

void RandomLayer1()
{
    for (int32_t i = 0; i < LayerCells; ++i) {
        int32_t r = Rand() % 10;
        MainMap[LayerCells + i] = r < 3 ? CELL_WALL : (r == 3 ? CELL_DOOR : (r == 4 ? LAND_PLAIN : CELL_FLOOR));
        // Doors carry lock levels, 11 among them; floors now and then a pick-up or a stale mark.
        int32_t f = Rand() % 16;
        FlagMap[LayerCells + i] = (MainMap[LayerCells + i] == CELL_DOOR || f > 12) ? static_cast<uint8_t>(f) : 0;
        FlagMap[i] = FlagMap[2 * LayerCells + i] = FLAG_SEARCHED;
    }
}

} // namespace

TEST(PathMarks, MatchThePlainPassThroughSearchesLoadsAndMapChanges)
{
    Srand(31337);
    for (int32_t side : {64, 60, 72}) {
        pathref::SmallWorld sw(side, 4);
        PathFinders[0].WindowSide = WorldSide;
        RandomLayer1();
        int marked_frames = 0;
        for (int frame = 0; frame < 120; ++frame) {
            ASSERT_EQ(MarkBoth(), -1) << "side " << side << " frame " << frame;
            int32_t any = 0;
            for (int32_t i = 0; i < LayerCells; ++i)
                any += FlagMap[LayerCells + i] == FLAG_SEARCHED;
            marked_frames += any > 0;
            switch (Rand() % 8) {
            case 0: // a new whole-layer walk search
                StartSearch(&PathFinders[0], Rand() % side, Rand() % side, Rand() % side, Rand() % side, 1, side);
                break;
            case 1: // a window of its own (absolute indexing of the mask)
                StartSearch(&PathFinders[0], Rand() % side, Rand() % side, Rand() % side, Rand() % side, 1,
                            8 + Rand() % 30);
                break;
            case 2: // a loaded flag map: marks and values anywhere
                for (int i = 0; i < 200; ++i)
                    FlagMap[LayerCells + Rand() % LayerCells] = static_cast<uint8_t>(Rand() % 14);
                break;
            case 3: // doors opened and walls broken, also inside the searched area
                for (int i = 0; i < 100; ++i) {
                    uint8_t& c = MainMap[LayerCells + Rand() % LayerCells];
                    c = c == CELL_FLOOR ? CELL_WALL : CELL_FLOOR;
                }
                break;
            default: SearchSteps(&PathFinders[0], Rand() % 400); break;
            }
        }
        EXPECT_GT(marked_frames, 40) << "the searches left too few marks to compare";
    }
}

TEST(PathMarks, TheFirstFrameResetsALockLevelOf11AndMarksOnlyFloor)
{
    pathref::SmallWorld sw(32, 4);
    PathFinder* pf = &PathFinders[0];
    pf->WindowSide = 32;
    std::memset(MainMap + LayerCells, CELL_FLOOR, static_cast<size_t>(LayerCells));
    MainMap[CellIndex(20, 20, 1)] = CELL_DOOR;
    FlagMap[CellIndex(20, 20, 1)] = FLAG_SEARCHED; // lock level 11
    FlagMap[CellIndex(3, 3, 1)] = FLAG_KEY;
    MarkSearchedCells();
    EXPECT_EQ(FlagMap[CellIndex(20, 20, 1)], 0);
    // A search over a 32-wide window: its border and its cells are marked.
    MainMap[CellIndex(0, 5, 1)] = LAND_PLAIN;
    StartSearch(pf, 4, 4, 30, 30, 1, 32);
    SearchSteps(pf, 6);
    MarkSearchedCells();
    EXPECT_EQ(FlagMap[CellIndex(4, 4, 1)], FLAG_SEARCHED) << "the expanded start";
    EXPECT_EQ(FlagMap[CellIndex(3, 3, 1)], FLAG_KEY) << "a pick-up is not covered";
    EXPECT_EQ(FlagMap[CellIndex(0, 7, 1)], FLAG_SEARCHED) << "the window border";
    EXPECT_EQ(FlagMap[CellIndex(0, 5, 1)], 0) << "only floor is marked";
    EXPECT_EQ(FlagMap[CellIndex(12, 12, 1)], 0) << "never seen";
    EXPECT_EQ(FlagMap[CellIndex(4, 4, 0)], 0) << "layer 1 only";
    // The next search starts afresh: old marks go unless seen again.
    StartSearch(pf, 25, 25, 30, 30, 1, 32);
    MarkSearchedCells();
    EXPECT_EQ(FlagMap[CellIndex(4, 4, 1)], 0);
    EXPECT_EQ(FlagMap[CellIndex(0, 7, 1)], FLAG_SEARCHED);
}

TEST(PathMarks, AWindowAwayFromTheOriginReadsTheMaskByAbsoluteRowAndColumn)
{
    pathref::SmallWorld sw(64, 4);
    PathFinder* pf = &PathFinders[0];
    std::memset(MainMap + LayerCells, CELL_FLOOR, static_cast<size_t>(LayerCells));
    // A 16-wide window at (32, 32): its own mask entries lie at 0..255, but the
    // marks read entries y x 16 + x from 544 on, which this fresh search never wrote.
    StartSearch(pf, 40, 40, 45, 45, 1, 16);
    ASSERT_EQ(pf->WindowX, 32);
    SearchSteps(pf, 200);
    MarkSearchedCells();
    for (int32_t i = 0; i < LayerCells; ++i)
        ASSERT_NE(FlagMap[LayerCells + i], FLAG_SEARCHED) << i;
    // Entries written by that search, read at the right cells, do mark them.
    StartSearch(pf, 10, 10, 12, 12, 1, 16);
    ASSERT_EQ(pf->WindowX, 2);
    SearchSteps(pf, 3);
    MarkSearchedCells();
    // Cell (5, 10) reads entry 10 x 16 + 5 = 165 = window row 10, column 5, which is (7, 12): unseen.
    EXPECT_EQ(pf->SearchMask[165], 0);
    EXPECT_EQ(FlagMap[CellIndex(5, 10, 1)], 0);
    // Cell (8, 8) reads entry 136 = window (8, 8) = cell (10, 10), the expanded start.
    EXPECT_EQ(pf->SearchMask[136], 9);
    EXPECT_EQ(FlagMap[CellIndex(8, 8, 1)], FLAG_SEARCHED);
}
