// The typed command console, driven through the headless key events and frames.
#include <cctype>
#include <cstring>

#include "app/input.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "persist_support.h"

using namespace persist_test;
namespace fs = std::filesystem;

namespace
{
class ConsoleTest : public GameDirTest
{
  protected:
    void SetUp() override
    {
        GameDirTest::SetUp();
        if (HasFatalFailure())
            return;
        // A floor layer 1 with one wall, three party members and a monster.
        std::memset(MainMap + LayerCells, CELL_FLOOR, static_cast<size_t>(LayerCells));
        MainMap[CellIndex(10, 20, 1)] = CELL_WALL;
        PlaceUnit(1, 5, 6, 1, FACTION_MONSTER);
        PlaceUnit(3, 10, 10, 1, FACTION_PARTY);
        PlaceUnit(12, 300, 400, 1, FACTION_PARTY);
        PlaceUnit(13, 50, 60, 1, FACTION_MONSTER);
        CurrentUnit = 3;
        ViewX = 100;
        ViewY = 100;
        ViewLayer = 1;
    }

    static void PlaceUnit(int32_t u, uint16_t x, uint16_t y, uint16_t layer, uint16_t faction)
    {
        UnitTable[u].cell_x = x;
        UnitTable[u].cell_y = y;
        UnitTable[u].layer = layer;
        UnitTable[u].faction = faction;
    }

    // One frame with these keys pressed since the last one; returns the time it paused.
    double Frame(std::initializer_list<int32_t> keys = {})
    {
        for (int32_t key : keys)
            HeadlessQueue({FrameCounter, HEADLESS_KEY, key, 0});
        HeadlessDeliverFrame(FrameCounter);
        double before = HeadlessClock();
        RunFrame();
        return HeadlessClock() - before;
    }

    // One frame per character, Shift held with capitals.
    void Type(const char* text)
    {
        for (const char* c = text; *c; ++c) {
            if (*c == ' ')
                Frame({KEY_SPACE});
            else if (std::isupper(static_cast<unsigned char>(*c)))
                Frame({KEY_SHIFT, *c});
            else
                Frame({std::toupper(static_cast<unsigned char>(*c))});
        }
    }

    void OpenAndRun(const char* command)
    {
        Frame({KEY_TAB});
        Type(command);
        Frame({KEY_ENTER});
    }

    // Executes a line as if Enter had just been pressed, without the frame around it.
    static double Submit(const char* line)
    {
        std::snprintf(ConsoleLine, sizeof ConsoleLine, "%s", line);
        ConsoleLength = static_cast<int32_t>(std::strlen(ConsoleLine));
        ConsoleSubmitted = 1;
        ClearInputFlags();
        double before = HeadlessClock();
        RunConsole();
        return HeadlessClock() - before;
    }
};
} // namespace

TEST_F(ConsoleTest, TabTogglesAndLettersAreTakenInKeyOrder)
{
    EXPECT_NEAR(Frame({KEY_TAB}), 0.4, 1e-6);
    EXPECT_EQ(ConsoleOpen, 1);
    // Space, then small letters A to Z, then digits; each with its own pause.
    EXPECT_NEAR(Frame({'B', 'A', '1', KEY_SPACE}), 4 * 0.12, 1e-6);
    EXPECT_STREQ(ConsoleLine, " ab1");
    Frame({KEY_SHIFT, 'D', 'C'});
    EXPECT_STREQ(ConsoleLine, " ab1CD");
    // Backspace goes first, then the new letter.
    Frame({KEY_BACKSPACE, 'Z'});
    EXPECT_STREQ(ConsoleLine, " ab1Cz");
    EXPECT_EQ(ConsoleLength, 6);

    EXPECT_NEAR(Frame({KEY_TAB}), 0.4, 1e-6);
    EXPECT_EQ(ConsoleOpen, 0);
    EXPECT_NEAR(Frame({'A'}), 0.0, 1e-6);
    Frame({KEY_TAB});
    EXPECT_STREQ(ConsoleLine, " ab1Cz");
}

