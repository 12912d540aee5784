// The play rules and combat on a small hand-built world: every unit a live bystander parked on layer 0, a floor field
// on layer 1, input set directly. Party member 10 at (20, 20) is selected, with the view at (10, 10).
#include "fixture.h"

namespace
{
class Play : public GameTest
{
  protected:
    void SetUp() override
    {
        GameTest::SetUp();
        for (int32_t u = 0; u < MaxUnits; ++u)
            Park(u);
        for (int32_t y = 1; y < 200; ++y)
            std::memset(&Cell(1, y), CELL_FLOOR, 199);
        std::tie(CurrentUnit, ViewX, ViewY) = std::make_tuple(10, 10, 10);
        Place(10, FACTION_PARTY, 20, 20);
    }
    void Park(int32_t u)
    {
        UnitTable[u] = Unit{};
        std::tie(UnitTable[u].in_use, UnitTable[u].hit_points, UnitTable[u].target_unit, UnitTable[u].route_order) =
            std::make_tuple(1, 1.0f, -1, ROUTE_NO_ORDER);
    }
    // One frame's rules with a key, or a left click (0), aimed at a cell.
    void Act(int32_t key, int32_t x, int32_t y)
    {
        PlacePointerAtCell(x, y);
        (key ? KeyState[key] : LeftClick) = 1;
        RunPlayRules();
        ClearInputFlags();
    }
    Unit& hero() { return UnitTable[10]; }
};
} // namespace

TEST_F(Play, GoldAndTreasureWaitForTheirGuardsAndKeysOpenDoorsUpToTheirCount)
{
    // Gold waits while a living monster stands within 11 on any layer, treasure while a hydra lives within 59. Flag,
    // guard's bitmap, offset from the hero, layer, hit points, taken.
    const int32_t guards[][7] = {{FLAG_GOLD, 876, 5, 6, 0, 5, 0},       {FLAG_GOLD, 876, 5, 6, 1, 0, 1},
                                 {FLAG_GOLD, 876, 5, 7, 1, 5, 1},       {FLAG_TREASURE, 904, 30, 29, 1, 5, 0},
                                 {FLAG_TREASURE, 904, 30, 30, 1, 5, 1}, {FLAG_TREASURE, 876, 15, 0, 1, 5, 1}};
    for (auto [flag, bitmap, dx, dy, layer, hp, taken] : guards) {
        std::tie(hero().gold, hero().keys, hero().quest, Flag(21, 20)) = std::make_tuple(10.0f, 0, 0, flag);
        Unit& guard = Place(40, FACTION_MONSTER, 20 + dx, 20 + dy, layer);
        std::tie(guard.bitmap, guard.hit_points) = std::make_tuple(bitmap, hp);
        Srand(1234);
        Act(0, 21, 20);
        Rolls rolls(1234);
        const bool gold = flag == FLAG_GOLD;
        const float paid = !taken ? 0.0f : (gold ? rolls() % 20 + 4 : rolls() % 120 + 40);
        const int32_t keys = taken && !gold ? rolls() % 3 : 0;
        EXPECT_EQ(std::make_tuple(Flag(21, 20), hero().gold, hero().keys, hero().quest),
                  std::make_tuple(taken ? 0 : flag, 10.0f + paid, keys, taken && !gold ? rolls() % 2 : 0))
            << dx << "," << dy;
        Park(40);
    }
    // Key, cell, code, lock level, keys, gold; then code, flag and gold after. D breaks through inside only.
    const int32_t doors[][10] = {{KEY_K, 21, 20, CELL_DOOR, 0, 0, 0, CELL_FLOOR, 0, 0},
                                 {KEY_K, 21, 20, CELL_DOOR, 5, 4, 0, CELL_DOOR, 5, 0},
                                 {KEY_K, 21, 20, CELL_DOOR, 5, 5, 0, CELL_FLOOR, 0, 0},
                                 {KEY_K, 22, 20, CELL_DOOR, 0, 0, 0, CELL_DOOR, 0, 0},
                                 {KEY_D, 21, 20, CELL_WALL, 5, 0, 160, CELL_FLOOR, 5, 60},
                                 {KEY_D, 19, 21, CELL_DOOR, 5, 0, 60, CELL_FLOOR, 5, 10},
                                 {KEY_D, 20, 21, CELL_WALL, 0, 0, 99, CELL_WALL, 0, 99}};
    for (auto [key, x, y, code, lock, keys, gold, code_after, flag_after, gold_after] : doors) {
        std::tie(Cell(x, y), Flag(x, y), hero().keys, hero().gold) = std::make_tuple(code, lock, keys, gold);
        Act(key, x, y);
        EXPECT_EQ(std::make_tuple(Cell(x, y), Flag(x, y), hero().gold, hero().keys),
                  std::make_tuple(code_after, flag_after, gold_after, keys))
            << key << " at " << x << "," << y << " lock " << lock;
    }
}

