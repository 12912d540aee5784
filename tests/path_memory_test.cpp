// Resident memory of the pathfinders: the large arrays cost nothing until used.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace
{

int64_t ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    return -1;
}

} // namespace

TEST(PathMemory, RouteAndNodeArraysStayUnmappedUntilUsed)
{
    HeadlessReset();
    PrepareStartUp();
    PopulateWorld();
    const int64_t started = ResidentKb();
    ASSERT_GT(started, 0) << "no /proc/self/status";

    // Both pathfinders again: 2 x (14 MB of node arrays + 72 MB of routes).
    FreePathFinders();
    const int64_t without = ResidentKb();
    CreatePathFinders();
    PathFinders[0].WindowSide = 1024;
    const int64_t created = ResidentKb();
    EXPECT_LT(created - without, 1024) << "creating the pathfinders touched their arrays";

    // A whole-layer search through everything reachable from the first party
    // member once the doors are open.
    for (int32_t i = 0; i < LayerCells; ++i)
        if (MainMap[LayerCells + i] == CELL_DOOR)
            MainMap[LayerCells + i] = CELL_FLOOR;
    const Unit& first = UnitTable[CurrentUnit];
    StartSearch(&PathFinders[0], first.cell_x, first.cell_y, 1, 1, 1, 1024);
    int r = 0;
    for (int slice = 0; slice < 8 && r == 0; ++slice)
        r = SearchSteps(&PathFinders[0], 131072);
    ASSERT_EQ(r, 3);
    ASSERT_GT(PathFinders[0].LastNode, 100000);
    MarkSearchedCells();
    const int64_t searched = ResidentKb();
    const int64_t nodes = PathFinders[0].LastNode + 1;
    // Per node: 13 bytes of node arrays and at most 8 of heap; plus the 1 MB mask.
    const int64_t bound_kb = (nodes * 21) / 1024 + 1024 + 512;
    EXPECT_LT(searched - created, bound_kb);
    // A second search of the same size clears only what the first one wrote.
    StartSearch(&PathFinders[0], first.cell_x, first.cell_y, 1, 1, 1, 1024);
    const int64_t restarted = ResidentKb();
    EXPECT_LT(restarted - searched, 256);

    std::printf("VmRSS after start-up %.1f MB; pathfinders created: +%lld kB; after a whole-layer search of %lld "
                "nodes: %.1f MB (+%.1f MB)\n",
                started / 1024.0, static_cast<long long>(created - without), static_cast<long long>(nodes),
                searched / 1024.0, (searched - created) / 1024.0);
    RecordProperty("rss_start_kb", std::to_string(started));
    RecordProperty("rss_after_search_kb", std::to_string(searched));
    FreeWorld();
}
