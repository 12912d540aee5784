// The pointer in buffer pixels, the view keys, and the commands of the console.
#include <numeric>

#include "fixture.h"

TEST_F(GameTest, PointerAndViewKeys)
{
    // The window's full size maps onto the buffer in single precision, rows counted from the bottom. At zoom 1,
    // 63 / 480 x 480 falls just below 63 in single precision, 123 / 480 x 480 just above 122 in double.
    // Window left, top and width; the pointer on the screen; the column and row read.
    ASSERT_TRUE(CreateGameWindow("GAMEVRAK", 1280, 960, 16));
    const int32_t points[][7] = {{0, 0, 1280, 0, 960, 0, 0},         {0, 0, 1280, 1, 959, 0, 0},
                                 {0, 0, 1280, 200, 958, 100, 1},     {0, 0, 1280, 1279, 760, 639, 100},
                                 {0, 0, 1280, 1280, 0, 639, 479},    {0, 0, 1280, -40, 3000, 0, 0},
                                 {0, 0, 1280, 5000, -25, 639, 479},  {100, 50, 640, 421, 467, 321, 62},
                                 {100, 50, 640, 421, 407, 321, 123}, {100, 50, 640, 421, 405, 321, 124}};
    for (auto [left, top, width, x, y, column, row] : points) {
        MoveGameWindow(left, top, width, width * 3 / 4);
        HeadlessSetScreenPointer(x, y);
        ReadPointer();
        EXPECT_EQ(std::make_tuple(GetMouseX(), GetMouseY()), std::make_tuple(column, row)) << x << "," << y;
    }
    // Arrows scroll, the keypad changes the layer after a pause; the view stays inside the world.
    for (auto [x, y, layer, keys, to_x, to_y, to_layer, pause] :
         {std::tuple{100, 200, 1, std::vector<int32_t>{KEY_UP, KEY_RIGHT}, 101, 201, 1, 0.0},
          {100, 200, 1, {KEY_DOWN, KEY_LEFT, KEY_UP}, 99, 200, 1, 0.0},
          {984, 994, 1, {KEY_UP, KEY_RIGHT}, 984, 994, 1, 0.0},
          {0, 0, 1, {KEY_DOWN, KEY_LEFT}, 0, 0, 1, 0.0},
          {5000, -7, 9, {}, 984, 0, 2, 0.0},
          {-3, 4000, -2, {}, 0, 994, 0, 0.0},
          {10, 10, 2, {KEY_KEYPAD_PLUS}, 10, 10, 2, 0.38},
          {10, 10, 0, {KEY_KEYPAD_MINUS, KEY_KEYPAD_PLUS}, 10, 10, 0, 0.76}}) {
        std::tie(ViewX, ViewY, ViewLayer) = std::make_tuple(x, y, layer);
        ClearInputFlags();
        for (int32_t key : keys)
            HeadlessQueue(0, {INPUT_KEY_DOWN, key, 0});
        HeadlessDeliverFrame(0);
        TakeFrameInput(0);
        const double clock = HeadlessClock();
        HandleViewKeys();
        EXPECT_EQ(std::make_tuple(ViewX, ViewY, ViewLayer), std::make_tuple(to_x, to_y, to_layer)) << x << "," << y;
        EXPECT_NEAR(HeadlessClock() - clock, pause, 1e-6);
    }
}

namespace
{
class Console : public GameTest
{
  protected:
    void SetUp() override
    {
        GameTest::SetUp();
        std::memset(MainMap + LayerCells, CELL_FLOOR, static_cast<size_t>(LayerCells));
        Cell(10, 20) = CELL_WALL;
        Place(1, FACTION_MONSTER, 5, 6);
        Place(3, FACTION_PARTY, 10, 10, 2);
        Place(12, FACTION_PARTY, 300, 400);
        Place(13, FACTION_MONSTER, 50, 60);
        Place(2999, FACTION_PARTY, 1023, 0, 2);
        CurrentUnit = 3;
        ViewX = ViewY = 100;
    }
    // Executes a line as if Enter had just been pressed; the time it paused.
    static double Submit(const char* line)
    {
        std::snprintf(ConsoleLine, sizeof ConsoleLine, "%s", line);
        ConsoleLength = static_cast<int32_t>(std::strlen(ConsoleLine));
        ConsoleSubmitted = 1;
        const double before = HeadlessClock();
        RunConsole();
        return HeadlessClock() - before;
    }
};
} // namespace

TEST_F(Console, CommandsTakeTheirWordsAtSpacesDashesAndCommas)
{
    for (auto [line, unit, x, y, layer, view_x, view_y, period, pause] :
         {std::tuple{"su 13", 3, 10, 10, 2, 100, 100, 30.0f, 0.0},      // a monster is not selected
          {"su 12 5", 3, 10, 10, 2, 100, 100, 30.0f, 0.0},              // word counts must match
          {"env4teleport 10 20 0", 3, 10, 10, 2, 100, 100, 30.0f, 0.0}, // onto a wall
          {"env4teleport 30 30", 3, 10, 10, 2, 100, 100, 30.0f, 0.0},
          {"env4teleport 5000 5000 7", 3, 1022, 1022, 1, 1022, 1022, 30.0f, 0.0},
          {"ENV4TELEPORT-10,21-x", 3, 10, 21, 1, 10, 21, 30.0f, 0.0},
          {"env4cyclestep 2", 3, 10, 21, 1, 10, 21, 30.0f, 0.0},
          {"env4cyclestep 361", 3, 10, 21, 1, 10, 21, 30.0f, 0.0},
          {"env4cyclestep 3", 3, 10, 21, 1, 10, 21, 3.0f, 0.3},
          {"Env4CycleStep 360", 3, 10, 21, 1, 10, 21, 360.0f, 0.3},
          {"su 99999999999999999999", 2999, 1023, 0, 2, 1022, 1, 360.0f, 0.3}}) { // clamped to the table and world
        EXPECT_NEAR(Submit(line), pause, 1e-6) << line;
        const Unit& u = UnitTable[unit];
        EXPECT_EQ(std::make_tuple(CurrentUnit, u.cell_x, u.cell_y, u.layer, ViewX, ViewY, MonsterCyclePeriod),
                  std::make_tuple(unit, x, y, layer, view_x, view_y, period))
            << line;
    }
    // The cell commands write around unit 1 through the flat index; writes that leave MainMap are skipped.
    for (auto [line, x, y, layer, at_x, at_y, at_layer, code] : {std::tuple{"env4block", 5, 6, 1, 5, 6, 1, CELL_BLOCK},
                                                                 {"corner1", 5, 6, 1, 5, 6, 2, CELL_CORNER},
                                                                 {"env4emptyx1", 1023, 10, 1, 0, 11, 1, CELL_EMPTY},
                                                                 {"env4emptyy1", 5, 1023, 2, 0, 0, 0, CELL_EMPTY},
                                                                 {"unknown", 5, 6, 1, 0, 0, 0, CELL_EMPTY}}) {
        Place(1, FACTION_MONSTER, x, y, layer);
        const std::vector<uint8_t> before(MainMap, MainMap + 3 * LayerCells);
        Submit(line);
        EXPECT_EQ(Cell(at_x, at_y, at_layer), code) << line;
        EXPECT_EQ(std::inner_product(before.begin(), before.end(), MainMap, 0, std::plus<>(), std::not_equal_to<>()),
                  at_layer == 0 ? 0 : (line[0] == 'c' ? 2 : 1))
            << line;
    }
}