TEST_F(Play, FireNeedsTwentySevenQuestsAndComesEvery401Frames)
{
    hero().gold = 1000.0f;
    for (auto [quest, frame, last] : {std::tuple{26, 1001, 0}, {27, 400, 0}, {27, 401, 401}, {27, 801, 401}}) {
        std::tie(hero().quest, FrameCounter) = std::make_tuple(quest, frame);
        Act(KEY_S, 25, 25);
        EXPECT_EQ(hero().last_spell_frame, last) << quest << " quests, frame " << frame;
    }
    // A cast costs 20 to 139 gold, then draws three numbers for each of eleven rings and the burn.
    std::tie(hero().gold, FrameCounter) = std::make_tuple(500.0f, 802);
    Srand(55);
    Act(KEY_S, 25, 25);
    Rolls rolls(55);
    EXPECT_EQ(std::make_tuple(hero().gold, Sounds(SOUND_FIRE)), std::make_tuple(500.0f - (rolls() % 120 + 20), 2u));
    for (int i = 0; i < 36; ++i)
        rolls();
    EXPECT_EQ(RandState, rolls.state);
    hero().gold = 19.0f; // below every cost: the turn is taken all the same
    FrameCounter = 1500;
    Act(KEY_S, 25, 25);
    EXPECT_EQ(std::make_tuple(hero().last_spell_frame, hero().gold, Sounds(SOUND_FIRE)),
              std::make_tuple(1500, 19.0f, 2u));
}

TEST_F(Play, MonstersNearTheViewNoticeTheNearestPartyMemberOnTheTick)
{
    Place(11, FACTION_PARTY, 26, 20); // as near to monster 20 as unit 10: the lower index wins
    Place(3, FACTION_PARTY, 90, 90);
    CurrentUnit = 3;
    Unit& m = Place(20, FACTION_MONSTER, 23, 23);        // distance 6
    Unit& far = Place(21, FACTION_MONSTER, 20, 27);      // distance 7
    Unit& other = Place(22, FACTION_MONSTER, 22, 22, 2); // on a layer not in view
    FrameCounter = 31;                                   // not a tick
    RunPlayRules();
    EXPECT_EQ(m.target_unit, -1);
    FrameCounter = 60;
    RunPlayRules();
    EXPECT_EQ(std::make_tuple(m.target_unit, m.move_state, m.dest_x, m.dest_y, m.dest_unit, far.target_unit,
                              other.target_unit),
              std::make_tuple(10, MOVE_CHASE, 20, 20, 10, -1, -1));
    // Nearest to unit 0, or |dx| + |dy| of 100 from the view origin: nobody is hunted.
    Place(0, FACTION_PARTY, 30, 40);
    Park(10);
    Park(11);
    ViewX = ViewY = 0;
    for (auto [x, y, chases] : {std::tuple{31, 40, false}, {60, 40, false}, {60, 39, true}}) {
        UnitTable[0].hit_points = x == 31; // the dead are not hunted
        Place(23, FACTION_MONSTER, x, y);
        Place(7, FACTION_PARTY, 58, 40);
        RunPlayRules();
        EXPECT_EQ(UnitTable[23].target_unit, chases ? 7 : -1) << x << "," << y;
    }
}

TEST_F(Play, RegenerationFollowsTheQuestLevelOnTheBeatUpToTheMaximum)
{
    FrameCounter = 60;
    const int32_t bands[][2] = {{1, 1},  {2, 1},   {3, 2},   {8, 2},   {9, 3},   {26, 3},  {27, 4},   {55, 4},
                                {56, 5}, {103, 5}, {104, 6}, {182, 6}, {183, 9}, {299, 9}, {300, 14}, {5000, 14}};
    for (auto [quest, step] : bands) {
        std::tie(hero().quest, hero().hit_points, hero().max_hit_points) = std::make_tuple(quest, 1.0f, 100000.0f);
        Srand(777);
        UpdateCombat();
        EXPECT_EQ(hero().hit_points, 1.0f + Rolls(777)() % quest + step) << "quest " << quest;
    }
    // No quests, no beat or no life: no healing. Capped at the maximum; the beat follows the period. Quest, frame,
    // period, hit points before and after.
    const int32_t cases[][5] = {
        {0, 60, 30, 3, 3}, {300, 61, 30, 3, 3}, {300, 90, 30, 3, 8}, {300, 90, 30, 0, 0}, {300, 93, 3, 3, 8}};
    for (auto [quest, frame, period, before, after] : cases) {
        std::tie(hero().quest, hero().hit_points, hero().max_hit_points, hero().event_frame) =
            std::make_tuple(quest, before, 8.0f, 90u);
        std::tie(FrameCounter, MonsterCyclePeriod) = std::make_tuple(frame, period);
        Srand(5); // its first roll brings no one back
        UpdateCombat();
        EXPECT_EQ(std::make_tuple(hero().hit_points, quest > 0 || RandState == 5u), std::make_tuple(after, true))
            << quest << " quests, frame " << frame;
    }
}

