#include "app/rules.h"
#include "assets/sound.h"
#include "play_fixture.h"

namespace
{

class PlayRules : public PlayWorld
{
  protected:
    // Party member 10 at (20, 20) selected, the view around it.
    Unit& Hero()
    {
        Unit& hero = Place(10, FACTION_PARTY, 20, 20);
        CurrentUnit = 10;
        ViewX = 10;
        ViewY = 10;
        return hero;
    }
    void Click(int32_t x, int32_t y)
    {
        PointAt(x, y);
        LeftClick = 1;
        RunPlayRules();
        ClearInputFlags();
    }
    void Key(int32_t key, int32_t x, int32_t y)
    {
        PointAt(x, y);
        Press(key);
        RunPlayRules();
        ClearInputFlags();
    }
    uint8_t& Flag(int32_t x, int32_t y, int32_t layer = 1) { return FlagMap[CellIndex(x, y, layer)]; }
    uint8_t& Cell(int32_t x, int32_t y, int32_t layer = 1) { return MainMap[CellIndex(x, y, layer)]; }
};

TEST_F(PlayRules, BracketsStepThroughThePartyAndMoveTheView)
{
    Place(0, FACTION_PARTY, 5, 5);
    Place(5, FACTION_PARTY, 30, 31, 2);
    Place(9, FACTION_MONSTER, 40, 40);
    Place(12, FACTION_PARTY, 50, 51);
    Place(MaxUnits - 1, FACTION_PARTY, 60, 60);
    CurrentUnit = 12;
    double clock = HeadlessClock();
    Press(KEY_LEFT_BRACKET);
    RunPlayRules();
    EXPECT_EQ(CurrentUnit, 5);
    EXPECT_EQ(ViewX, 30);
    EXPECT_EQ(ViewY, 31);
    EXPECT_EQ(ViewLayer, 2);
    EXPECT_NEAR(HeadlessClock() - clock, 0.4, 1e-6);
    ClearInputFlags();

    Press(KEY_LEFT_BRACKET); // index 0 is never reached
    RunPlayRules();
    EXPECT_EQ(CurrentUnit, 5);
    ClearInputFlags();

    Press(KEY_RIGHT_BRACKET);
    RunPlayRules();
    EXPECT_EQ(CurrentUnit, 12);
    EXPECT_EQ(ViewX, 50);
    ClearInputFlags();

    Press(KEY_RIGHT_BRACKET); // the search stops at MaxUnits - 2
    RunPlayRules();
    EXPECT_EQ(CurrentUnit, 12);
    ClearInputFlags();

    ConsoleOpen = 1; // the console takes the keys
    Press(KEY_LEFT_BRACKET);
    RunPlayRules();
    EXPECT_EQ(CurrentUnit, 12);
}

TEST_F(PlayRules, BracketsSurviveASelectionOutsideTheTable)
{
    Place(7, FACTION_PARTY, 30, 31);
    CurrentUnit = 70000;
    Press(KEY_LEFT_BRACKET);
    RunPlayRules();
    EXPECT_EQ(CurrentUnit, 7);
    ClearInputFlags();
    CurrentUnit = -3;
    Press(KEY_RIGHT_BRACKET);
    RunPlayRules();
    EXPECT_EQ(CurrentUnit, 7);
}

TEST_F(PlayRules, ALeftClickSelectsTheLowestPartyMemberOnTheCellOnAnyLayer)
{
    Hero();
    Place(30, FACTION_MONSTER, 25, 25);
    Place(31, FACTION_PARTY, 25, 25, 2);
    Place(32, FACTION_PARTY, 25, 25);
    Click(25, 25);
    EXPECT_EQ(CurrentUnit, 31);
    EXPECT_EQ(ViewX, 10); // the view stays
    Click(26, 25);
    EXPECT_EQ(CurrentUnit, 31);
}

TEST_F(PlayRules, ARightClickOrdersAWalk)
{
    Unit& hero = Hero();
    Place(40, FACTION_MONSTER, 33, 34);
    PathFinders[0].RunningUnit = 15;
    PathFinders[0].RouteIndex[15] = ROUTE_SEARCHING;
    UnitTable[15].route_order = 1;
    PathFinders[0].RouteIndex[10] = 5;
    PointAt(33, 34);
    RightClick = 1;
    RunPlayRules();
    EXPECT_EQ(hero.dest_x, 33);
    EXPECT_EQ(hero.dest_y, 34);
    EXPECT_EQ(hero.move_state, MOVE_WALK);
    EXPECT_EQ(hero.route_order, 1);
    EXPECT_EQ(PathFinders[0].RouteIndex[10], ROUTE_IDLE);
    EXPECT_EQ(hero.dest_unit, 40);
    // the running unit had no route yet: it gives way
    EXPECT_EQ(PathFinders[0].RouteIndex[15], ROUTE_IDLE);
    EXPECT_EQ(UnitTable[15].route_order, ROUTE_NO_ORDER);
}

TEST_F(PlayRules, AWalkOrderLeavesARunningUnitWithARouteAloneAndNeedsALivingUnit)
{
    Unit& hero = Hero();
    PathFinders[0].RunningUnit = 15;
    PathFinders[0].RouteIndex[15] = 3;
    UnitTable[15].route_order = 1;
    PointAt(22, 22);
    RightClick = 1;
    RunPlayRules();
    EXPECT_EQ(hero.dest_unit, 0);
    EXPECT_EQ(PathFinders[0].RouteIndex[15], 3);
    EXPECT_EQ(UnitTable[15].route_order, 1);
    ClearInputFlags();

    // the running unit is the current one: the new order waits for the next choice
    PathFinders[0].RunningUnit = 10;
    PointAt(23, 22);
    RightClick = 1;
    RunPlayRules();
    EXPECT_EQ(hero.route_order, ROUTE_NO_ORDER);
    EXPECT_EQ(hero.move_state, MOVE_WALK);
    ClearInputFlags();

    hero.hit_points = 0.0f;
    hero.move_state = MOVE_IDLE;
    PointAt(24, 24);
    RightClick = 1;
    RunPlayRules();
    EXPECT_EQ(hero.move_state, MOVE_IDLE);
    EXPECT_EQ(hero.dest_x, 23);
}

TEST_F(PlayRules, PickUpsOfKeysScrollsAndVials)
{
    Unit& hero = Hero();
    Flag(21, 21) = FLAG_KEY;
    Flag(19, 20) = FLAG_QUEST;
    Flag(20, 19) = FLAG_HEALTH_VIAL;
    Flag(22, 20) = FLAG_KEY; // two cells away
    Click(21, 21);
    Click(19, 20);
    Srand(31);
    ExpectedRolls rolls(31);
    Click(20, 19);
    Click(22, 20);
    EXPECT_EQ(hero.keys, 1);
    EXPECT_EQ(hero.quest, 1);
    EXPECT_EQ(hero.max_hit_points, 8.0f + rolls.Next() % 3 + 1);
    EXPECT_EQ(Flag(21, 21), FLAG_NONE);
    EXPECT_EQ(Flag(19, 20), FLAG_NONE);
    EXPECT_EQ(Flag(20, 19), FLAG_NONE);
    EXPECT_EQ(Flag(22, 20), FLAG_KEY);
    Flag(20, 20) = FLAG_QUEST; // under the unit itself
    Click(20, 20);
    EXPECT_EQ(hero.quest, 2);
    Flag(20, 21, 2) = FLAG_KEY; // another layer than the unit's
    Click(20, 21);
    EXPECT_EQ(hero.keys, 1);
}

TEST_F(PlayRules, GoldIsGuardedByAnyLivingMonsterWithinTwelve)
{
    Unit& hero = Hero();
    hero.gold = 0.0f;
    Flag(21, 20) = FLAG_GOLD;
    Unit& m = Place(40, FACTION_MONSTER, 20 + 5, 20 + 6, 0); // distance 11, other layer
    Click(21, 20);
    EXPECT_EQ(Flag(21, 20), FLAG_GOLD);
    EXPECT_EQ(hero.gold, 0.0f);
    m.hit_points = 0.0f; // the dead guard nothing
    Srand(8);
    ExpectedRolls rolls(8);
    Click(21, 20);
    EXPECT_EQ(hero.gold, static_cast<float>(rolls.Next() % 20 + 4));
    EXPECT_EQ(Flag(21, 20), FLAG_NONE);
    m.hit_points = 5.0f;
    m.cell_y = 20 + 7; // distance 12
    Flag(21, 20) = FLAG_GOLD;
    Click(21, 20);
    EXPECT_EQ(Flag(21, 20), FLAG_NONE);
}

TEST_F(PlayRules, TreasureIsGuardedOnlyByALivingHydraWithinSixty)
{
    Unit& hero = Hero();
    hero.gold = 10.0f;
    Flag(19, 19) = FLAG_TREASURE;
    Unit& hydra = Place(40, FACTION_MONSTER, 20 + 30, 20 + 29); // distance 59
    hydra.bitmap = 904;
    Unit& ogre = Place(41, FACTION_MONSTER, 20 + 15, 20);
    ogre.bitmap = 876;
    Click(19, 19);
    EXPECT_EQ(Flag(19, 19), FLAG_TREASURE);
    hydra.cell_y = 20 + 30; // distance 60; the ogre is no lair guardian
    Srand(1234);
    ExpectedRolls rolls(1234);
    Click(19, 19);
    EXPECT_EQ(Flag(19, 19), FLAG_NONE);
    EXPECT_EQ(hero.gold, 10.0f + rolls.Next() % 120 + 40);
    EXPECT_EQ(hero.keys, rolls.Next() % 3);
    EXPECT_EQ(hero.quest, rolls.Next() % 2);
}

TEST_F(PlayRules, KeysOpenDoorsUpToTheirCount)
{
    Unit& hero = Hero();
    Cell(21, 20) = CELL_DOOR;
    Flag(21, 20) = 0;
    Key(KEY_K, 21, 20); // lock level 0 opens with no key
    EXPECT_EQ(Cell(21, 20), CELL_FLOOR);

    Cell(20, 21) = CELL_DOOR;
    Flag(20, 21) = 5;
    hero.keys = 4;
    Key(KEY_K, 20, 21);
    EXPECT_EQ(Cell(20, 21), CELL_DOOR);
    hero.keys = 5;
    Key(KEY_K, 20, 21);
    EXPECT_EQ(Cell(20, 21), CELL_FLOOR);
    EXPECT_EQ(Flag(20, 21), FLAG_NONE);
    EXPECT_EQ(hero.keys, 5); // not used up

    Cell(22, 20) = CELL_DOOR; // two cells away
    Flag(22, 20) = 0;
    Key(KEY_K, 22, 20);
    EXPECT_EQ(Cell(22, 20), CELL_DOOR);

    Cell(19, 19) = CELL_WALL; // K does nothing to walls
    Key(KEY_K, 19, 19);
    EXPECT_EQ(Cell(19, 19), CELL_WALL);
}

TEST_F(PlayRules, DiggingCostsAHundredForAWallAndFiftyForADoor)
{
    Unit& hero = Hero();
    hero.gold = 160.0f;
    Cell(21, 20) = CELL_WALL;
    Flag(21, 20) = FLAG_GOLD;
    Key(KEY_D, 21, 20);
    EXPECT_EQ(Cell(21, 20), CELL_FLOOR);
    EXPECT_EQ(hero.gold, 60.0f);
    EXPECT_EQ(Flag(21, 20), FLAG_GOLD); // the flag stays

    Cell(19, 21) = CELL_DOOR;
    Flag(19, 21) = 5;
    Key(KEY_D, 19, 21);
    EXPECT_EQ(Cell(19, 21), CELL_FLOOR);
    EXPECT_EQ(hero.gold, 10.0f);
    EXPECT_EQ(Flag(19, 21), 5);

    hero.gold = 90.0f;
    Cell(20, 21) = CELL_WALL;
    Key(KEY_D, 20, 21);
    EXPECT_EQ(Cell(20, 21), CELL_WALL);
    EXPECT_EQ(hero.gold, 90.0f);

    hero.gold = 150.0f; // a wall becomes floor, which is no door to pay for again
    Key(KEY_D, 20, 21);
    EXPECT_EQ(Cell(20, 21), CELL_FLOOR);
    EXPECT_EQ(hero.gold, 50.0f);

    hero.gold = 1000.0f;
    Cell(22, 22) = CELL_WALL; // two cells away
    Key(KEY_D, 22, 22);
    EXPECT_EQ(Cell(22, 22), CELL_WALL);
}

TEST_F(PlayRules, TheWorldsEdgeCannotBeDug)
{
    Unit& hero = Place(10, FACTION_PARTY, 1, 1);
    CurrentUnit = 10;
    hero.gold = 1000.0f;
    Cell(0, 1) = CELL_WALL;
    Cell(1, 0) = CELL_WALL;
    Cell(2, 2) = CELL_WALL;
    Key(KEY_D, 0, 1);
    Key(KEY_D, 1, 0);
    EXPECT_EQ(Cell(0, 1), CELL_WALL);
    EXPECT_EQ(Cell(1, 0), CELL_WALL);
    Key(KEY_D, 2, 2);
    EXPECT_EQ(Cell(2, 2), CELL_FLOOR);
    EXPECT_EQ(hero.gold, 900.0f);
}

TEST_F(PlayRules, FireNeedsTwentySevenQuestsAndComesEvery401Frames)
{
    Unit& hero = Hero();
    hero.gold = 1000.0f;
    hero.quest = 26;
    FrameCounter = 1001;
    Key(KEY_S, 25, 25);
    EXPECT_EQ(hero.gold, 1000.0f);
    EXPECT_EQ(hero.last_spell_frame, 0);

    hero.quest = 27;
    FrameCounter = 400; // last_spell_frame starts at 0
    Key(KEY_S, 25, 25);
    EXPECT_EQ(hero.last_spell_frame, 0);
    FrameCounter = 401;
    Key(KEY_S, 25, 25);
    EXPECT_EQ(hero.last_spell_frame, 401);
    EXPECT_LT(hero.gold, 1000.0f);
    float gold = hero.gold;
    FrameCounter = 801;
    Key(KEY_S, 25, 25);
    EXPECT_EQ(hero.gold, gold);
    FrameCounter = 802;
    Key(KEY_S, 25, 25);
    EXPECT_LT(hero.gold, gold);
    EXPECT_EQ(SoundsOf(SOUND_FIRE), 2u);
}

TEST_F(PlayRules, FireCostsGoldAndSetsElevenRingsAndABurn)
{
    Unit& hero = Hero();
    hero.gold = 500.0f;
    hero.quest = 27;
    hero.attack = 3.7f;
    Place(40, FACTION_MONSTER, 25, 26);
    FrameCounter = 1001;
    EffectTable[3].active = 1; // slots in use are skipped
    EffectTable[3].kind = 99;
    Srand(55);
    ExpectedRolls rolls(55);
    Key(KEY_S, 25, 26);
    int32_t cost = rolls.Next() % 120 + 20;
    EXPECT_EQ(hero.gold, 500.0f - cost);
    float mx = static_cast<float>((25 - ViewX) * 16 + 8 + ViewX * 16);
    float my = static_cast<float>((26 - ViewY) * 16 + 8 + ViewY * 16);
    int32_t slot = 0;
    for (int32_t n = 0; n < 11; ++n, ++slot) {
        if (slot == 3)
            ++slot;
        const Effect& e = EffectTable[slot];
        EXPECT_EQ(e.kind, EFFECT_FIRE) << n;
        EXPECT_EQ(e.drift, rolls.Next() % 50 - 25) << n;
        EXPECT_EQ(e.pos_x, mx + (rolls.Next() % 100 - 50)) << n;
        EXPECT_EQ(e.pos_y, my + (rolls.Next() % 100 - 50)) << n;
        EXPECT_EQ(e.end_frame, 1101);
    }
    const Effect& burn = EffectTable[slot];
    EXPECT_EQ(burn.kind, EFFECT_DAMAGE);
    EXPECT_EQ(burn.amount, 3);
    EXPECT_EQ(burn.target, 40);
    EXPECT_EQ(burn.source, 10);
    EXPECT_EQ(burn.drift, rolls.Next() % 30 - 20);
    EXPECT_EQ(burn.pos_x, mx + (rolls.Next() % 10 - 5));
    EXPECT_EQ(burn.pos_y, my + (rolls.Next() % 10 - 5));
    EXPECT_EQ(ActiveEffects(EFFECT_FIRE), 11);
    EXPECT_EQ(SoundsOf(SOUND_FIRE), 1u);
}

TEST_F(PlayRules, FireWithoutTheGoldStillWaitsItsTurn)
{
    Unit& hero = Hero();
    hero.quest = 27;
    hero.gold = 19.0f; // below every possible cost
    FrameCounter = 500;
    Key(KEY_S, 25, 25);
    EXPECT_EQ(hero.last_spell_frame, 500);
    EXPECT_EQ(hero.gold, 19.0f);
    EXPECT_EQ(ActiveEffects(EFFECT_FIRE) + ActiveEffects(EFFECT_DAMAGE), 0);
    EXPECT_EQ(SoundsOf(SOUND_FIRE), 0u);
}

TEST_F(PlayRules, AFullEffectTableTakesTheGoldButMakesFewerRecords)
{
    Unit& hero = Hero();
    hero.quest = 27;
    hero.gold = 500.0f;
    FrameCounter = 1001;
    for (int32_t i = 0; i < MaxEffects; ++i)
        EffectTable[i].active = 1;
    EffectTable[500].active = 0;
    EffectTable[900].active = 0;
    Key(KEY_S, 25, 25);
    EXPECT_LT(hero.gold, 500.0f);
    EXPECT_EQ(EffectTable[500].kind, EFFECT_FIRE);
    EXPECT_EQ(EffectTable[900].kind, EFFECT_FIRE);
    EXPECT_EQ(FindFreeEffect(), -1);
}

TEST_F(PlayRules, MonstersNearTheViewNoticeThePartyOnTheTick)
{
    Place(10, FACTION_PARTY, 50, 50);
    CurrentUnit = 10;
    ViewX = 40;
    ViewY = 40;
    Place(3, FACTION_PARTY, 90, 90);                     // farther: not chosen
    Unit& m = Place(20, FACTION_MONSTER, 53, 53);        // distance 6
    Unit& far = Place(21, FACTION_MONSTER, 54, 53);      // distance 7
    Unit& other = Place(22, FACTION_MONSTER, 52, 52, 2); // on a layer not in view
    FrameCounter = 31;                                   // not a tick
    RunPlayRules();
    EXPECT_EQ(m.move_state, MOVE_IDLE);
    FrameCounter = 60;
    PathFinders[1].RouteIndex[20] = 7;
    RunPlayRules();
    EXPECT_EQ(m.target_unit, 10);
    EXPECT_EQ(m.move_state, MOVE_CHASE);
    EXPECT_EQ(m.dest_x, 50);
    EXPECT_EQ(m.dest_y, 50);
    EXPECT_EQ(m.dest_unit, 10);
    EXPECT_EQ(far.move_state, MOVE_IDLE);
    EXPECT_EQ(other.move_state, MOVE_IDLE);
    EXPECT_NE(far.target_unit, 10);
}

TEST_F(PlayRules, MonstersFarFromTheViewOrBesideUnitZeroNeverChase)
{
    Place(0, FACTION_PARTY, 50, 50);
    Unit& m = Place(20, FACTION_MONSTER, 52, 50);
    ViewX = 0;
    ViewY = 0;
    ViewLayer = 1;
    FrameCounter = 0;
    RunPlayRules(); // its nearest member is unit 0
    EXPECT_EQ(m.move_state, MOVE_IDLE);
    Place(7, FACTION_PARTY, 58, 40);
    UnitTable[0].hit_points = 0.0f; // the dead are not hunted
    m.cell_x = 60;
    m.cell_y = 40; // |0 - 60| + |0 - 40| = 100 from the view origin
    RunPlayRules();
    EXPECT_EQ(m.move_state, MOVE_IDLE);
    m.cell_y = 39;
    RunPlayRules();
    EXPECT_EQ(m.target_unit, 7);
}

TEST_F(PlayRules, AMonsterBesideItsQuarryStrikesOnTheBeat)
{
    // Idle or still chasing, a monster beside its quarry strikes it on the blow beat.
    Unit& hero = Place(10, FACTION_PARTY, 50, 50);
    hero.hit_points = 100.0f;
    hero.max_hit_points = 100.0f;
    CurrentUnit = 11;
    Place(11, FACTION_PARTY, 30, 30);
    ViewX = 40;
    ViewY = 40;
    Unit& m = Place(20, FACTION_MONSTER, 51, 51);
    m.attack = 5.0f;
    FrameCounter = 270;
    RunPlayRules();
    EXPECT_EQ(m.target_unit, 10);
    EXPECT_LT(hero.hit_points, 100.0f);
    EXPECT_GE(hero.hit_points, 95.0f);
}

} // namespace