TEST_F(ConsoleTest, LineTakesThirtyCharactersAndEmptyBackspaceCostsNothing)
{
    Frame({KEY_TAB});
    EXPECT_NEAR(Frame({KEY_BACKSPACE}), 0.0, 1e-6);
    EXPECT_EQ(ConsoleLength, 0);
    Frame({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M',
           'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z'});
    EXPECT_NEAR(Frame({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}), 4 * 0.12, 1e-6);
    EXPECT_STREQ(ConsoleLine, "abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_NEAR(Frame({'X'}), 0.0, 1e-6);
    EXPECT_EQ(ConsoleLength, 30);
    EXPECT_NEAR(Frame({KEY_BACKSPACE}), 0.12, 1e-6);
    EXPECT_STREQ(ConsoleLine, "abcdefghijklmnopqrstuvwxyz012");
}

TEST_F(ConsoleTest, CursorBlinksTenFramesOnTenOffAndEnterFrameDrawsNothing)
{
    ConsoleOpen = 1;
    std::snprintf(ConsoleLine, sizeof ConsoleLine, "ab");
    ConsoleLength = 2;
    ClearInputFlags();
    const int32_t frames[] = {0, 9, 10, 19, 20};
    const char* shown[] = {"CMD:ab_", "CMD:ab_", "CMD:ab", "CMD:ab", "CMD:ab_"};
    for (int i = 0; i < 5; ++i) {
        FrameCounter = frames[i];
        RunConsole();
        EXPECT_STREQ(TextBuffer, shown[i]) << frames[i];
    }
    // White text hanging below y = 73 from x = 14.
    size_t white = 0;
    for (int y = 61; y <= 72; ++y)
        for (int x = 14; x < 14 + 8 * 7; ++x)
            white += ScreenBuffer[(y * 640 + x) * 4] == 255 && ScreenBuffer[(y * 640 + x) * 4 + 1] == 255 &&
                     ScreenBuffer[(y * 640 + x) * 4 + 2] == 255;
    EXPECT_GT(white, 20u);

    std::snprintf(TextBuffer, sizeof TextBuffer, "untouched");
    KeyState[KEY_ENTER] = 1;
    KeyState['C'] = 1;
    double before = HeadlessClock();
    RunConsole();
    EXPECT_STREQ(TextBuffer, "untouched");
    EXPECT_STREQ(ConsoleLine, "ab");
    EXPECT_NEAR(HeadlessClock() - before, 0.5, 1e-6);
}

TEST_F(ConsoleTest, SuSelectsPartyMemberAndEnterRepeatsTheLine)
{
    OpenAndRun("su 12");
    EXPECT_EQ(CurrentUnit, 12);
    EXPECT_EQ(ViewX, 300);
    EXPECT_EQ(ViewY, 400);
    EXPECT_EQ(ViewLayer, 1);
    EXPECT_STREQ(ConsoleLine, "su 12");

    CurrentUnit = 3;
    EXPECT_NEAR(Frame({KEY_ENTER}), 0.5 + 0.3, 1e-6);
    EXPECT_EQ(CurrentUnit, 12);

    // Letter case does not matter; Shift must come with the letters.
    CurrentUnit = 3;
    for (int i = 0; i < 5; ++i)
        Frame({KEY_BACKSPACE});
    Type("SU 12");
    EXPECT_STREQ(ConsoleLine, "SU 12");
    Frame({KEY_ENTER});
    EXPECT_EQ(CurrentUnit, 12);
}

TEST_F(ConsoleTest, SuClampsItsNumberAndIgnoresMonstersAndWrongCounts)
{
    EXPECT_NEAR(Submit("su 13"), 0.0, 1e-6);
    EXPECT_EQ(CurrentUnit, 3);
    Submit("su 12 5");
    EXPECT_EQ(CurrentUnit, 3);
    Submit("su");
    EXPECT_EQ(CurrentUnit, 3);

    PlaceUnit(0, 7, 8, 1, FACTION_PARTY);
    Submit("su abc");
    EXPECT_EQ(CurrentUnit, 0);
    PlaceUnit(2999, 1023, 0, 2, FACTION_PARTY);
    EXPECT_NEAR(Submit("su 99999999999999999999"), 0.3, 1e-6);
    EXPECT_EQ(CurrentUnit, 2999);
    // The view is clamped to the interior and the layers.
    EXPECT_EQ(ViewX, 1022);
    EXPECT_EQ(ViewY, 1);
    EXPECT_EQ(ViewLayer, 2);
    PlaceUnit(12, 40, 50, 9, FACTION_PARTY);
    Submit("su 12");
    EXPECT_EQ(ViewLayer, 2);
}

TEST_F(ConsoleTest, TeleportClampsToTheInteriorAndStopsAtWalls)
{
    EXPECT_NEAR(Submit("env4teleport 5000 5000 7"), 0.0, 1e-6);
    EXPECT_EQ(UnitTable[3].cell_x, 1022);
    EXPECT_EQ(UnitTable[3].cell_y, 1022);
    EXPECT_EQ(UnitTable[3].layer, 1);
    EXPECT_EQ(ViewX, 1022);
    EXPECT_EQ(ViewY, 1022);
    EXPECT_EQ(ViewLayer, 1);

    Submit("env4teleport 10 20 0");
    EXPECT_EQ(UnitTable[3].cell_x, 1022);
    // Commas separate words as well; a third number is required but unused.
    UnitTable[3].layer = 2;
    Submit("env4teleport,10,21,0");
    EXPECT_EQ(UnitTable[3].cell_x, 10);
    EXPECT_EQ(UnitTable[3].cell_y, 21);
    EXPECT_EQ(UnitTable[3].layer, 1);
    Submit("ENV4TELEPORT 0 0 x");
    EXPECT_EQ(UnitTable[3].cell_x, 1);
    EXPECT_EQ(UnitTable[3].cell_y, 1);
    Submit("env4teleport 30 30");
    Submit("env4teleport 30 30 1 1");
    EXPECT_EQ(UnitTable[3].cell_x, 1);

    // A current unit outside the table (as a loaded file may leave it) moves only the view.
    std::vector<Unit> before(UnitTable, UnitTable + MaxUnits);
    CurrentUnit = 70000;
    Submit("env4teleport 40 50 1");
    EXPECT_EQ(ViewX, 40);
    EXPECT_EQ(ViewY, 50);
    EXPECT_EQ(std::memcmp(before.data(), UnitTable, before.size() * sizeof(Unit)), 0);
    CurrentUnit = -1;
    Submit("env4teleport 41 50 1");
    EXPECT_EQ(ViewX, 41);
}

TEST_F(ConsoleTest, CycleStepAcceptsThreeToThreeHundredSixty)
{
    EXPECT_NEAR(Submit("env4cyclestep 2"), 0.0, 1e-6);
    Submit("env4cyclestep 361");
    Submit("env4cyclestep");
    Submit("env4cyclestep 10 20");
    Submit("env4cyclestep abc");
    EXPECT_EQ(MonsterCyclePeriod, 30.0f);
    EXPECT_NEAR(Submit("env4cyclestep 3"), 0.3, 1e-6);
    EXPECT_EQ(MonsterCyclePeriod, 3.0f);
    Submit("Env4CycleStep 360");
    EXPECT_EQ(MonsterCyclePeriod, 360.0f);
}

TEST_F(ConsoleTest, CellCommandsWriteAroundUnitOneThroughTheFlatIndex)
{
    Submit("env4block");
    EXPECT_EQ(MainMap[CellIndex(5, 6, 1)], CELL_BLOCK);
    Submit("env4grass extra words");
    EXPECT_EQ(MainMap[CellIndex(5, 6, 1)], CELL_GRASS);
    Submit("ENV4DIRT");
    EXPECT_EQ(MainMap[CellIndex(5, 6, 1)], CELL_DIRT);
    Submit("corner1");
    EXPECT_EQ(MainMap[CellIndex(5, 6, 1)], CELL_CORNER);
    EXPECT_EQ(MainMap[CellIndex(5, 6, 2)], CELL_CORNER);
    Submit("env4emptyx1");
    EXPECT_EQ(MainMap[CellIndex(6, 6, 1)], CELL_EMPTY);
    Submit("env4emptyy1");
    EXPECT_EQ(MainMap[CellIndex(5, 7, 1)], CELL_EMPTY);

    // Past the end of a row the index runs on into the next row.
    PlaceUnit(1, 1023, 10, 1, FACTION_MONSTER);
    Submit("env4emptyx1");
    EXPECT_EQ(MainMap[CellIndex(0, 11, 1)], CELL_EMPTY);
    EXPECT_EQ(MainMap[CellIndex(1023, 10, 1)], CELL_FLOOR);

    // Writes that would leave MainMap are skipped; nothing else changes.
    std::vector<uint8_t> before(MainMap, MainMap + 3 * LayerCells);
    PlaceUnit(1, 5, 1023, 2, FACTION_MONSTER);
    Submit("env4emptyy1");
    Submit("corner1");
    EXPECT_EQ(MainMap[CellIndex(5, 1023, 2)], CELL_CORNER);
    before[CellIndex(5, 1023, 2)] = CELL_CORNER;
    EXPECT_EQ(std::memcmp(before.data(), MainMap, before.size()), 0);
    PlaceUnit(1, 65535, 65535, 65535, FACTION_MONSTER);
    Submit("corner1");
    Submit("env4block");
    Submit("env4emptyx1");
    Submit("env4emptyy1");
    EXPECT_EQ(std::memcmp(before.data(), MainMap, before.size()), 0);
    Submit("unknown 1 2");
    Submit("");
    EXPECT_EQ(std::memcmp(before.data(), MainMap, before.size()), 0);
}

TEST_F(ConsoleTest, ScreenSaverToggleClearsBothBuffersAndPauses)
{
    std::memset(ScreenBuffer, 0x33, 640 * 480 * 4);
    std::memset(LayerBuffer, 0x44, 640 * 480 * 4);
    EXPECT_NEAR(Submit("screensavertoggle"), 0.4, 1e-6);
    EXPECT_EQ(ScreenSaverOn, 1);
    std::vector<uint8_t> zero(640 * 480 * 4, 0);
    EXPECT_EQ(std::memcmp(ScreenBuffer, zero.data(), zero.size()), 0);
    EXPECT_EQ(std::memcmp(LayerBuffer, zero.data(), zero.size()), 0);
    Submit("ScreenSaverToggle");
    EXPECT_EQ(ScreenSaverOn, 0);
}

TEST_F(ConsoleTest, OpenConsoleHoldsGameKeysButArrowsStillScroll)
{
    Frame({KEY_TAB});
    int32_t minimap = MiniMapOn;
    Frame({KEY_F1});
    Frame({KEY_N});
    Frame({KEY_ESCAPE});
    EXPECT_FALSE(fs::exists(SlotFile(1, "mainmap")));
    EXPECT_EQ(MiniMapOn, minimap);
    EXPECT_EQ(QuitRequested, 0);
    EXPECT_STREQ(ConsoleLine, "n");
    Frame({KEY_RIGHT, KEY_UP});
    EXPECT_EQ(ViewX, 101);
    EXPECT_EQ(ViewY, 101);
}