TEST_F(Play, StrikesInTheWindowHitTheMonsterBesideAndAKillPaysPartOfItsReward)
{
    Unit& m = Place(20, FACTION_MONSTER, 20, 21);
    m.hit_points = 20.0f;
    Unit& chaser = Place(30, FACTION_MONSTER, 90, 90);
    chaser.target_unit = 20;
    PlacePointerAtCell(20, 21);
    LeftClick = 1;
    // Frames 0 to 10 of every 60 strike; the last of them here, with its damage, drift and position.
    for (int32_t frame : {71, 130}) {
        FrameCounter = frame;
        Srand(42);
        UpdateCombat();
    }
    Rolls rolls(42);
    const int32_t damage = rolls() % 4 + 1;
    const Effect& e = EffectTable[0];
    EXPECT_EQ(std::make_tuple(m.hit_points, e.kind, e.amount, e.target, e.end_frame, e.drift),
              std::make_tuple(20.0f - damage, EFFECT_DAMAGE, damage, 0, 230, rolls() % 30 - 20));
    const float x = 20 * 16 + 8 + rolls() % 10 - 5;
    EXPECT_EQ(std::make_tuple(e.pos_x, e.pos_y, Sounds(SOUND_SWISH), ShowCursorCross),
              std::make_tuple(x, 21 * 16 + 8 + rolls() % 10 - 5, size_t{1}, 0));
    // A kill pays R / 3 to R - 1 of the reward R, drawing nothing for an empty range, and ends the chases after it.
    FrameCounter = 61; // off the beat: the fallen make no respawn roll
    for (int32_t reward : {30, 350, 3, 2, -7}) {
        std::tie(hero().gold, m.hit_points, m.gold_reward, chaser.move_state) =
            std::make_tuple(100.0f, 1.0f, reward, MOVE_CHASE);
        Srand(9);
        UpdateCombat();
        Rolls kill(9);
        kill(), kill(), kill(), kill(); // damage, drift and position of the blow
        const float paid = reward >= 3 ? kill() % (reward / 3 * 2) + reward / 3 : 0;
        EXPECT_EQ(std::make_tuple(hero().gold, RandState, m.event_frame, chaser.move_state),
                  std::make_tuple(100.0f + paid, kill.state, 61u, MOVE_IDLE))
            << "reward " << reward;
    }
}

TEST_F(Play, TheDeadComeBackOnABeatMoreReadilyTheLongerTheyLie)
{
    // 1 in 22,240 right after death, falling to 1 in 800 after 21,440 frames; no roll between beats.
    Unit& m = Place(20, FACTION_MONSTER, 21, 19);
    m.max_hit_points = 42.0f;
    // Frame, death frame's offset, first roll, back.
    const int32_t cases[][4] = {
        {30000, 0, 800, 0}, {30000, -21440, 800, 1}, {30000, -21439, 801, 1}, {30000, 0, 22240, 1}, {30001, 0, 0, 0}};
    for (auto [frame, died, roll, back] : cases) {
        std::tie(m.hit_points, m.event_frame, FrameCounter) = std::make_tuple(-3.0f, 30000u + died, frame);
        uint32_t seed = 0;
        while (Rolls(seed)() != roll)
            ++seed;
        Srand(seed);
        UpdateCombat();
        EXPECT_EQ(m.hit_points, back ? 42.0f : -3.0f) << "died " << died << ", roll " << roll;
    }
}

TEST_F(Play, DamageNumbersRiseAPixelAFrameAndBurnsPayTheCasterOnce)
{
    Unit& target = Place(20, FACTION_MONSTER, 60, 60);
    target.hit_points = 100.0f;
    Unit& chaser = Place(30, FACTION_MONSTER, 70, 70);
    std::tie(chaser.target_unit, chaser.move_state) = std::make_tuple(20, MOVE_CHASE);
    AddEffect(EFFECT_DAMAGE, 3, 20, -20, 10 * 16 + 100.0f, 10 * 16 + 100.0f);
    EffectTable[0].source = 10;
    Srand(21);
    for (int32_t drift = -20; drift <= 17; ++drift) {
        ClearScreen();
        UpdateEffects();
        const PixelSet shown = Lit();
        ClearScreen();
        std::snprintf(TextBuffer, sizeof TextBuffer, "3");
        if (drift <= 16) // until its rise passes 16
            DrawText(100, 100 + drift, 255, 255, 255);
        EXPECT_EQ(shown, Lit()) << drift;
        EXPECT_EQ(target.hit_points, std::max(100.0f - 3 * (drift + 21), -2.0f)) << "nothing more once dead";
    }
    EXPECT_EQ(std::make_tuple(hero().gold, target.event_frame, chaser.move_state),
              std::make_tuple(static_cast<float>(Rolls(21)() % 10 + 1), 1u, MOVE_IDLE));
}
