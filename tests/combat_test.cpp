#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "assets/sound.h"
#include "gfx/draw.h"
#include "play_fixture.h"

namespace
{

class Combat : public PlayWorld
{
  protected:
    // Party member 10 at (50, 50) as the current unit, monster 20 right above it.
    void SetUpFight()
    {
        Unit& hero = Place(10, FACTION_PARTY, 50, 50);
        hero.gold = 100.0f;
        CurrentUnit = 10;
        Unit& m = Place(20, FACTION_MONSTER, 50, 51);
        m.hit_points = 20.0f;
        m.max_hit_points = 20.0f;
        m.gold_reward = 30;
        ViewX = 40;
        ViewY = 40;
        PointAt(50, 51);
    }
    bool RedAt(int32_t x, int32_t y)
    {
        const uint8_t* p = ScreenBuffer + (static_cast<size_t>(y) * ScreenWidth + x) * 4;
        return p[0] == 255 && p[1] == 0 && p[2] == 0;
    }
    std::set<std::pair<int32_t, int32_t>> RedPixels()
    {
        std::set<std::pair<int32_t, int32_t>> out;
        for (int32_t y = 0; y < ScreenHeight; ++y)
            for (int32_t x = 0; x < ScreenWidth; ++x)
                if (RedAt(x, y))
                    out.insert({x, y});
        return out;
    }
};

TEST_F(Combat, RegenerationFollowsTheQuestLevelTable)
{
    const int32_t steps[][2] = {{1, 1},  {2, 1},   {3, 2},   {8, 2},   {9, 3},   {26, 3},  {27, 4},   {55, 4},
                                {56, 5}, {103, 5}, {104, 6}, {182, 6}, {183, 9}, {299, 9}, {300, 14}, {5000, 14}};
    Unit& hero = Place(10, FACTION_PARTY, 50, 50);
    CurrentUnit = 10;
    FrameCounter = 60;
    for (const auto& row : steps) {
        hero.quest = static_cast<int16_t>(row[0]);
        hero.hit_points = 1.0f;
        hero.max_hit_points = 100000.0f;
        Srand(777);
        ExpectedRolls rolls(777);
        UpdateCombat();
        EXPECT_EQ(hero.hit_points, 1.0f + rolls.Next() % row[0] + row[1]) << "quest " << row[0];
    }
}

TEST_F(Combat, RegenerationNeedsQuestsABeatAndLifeAndStopsAtTheMaximum)
{
    Unit& hero = Place(10, FACTION_PARTY, 50, 50);
    CurrentUnit = 10;
    hero.hit_points = 3.0f;
    FrameCounter = 60;
    Srand(5);
    UpdateCombat(); // quest 0: no healing and no roll
    EXPECT_EQ(hero.hit_points, 3.0f);
    EXPECT_EQ(RandState, 5u);

    hero.quest = 300;
    FrameCounter = 61; // between beats
    UpdateCombat();
    EXPECT_EQ(hero.hit_points, 3.0f);

    FrameCounter = 90;
    UpdateCombat(); // at least 14 points: capped at 8
    EXPECT_EQ(hero.hit_points, 8.0f);

    hero.hit_points = 0.0f; // the dead do not heal (only a respawn roll is made)
    hero.event_frame = 90;
    Srand(5);
    ExpectedRolls rolls(5);
    UpdateCombat();
    if (rolls.Next() % 22240 != 0) {
        EXPECT_EQ(hero.hit_points, 0.0f);
    }

    MonsterCyclePeriod = 3.0f; // the beat follows the period
    hero.hit_points = 3.0f;
    FrameCounter = 93;
    UpdateCombat();
    EXPECT_EQ(hero.hit_points, 8.0f);
}

TEST_F(Combat, StrikeInTheWindowHitsAndShowsANumber)
{
    SetUpFight();
    FrameCounter = 120 + 10; // last frame of the strike window
    LeftClick = 1;
    Srand(42);
    ExpectedRolls rolls(42);
    UpdateCombat();
    int32_t damage = rolls.Next() % 4 + 1;
    int32_t drift = rolls.Next() % 30 - 20;
    int32_t dx = rolls.Next() % 10 - 5;
    int32_t dy = rolls.Next() % 10 - 5;
    EXPECT_EQ(UnitTable[20].hit_points, 20.0f - damage);
    ASSERT_EQ(ActiveEffects(EFFECT_DAMAGE), 1);
    const Effect& e = EffectTable[0];
    EXPECT_EQ(e.amount, damage);
    EXPECT_EQ(e.target, 0);
    EXPECT_EQ(e.drift, drift);
    EXPECT_EQ(e.pos_x, static_cast<float>((50 - ViewX) * 16 + 8 + ViewX * 16 + dx));
    EXPECT_EQ(e.pos_y, static_cast<float>((51 - ViewY) * 16 + 8 + ViewY * 16 + dy));
    EXPECT_EQ(e.end_frame, FrameCounter + 100);
    EXPECT_EQ(SoundsOf(SOUND_SWISH), 1u);
    EXPECT_EQ(ShowCursorCross, 0);
}

TEST_F(Combat, ClicksOutsideTheStrikeWindowOrOnTheWrongCellDoNothing)
{
    SetUpFight();
    LeftClick = 1;
    for (int32_t f : {11, 59, 71}) { // 11 in every 60 frames strike: 0..10
        FrameCounter = f;
        UpdateCombat();
    }
    EXPECT_EQ(UnitTable[20].hit_points, 20.0f);
    EXPECT_EQ(SoundsOf(SOUND_SWISH), 0u);
    EXPECT_EQ(ShowCursorCross, 0); // the attack cursor shows all the same

    FrameCounter = 0;
    PointAt(50, 50); // the hero's own cell
    Place(21, FACTION_MONSTER, 50, 50).hit_points = 5.0f;
    ShowCursorCross = 1;
    UpdateCombat();
    EXPECT_EQ(UnitTable[21].hit_points, 5.0f);
    EXPECT_EQ(ShowCursorCross, 1);

    Place(22, FACTION_MONSTER, 52, 50).hit_points = 5.0f; // two cells away
    PointAt(52, 50);
    UpdateCombat();
    EXPECT_EQ(UnitTable[22].hit_points, 5.0f);

    Place(23, FACTION_PARTY, 49, 49).hit_points = 5.0f; // a party member is not struck
    PointAt(49, 49);
    UpdateCombat();
    EXPECT_EQ(UnitTable[23].hit_points, 5.0f);

    Place(24, FACTION_MONSTER, 51, 51).hit_points = 5.0f; // diagonal: allowed
    PointAt(51, 51);
    UpdateCombat();
    EXPECT_LT(UnitTable[24].hit_points, 5.0f);

    UnitTable[10].hit_points = 0.0f; // a dead hero does not swing
    UnitTable[24].hit_points = 5.0f;
    UpdateCombat();
    EXPECT_EQ(UnitTable[24].hit_points, 5.0f);
}

TEST_F(Combat, TheStrikeLooksAtTheViewLayer)
{
    SetUpFight();
    UnitTable[20].layer = 2; // the monster stands on the layer the player is not looking at
    FrameCounter = 0;
    LeftClick = 1;
    UpdateCombat();
    EXPECT_EQ(UnitTable[20].hit_points, 20.0f);
    ViewLayer = 2;
    UpdateCombat();
    EXPECT_LT(UnitTable[20].hit_points, 20.0f);
}

TEST_F(Combat, AKillPaysATwoThirdsRangeOfTheRewardAndEndsChases)
{
    SetUpFight();
    UnitTable[20].hit_points = 1.0f;
    Place(30, FACTION_MONSTER, 90, 90).target_unit = 20;
    UnitTable[30].move_state = MOVE_CHASE;
    FrameCounter = 60;
    LeftClick = 1;
    Srand(9);
    ExpectedRolls rolls(9);
    UpdateCombat();
    for (int i = 0; i < 4; ++i)
        rolls.Next();
    EXPECT_EQ(UnitTable[10].gold, 100.0f + rolls.Next() % 20 + 10);
    EXPECT_EQ(UnitTable[20].event_frame, 60u);
    EXPECT_EQ(UnitTable[30].move_state, MOVE_IDLE);
    EXPECT_NE(UnitTable[20].route_order, ROUTE_NO_ORDER + 1); // untouched by a player's kill
}

TEST_F(Combat, RewardsStayInsideTheirRangeAndSmallRewardsPayNothing)
{
    SetUpFight();
    LeftClick = 1;
    FrameCounter = 0;
    for (uint32_t seed = 1; seed < 200; ++seed) {
        UnitTable[10].gold = 0.0f;
        UnitTable[20].hit_points = 1.0f;
        UnitTable[20].gold_reward = 350;
        Srand(seed);
        UpdateCombat();
        ASSERT_GE(UnitTable[10].gold, 116.0f);
        ASSERT_LE(UnitTable[10].gold, 347.0f);
    }
    FrameCounter = 1; // off the beat, so the fallen monster makes no respawn roll
    for (int32_t reward : {2, 1, 0, -7}) {
        UnitTable[10].gold = 5.0f;
        UnitTable[20].hit_points = 1.0f;
        UnitTable[20].gold_reward = reward;
        Srand(3);
        UpdateCombat();
        EXPECT_EQ(UnitTable[10].gold, 5.0f) << reward;
        ExpectedRolls rolls(3);
        for (int i = 0; i < 4; ++i)
            rolls.Next();
        EXPECT_EQ(RandState, rolls.state) << "no roll for an empty range";
    }
}

TEST_F(Combat, MonstersStrikeTheirQuarryOnTheCommonBeat)
{
    Place(10, FACTION_PARTY, 50, 50);
    CurrentUnit = 10;
    Unit& m = Place(20, FACTION_MONSTER, 51, 49);
    m.attack = 12.0f;
    m.target_unit = 10;
    m.move_state = MOVE_CHASE;
    UnitTable[10].hit_points = 100.0f;
    UnitTable[10].max_hit_points = 100.0f;
    FrameCounter = 30; // a beat, but not the blow beat of 270
    UpdateCombat();
    EXPECT_EQ(UnitTable[10].hit_points, 100.0f);

    FrameCounter = 540;
    Srand(11);
    ExpectedRolls rolls(11);
    UpdateCombat();
    int32_t damage = rolls.Next() % 12 + 1;
    int32_t drift = rolls.Next() % 4 + 6;
    int32_t dx = rolls.Next() % 10 - 5;
    int32_t dy = rolls.Next() % 10 - 5;
    EXPECT_EQ(UnitTable[10].hit_points, 100.0f - damage);
    ASSERT_EQ(ActiveEffects(EFFECT_DAMAGE), 1);
    EXPECT_EQ(EffectTable[0].drift, drift);
    EXPECT_EQ(EffectTable[0].pos_x, static_cast<float>(50 * 16 + 8 + dx));
    EXPECT_EQ(EffectTable[0].pos_y, static_cast<float>(50 * 16 + 8 + dy));
    EXPECT_EQ(SoundsOf(SOUND_SWISH), 1u); // aimed at the current unit
}

TEST_F(Combat, MonsterBlowConditions)
{
    Place(10, FACTION_PARTY, 50, 50).hit_points = 100.0f;
    Place(11, FACTION_PARTY, 60, 60).hit_points = 100.0f;
    CurrentUnit = 11;
    FrameCounter = 270;
    auto attacker = [&](int32_t u, int32_t x, int32_t y) -> Unit& {
        Unit& m = Place(u, FACTION_MONSTER, x, y);
        m.target_unit = 10;
        return m;
    };
    attacker(20, 52, 50);                               // two cells away
    attacker(21, 51, 51).move_state = MOVE_WALK;        // walking monsters do not strike
    attacker(22, 49, 49).hit_points = 0.0f;             // nor do dead ones
    Place(0, FACTION_MONSTER, 50, 51).target_unit = 10; // unit 0 never strikes
    attacker(23, 50, 49).target_unit = 0;               // a quarry of 0 means none
    Place(24, FACTION_PARTY, 51, 50).target_unit = 10;  // party members do not strike
    UpdateCombat();
    EXPECT_EQ(UnitTable[10].hit_points, 100.0f);
    EXPECT_EQ(SoundsOf(SOUND_SWISH), 0u);

    attacker(25, 51, 50).layer = 2; // layers are not compared
    UpdateCombat();
    EXPECT_LT(UnitTable[10].hit_points, 100.0f);
    EXPECT_EQ(SoundsOf(SOUND_SWISH), 0u); // not aimed at the current unit

    UnitTable[25].target_unit = 2999 + 1000; // out of the table: ignored
    UnitTable[25].target_unit = static_cast<int16_t>(-5);
    float hp = UnitTable[10].hit_points;
    UpdateCombat();
    EXPECT_EQ(UnitTable[10].hit_points, hp);
}

TEST_F(Combat, AWeakAttackerStillLandsOnePoint)
{
    Place(10, FACTION_PARTY, 50, 50).hit_points = 10.0f;
    Unit& m = Place(20, FACTION_MONSTER, 51, 50);
    m.target_unit = 10;
    m.attack = 0.5f;
    FrameCounter = 270;
    Srand(1);
    UpdateCombat();
    EXPECT_EQ(UnitTable[10].hit_points, 9.0f);
    ExpectedRolls rolls(1);
    for (int i = 0; i < 3; ++i) // drift and position only
        rolls.Next();
    EXPECT_EQ(RandState, rolls.state);
}

TEST_F(Combat, AMonsterKillPaysNothingAndCancelsTheVictimsRoute)
{
    Unit& hero = Place(10, FACTION_PARTY, 50, 50);
    hero.hit_points = 1.0f;
    hero.gold = 7.0f;
    hero.route_order = 1;
    PathFinders[0].RouteIndex[10] = 12;
    Unit& m = Place(20, FACTION_MONSTER, 51, 50);
    m.target_unit = 10;
    m.move_state = MOVE_CHASE;
    m.gold = 0.0f;
    Place(21, FACTION_MONSTER, 80, 80).target_unit = 10;
    UnitTable[21].move_state = MOVE_CHASE;
    FrameCounter = 270;
    UpdateCombat();
    EXPECT_LE(hero.hit_points, 0.0f);
    EXPECT_EQ(hero.event_frame, 270u);
    EXPECT_EQ(hero.route_order, ROUTE_NO_ORDER);
    EXPECT_EQ(PathFinders[0].RouteIndex[10], ROUTE_IDLE);
    EXPECT_EQ(m.move_state, MOVE_IDLE);
    EXPECT_EQ(UnitTable[21].move_state, MOVE_IDLE);
    EXPECT_EQ(m.gold, 0.0f);
    EXPECT_EQ(hero.gold, 7.0f);
}

// Seeds whose first roll is the given value.
uint32_t SeedForFirstRoll(int32_t wanted)
{
    for (uint32_t s = 0;; ++s)
        if (ExpectedRolls(s).Next() == wanted)
            return s;
}

TEST_F(Combat, RespawnChanceGrowsWithTimeSinceDeath)
{
    Unit& dead = Place(20, FACTION_MONSTER, 50, 50);
    dead.hit_points = -3.0f;
    dead.max_hit_points = 42.0f;
    FrameCounter = 30000;

    dead.event_frame = 30000; // just died: 1 in 22,240, so a roll of 800 fails
    Srand(SeedForFirstRoll(800));
    UpdateCombat();
    EXPECT_EQ(dead.hit_points, -3.0f);

    dead.event_frame = 30000 - 21440; // long dead: 1 in 800
    Srand(SeedForFirstRoll(800));
    UpdateCombat();
    EXPECT_EQ(dead.hit_points, 42.0f);

    dead.hit_points = 0.0f;
    dead.event_frame = 30000 - 21439; // one frame short of the floor: 1 in 801
    Srand(SeedForFirstRoll(801));
    UpdateCombat();
    EXPECT_EQ(dead.hit_points, 42.0f);

    dead.hit_points = 0.0f;
    dead.event_frame = 30000;
    Srand(SeedForFirstRoll(22240));
    UpdateCombat();
    EXPECT_EQ(dead.hit_points, 42.0f);

    dead.hit_points = 0.0f;
    FrameCounter = 30001; // no roll between beats
    Srand(SeedForFirstRoll(0));
    UpdateCombat();
    EXPECT_EQ(dead.hit_points, 0.0f);
}

TEST_F(Combat, AddEffectTakesTheLowestFreeSlotAndKeepsOtherFields)
{
    FrameCounter = 77;
    EffectTable[0].active = 1;
    EffectTable[1].source = 1234;
    EXPECT_EQ(AddEffect(EFFECT_DAMAGE, 5, 0, -3, 10.5f, 20.25f), 1);
    const Effect& e = EffectTable[1];
    EXPECT_EQ(e.active, 1);
    EXPECT_EQ(e.start_frame, 77);
    EXPECT_EQ(e.end_frame, 177);
    EXPECT_EQ(e.source, 1234);
    EXPECT_EQ(e.pos_y, 20.25f);
    for (int32_t i = 0; i < MaxEffects; ++i)
        EffectTable[i].active = 1;
    EXPECT_EQ(AddEffect(EFFECT_FIRE, 0, 0, 1, 0.0f, 0.0f), -1);
    EXPECT_EQ(FindFreeEffect(), -1);
}

TEST_F(Combat, FireRingsGrowFromPositiveDriftAndEndAfterTwenty)
{
    ViewX = 10;
    ViewY = 10;
    AddEffect(EFFECT_FIRE, 0, 0, -1, 10 * 16 + 200.0f, 10 * 16 + 200.0f);
    AddEffect(EFFECT_FIRE, 0, 0, 24, 10 * 16 + 400.0f, 10 * 16 + 200.0f);
    ClearScreen();
    UpdateEffects(); // drift -1 draws nothing; 24 draws radius 24 once and ends
    EXPECT_FALSE(RedAt(200, 199));
    EXPECT_TRUE(RedAt(400, 200 - 24));
    EXPECT_EQ(EffectTable[1].active, 0);
    EXPECT_EQ(EffectTable[0].drift, 0);
    int32_t frames = 0;
    std::vector<size_t> counts; // pixels of the rings of radius 1 to 20
    while (EffectTable[0].active == 1) {
        ClearScreen();
        UpdateEffects();
        ++frames;
        if (frames >= 2) { // radius frames - 1
            int32_t radius = frames - 1;
            EXPECT_TRUE(RedAt(200, 200 - radius)) << frames;
            for (const auto& [x, y] : RedPixels())
                ASSERT_LE(std::hypot(x - 200.0, y - 200.0), radius + 0.01);
            counts.push_back(RedPixels().size());
        }
        ASSERT_LT(frames, 100);
    }
    EXPECT_EQ(frames, 21); // radius 0 (undrawn) then 1 to 20
    ASSERT_EQ(counts.size(), 20u);
    EXPECT_GT(counts[19], 2 * counts[4]); // larger rings have more points
}

TEST_F(Combat, EffectsEndWithTheirLifetime)
{
    FrameCounter = 10;
    AddEffect(EFFECT_FIRE, 0, 0, -100, 0.0f, 0.0f);
    AddEffect(EFFECT_DAMAGE, 1, 0, -100, 0.0f, 0.0f);
    FrameCounter = 110;
    UpdateEffects();
    EXPECT_EQ(ActiveEffects(EFFECT_FIRE) + ActiveEffects(EFFECT_DAMAGE), 2);
    FrameCounter = 111;
    UpdateEffects();
    EXPECT_EQ(ActiveEffects(EFFECT_FIRE) + ActiveEffects(EFFECT_DAMAGE), 0);
}

TEST_F(Combat, DamageNumbersRiseAndEndPastSixteen)
{
    AddEffect(EFFECT_DAMAGE, 3, 0, 10, 0.0f, 0.0f);
    for (int32_t i = 0; i < 7; ++i) {
        ASSERT_EQ(EffectTable[0].active, 1) << i;
        UpdateEffects();
        EXPECT_EQ(EffectTable[0].drift, 11 + i);
    }
    EXPECT_EQ(EffectTable[0].active, 0);
}

TEST_F(Combat, BurningDealsTheAmountEveryFrameAndPaysTheSourceOnce)
{
    Place(10, FACTION_PARTY, 50, 50).gold = 0.0f;
    Unit& t = Place(20, FACTION_MONSTER, 60, 60);
    t.hit_points = 100.0f;
    Place(30, FACTION_MONSTER, 70, 70).target_unit = 20;
    UnitTable[30].move_state = MOVE_CHASE;
    int32_t slot = AddEffect(EFFECT_DAMAGE, 3, 20, -20, 0.0f, 0.0f);
    EffectTable[slot].source = 10;
    FrameCounter = 5;
    Srand(21);
    ExpectedRolls rolls(21);
    int32_t frames = 0;
    while (t.hit_points > 0.0f) {
        UpdateEffects();
        ++frames;
        ASSERT_LT(frames, 40);
    }
    EXPECT_EQ(frames, 34);
    EXPECT_EQ(UnitTable[10].gold, static_cast<float>(rolls.Next() % 10 + 1));
    EXPECT_EQ(t.event_frame, 5u);
    EXPECT_EQ(UnitTable[30].move_state, MOVE_IDLE);
    while (EffectTable[slot].active == 1)
        UpdateEffects();
    EXPECT_EQ(t.hit_points, -2.0f); // nothing more once dead
    EXPECT_EQ(RandState, rolls.state);
}

TEST_F(Combat, DrawRingPlacesPointsOnTheCircle)
{
    ClearScreen();
    DrawRing(100.7, 100.2, 5.0, 255, 0, 0);
    // 10-degree steps reach the four cardinal points; the first point is below the centre.
    EXPECT_TRUE(RedAt(100, 95));
    EXPECT_TRUE(RedAt(105, 100));
    EXPECT_TRUE(RedAt(100, 105));
    EXPECT_TRUE(RedAt(95, 100));
    for (const auto& [x, y] : RedPixels()) {
        double d = std::hypot(x - 100.0, y - 100.0);
        EXPECT_GE(d, 3.5);
        EXPECT_LE(d, 5.01);
    }
    EXPECT_LE(RedPixels().size(), 36u);

    ClearScreen();
    DrawRing(20.0, 20.0, 1.0, 255, 0, 0); // 50-degree steps: 8 points
    EXPECT_LE(RedPixels().size(), 8u);
    EXPECT_TRUE(RedAt(20, 19));

    ClearScreen();
    DrawRing(20.0, 20.0, -4.0, 255, 0, 0);
    DrawRing(20.0, 20.0, std::nan(""), 255, 0, 0);
    DrawRing(-5e12, 3e15, 3.0, 255, 0, 0);
    EXPECT_TRUE(RedPixels().empty());
}

} // namespace
