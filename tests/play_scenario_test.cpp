// Play scenarios in the world of seed 99, run frame by frame the way the replay
// runner runs them (scripted events delivered by the message pump), with the
// state looked at directly. Party member 36 starts at (942, 549).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "app/input.h"
#include "app/shell.h"
#include "assets/sound.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "units/combat.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace
{

constexpr int32_t HERO = 36;
constexpr int32_t BEETLE = 2803; // fire beetle at (935, 554): 12 hit points, attack 4, reward 40
constexpr int32_t HYDRA = 88;    // at (815, 545), its treasure lies at (813, 542) among others
constexpr int32_t FAR_PARTY_MEMBER = 535;

void CellToPixel(int32_t cx, int32_t cy, int32_t* px, int32_t* py)
{
    *px = (cx - ViewX) * 16 + 8;
    *py = (cy - ViewY) * 16 + 8;
}

using PixelSet = std::set<std::pair<int32_t, int32_t>>;

class PlayScenario : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        HeadlessReset(1000000000.0);
        HeadlessSetCellMapper(CellToPixel);
        // A fresh program's globals, whatever earlier tests in this process left.
        FrameCounter = 0;
        QuitRequested = 0;
        ConsoleOpen = 0;
        MonsterCyclePeriod = 30.0f;
        ShowCursorCross = 1;
        ClearInputFlags();
        ASSERT_TRUE(StartGame());
        HeadlessDeliverFrame(0);
        ASSERT_EQ(CurrentUnit, HERO);
    }
    void TearDown() override { FreeWorld(); }

    Unit& U(int32_t u) { return UnitTable[u]; }
    // Events seen by the frame `frame`; the pump of the frame before delivers them,
    // so they must be queued before that frame runs.
    void At(int32_t frame, HeadlessEventKind kind, int32_t a = 0, int32_t b = 0) { HeadlessQueue({frame, kind, a, b}); }
    // Events for the frame after the next one to run.
    void Next(HeadlessEventKind kind, int32_t a = 0, int32_t b = 0) { At(FrameCounter + 1, kind, a, b); }
    // Runs the frame that receives the events and the one that acts on them.
    void Settle() { RunTo(FrameCounter + 2); }
    void RunTo(int32_t frame)
    {
        while (FrameCounter < frame) {
            RunFrame();
            HeadlessAdvanceClock(1.0 / 60.0);
        }
    }
    void Step() { RunTo(FrameCounter + 1); }
    // Clicks a cell in the next frame and runs it.
    void ClickCell(int32_t x, int32_t y)
    {
        Next(HEADLESS_CELL, x, y);
        Next(HEADLESS_LCLICK);
        Settle();
    }
    void KeyOnCell(int32_t key, int32_t x, int32_t y)
    {
        Next(HEADLESS_CELL, x, y);
        Next(HEADLESS_KEY, key);
        Settle();
    }
    // Puts the hero on a cell with the view around it.
    void Teleport(int32_t x, int32_t y)
    {
        U(HERO).cell_x = static_cast<uint16_t>(x);
        U(HERO).cell_y = static_cast<uint16_t>(y);
        ViewX = x - 20;
        ViewY = y - 15;
    }
    void Sturdy(int32_t u)
    {
        U(u).max_hit_points = 10000.0f;
        U(u).hit_points = 10000.0f;
    }
    uint8_t& Cell(int32_t x, int32_t y) { return MainMap[CellIndex(x, y, 1)]; }
    uint8_t& Flag(int32_t x, int32_t y) { return FlagMap[CellIndex(x, y, 1)]; }
    // Pixels of a colour in the last presented frame.
    PixelSet Pixels(uint8_t r, uint8_t g, uint8_t b, int32_t x0 = 0, int32_t y0 = 0, int32_t x1 = 639, int32_t y1 = 479)
    {
        PixelSet out;
        const std::vector<uint8_t>& f = HeadlessLastFrame();
        for (int32_t y = std::max(y0, 0); y <= std::min(y1, ScreenHeight - 1); ++y)
            for (int32_t x = std::max(x0, 0); x <= std::min(x1, ScreenWidth - 1); ++x) {
                const uint8_t* p = f.data() + (static_cast<size_t>(y) * ScreenWidth + x) * 4;
                if (p[0] == r && p[1] == g && p[2] == b)
                    out.insert({x, y});
            }
        return out;
    }
    bool RedAt(int32_t x, int32_t y) { return !Pixels(255, 0, 0, x, y, x, y).empty(); }
};

int32_t Chebyshev(const Unit& a, int32_t x, int32_t y)
{
    return std::max(std::abs(a.cell_x - x), std::abs(a.cell_y - y));
}

TEST_F(PlayScenario, DiggingThroughAWallOpensTheWayToAFarCell)
{
    Sturdy(HERO);
    Teleport(942, 561);
    ViewX = 930;
    ViewY = 550;
    // (955, 570) lies behind the wall at (943, 561): a walk there ends where it starts.
    Next(HEADLESS_CELL, 955, 570);
    Next(HEADLESS_RCLICK);
    RunTo(400);
    EXPECT_EQ(U(HERO).move_state, MOVE_IDLE);
    EXPECT_EQ(U(HERO).cell_x, 942);
    EXPECT_EQ(U(HERO).cell_y, 561);

    KeyOnCell(68, 943, 561); // D
    EXPECT_EQ(Cell(943, 561), CELL_FLOOR);
    EXPECT_EQ(U(HERO).gold, 200.0f);
    Next(HEADLESS_CELL, 955, 570);
    Next(HEADLESS_RCLICK);
    RunTo(1200);
    EXPECT_EQ(U(HERO).move_state, MOVE_IDLE);
    EXPECT_EQ(U(HERO).cell_x, 955);
    EXPECT_EQ(U(HERO).cell_y, 570);
    EXPECT_GE(U(HERO).event_frame, 800u); // 16 steps of 30 frames
}

TEST_F(PlayScenario, AWalkToAnOccupiedCellEndsBesideIt)
{
    Sturdy(HERO);
    U(FAR_PARTY_MEMBER).cell_x = 938; // another party member stands on the goal
    U(FAR_PARTY_MEMBER).cell_y = 552;
    ViewX = 932;
    ViewY = 544;
    Next(HEADLESS_CELL, 938, 552);
    Next(HEADLESS_RCLICK);
    Settle();
    EXPECT_EQ(U(HERO).dest_unit, FAR_PARTY_MEMBER);
    EXPECT_EQ(U(HERO).move_state, MOVE_WALK);
    RunTo(600);
    EXPECT_EQ(U(HERO).move_state, MOVE_IDLE);
    EXPECT_EQ(Chebyshev(U(HERO), 938, 552), 1);
    EXPECT_EQ(U(FAR_PARTY_MEMBER).cell_x, 938);
}

TEST_F(PlayScenario, PickingUpScrollsKeysAndVials)
{
    Teleport(942, 556);
    ClickCell(943, 556); // a scroll
    EXPECT_EQ(U(HERO).quest, 1);
    EXPECT_EQ(Flag(943, 556), FLAG_NONE);

    Teleport(941, 558);
    ClickCell(940, 560); // two rows from the key at (940, 559): nothing
    EXPECT_EQ(Flag(940, 559), FLAG_KEY);
    ClickCell(940, 559);
    EXPECT_EQ(U(HERO).keys, 1);
    EXPECT_EQ(Flag(940, 559), FLAG_NONE);

    ASSERT_EQ(Flag(957, 511), FLAG_HEALTH_VIAL);
    Teleport(957, 511); // standing on the vial
    ClickCell(957, 511);
    EXPECT_GE(U(HERO).max_hit_points, 9.0f);
    EXPECT_LE(U(HERO).max_hit_points, 11.0f);
    EXPECT_EQ(Flag(957, 511), FLAG_NONE);
}

TEST_F(PlayScenario, GoldNearALivingMonsterStaysUntilTheMonsterFalls)
{
    ASSERT_EQ(Flag(929, 555), FLAG_GOLD);
    Teleport(930, 555); // the beetle at (935, 554) is 6 cells off, a mantis at (928, 547) 10
    ClickCell(929, 555);
    EXPECT_EQ(Flag(929, 555), FLAG_GOLD);
    EXPECT_EQ(U(HERO).gold, 300.0f);
    int32_t guards = 0;
    for (int32_t u = 0; u < MaxUnits; ++u) {
        Unit& m = U(u);
        if (m.faction == FACTION_MONSTER && m.hit_points > 0.0f &&
            std::abs(m.cell_x - 930) + std::abs(m.cell_y - 555) < 12) {
            m.hit_points = 0.0f;
            m.event_frame = static_cast<uint32_t>(FrameCounter);
            ++guards;
        }
    }
    EXPECT_GE(guards, 2);
    ClickCell(929, 555);
    EXPECT_EQ(Flag(929, 555), FLAG_NONE);
    EXPECT_GE(U(HERO).gold, 304.0f);
    EXPECT_LE(U(HERO).gold, 323.0f);
}

TEST_F(PlayScenario, TheHydrasTreasureWaitsForTheHydrasDeath)
{
    ASSERT_EQ(U(HYDRA).bitmap, 904);
    ASSERT_EQ(Flag(813, 542), FLAG_TREASURE);
    Sturdy(HERO);
    Teleport(813, 542);
    ClickCell(813, 542);
    EXPECT_EQ(Flag(813, 542), FLAG_TREASURE);
    U(HYDRA).hit_points = 0.0f;
    U(HYDRA).event_frame = static_cast<uint32_t>(FrameCounter);
    ClickCell(813, 542);
    EXPECT_EQ(Flag(813, 542), FLAG_NONE);
    EXPECT_GE(U(HERO).gold, 340.0f);
    EXPECT_LE(U(HERO).gold, 459.0f);
    EXPECT_LE(U(HERO).keys, 2);
    EXPECT_LE(U(HERO).quest, 1);
}

TEST_F(PlayScenario, KeysAndGoldAtTheirLimits)
{
    Sturdy(HERO);
    Next(HEADLESS_KEY, 40); // scroll down a row: the door of lock level 1 at (943, 548) comes into view
    Settle();
    ASSERT_EQ(Cell(943, 548), CELL_DOOR);
    ASSERT_EQ(Flag(943, 548), 1);
    KeyOnCell(75, 943, 548); // K without a key
    EXPECT_EQ(Cell(943, 548), CELL_DOOR);
    U(HERO).keys = 1;
    KeyOnCell(75, 943, 548);
    EXPECT_EQ(Cell(943, 548), CELL_FLOOR);
    EXPECT_EQ(U(HERO).keys, 1);

    ASSERT_EQ(Cell(943, 549), CELL_WALL);
    U(HERO).gold = 99.0f;
    KeyOnCell(68, 943, 549); // D one coin short
    EXPECT_EQ(Cell(943, 549), CELL_WALL);
    U(HERO).gold = 100.0f;
    KeyOnCell(68, 943, 549);
    EXPECT_EQ(Cell(943, 549), CELL_FLOOR);
    EXPECT_EQ(U(HERO).gold, 0.0f);
}

TEST_F(PlayScenario, FireComesEvery401FramesAndCostsTwentyTo139)
{
    Sturdy(HERO);
    U(HERO).quest = 27;
    U(HERO).gold = 1000.0f;
    // S held down on every frame, aimed at a wall where no unit can stand and burn.
    for (int32_t f = 1; f <= 1300; ++f) {
        At(f, HEADLESS_CELL, 943, 549);
        At(f, HEADLESS_KEY, 83);
    }
    std::vector<int32_t> casts;
    float gold = U(HERO).gold;
    while (FrameCounter < 1300) {
        int32_t frame = FrameCounter;
        Step();
        if (U(HERO).gold != gold) {
            casts.push_back(frame);
            float cost = gold - U(HERO).gold;
            EXPECT_GE(cost, 20.0f);
            EXPECT_LE(cost, 139.0f);
            gold = U(HERO).gold;
            // eleven fire rings and one damage record, which finds no unit on the wall
            int32_t fire = 0, damage = 0;
            for (int32_t i = 0; i < MaxEffects; ++i) {
                const Effect& e = EffectTable[i];
                if (e.active == 1 && e.start_frame == frame) {
                    fire += e.kind == EFFECT_FIRE;
                    damage += e.kind == EFFECT_DAMAGE && e.target == 0 && e.source == HERO;
                }
            }
            EXPECT_EQ(fire, 11);
            EXPECT_EQ(damage, 1);
        }
    }
    EXPECT_EQ(casts, (std::vector<int32_t>{401, 802, 1203}));
    size_t fire_sounds = 0;
    for (const HeadlessSound& s : HeadlessSounds())
        fire_sounds += s.path == SOUND_FIRE;
    EXPECT_EQ(fire_sounds, 3u);
}

TEST_F(PlayScenario, AMonsterChasesTheNearestPartyMemberAndStrikesOnTheCommonBeat)
{
    Sturdy(HERO);
    ViewX = 932;
    ViewY = 544;
    Next(HEADLESS_CELL, 938, 552);
    Next(HEADLESS_RCLICK);
    std::vector<int32_t> blows;
    float hp = U(HERO).hit_points;
    size_t swishes = 0;
    while (FrameCounter < 1700) {
        int32_t frame = FrameCounter;
        Step();
        if (U(HERO).hit_points < hp) {
            blows.push_back(frame);
            hp = U(HERO).hit_points;
            size_t now = 0;
            for (const HeadlessSound& s : HeadlessSounds())
                now += s.path == SOUND_SWISH;
            EXPECT_GT(now, swishes) << "a blow at the current unit swishes";
            swishes = now;
        }
    }
    EXPECT_EQ(U(BEETLE).target_unit, HERO);
    EXPECT_EQ(Chebyshev(U(BEETLE), U(HERO).cell_x, U(HERO).cell_y), 1);
    ASSERT_GE(blows.size(), 3u);
    for (int32_t f : blows)
        EXPECT_EQ(f % 270, 0) << f;
}

TEST_F(PlayScenario, AKillPaysTheKillerAndEndsTheChasesAfterIt)
{
    // The beetle comes over as in the chase; the player then strikes in the windows.
    Sturdy(HERO);
    ViewX = 932;
    ViewY = 544;
    Next(HEADLESS_CELL, 938, 552);
    Next(HEADLESS_RCLICK);
    RunTo(470);
    ASSERT_EQ(Chebyshev(U(BEETLE), 938, 552), 1);
    int32_t bx = U(BEETLE).cell_x, by = U(BEETLE).cell_y;
    for (int32_t f = 471; f < 800; ++f) { // a click on every frame
        At(f, HEADLESS_CELL, bx, by);
        At(f, HEADLESS_LCLICK);
    }
    int32_t strikes = 0;
    while (FrameCounter < 800 && U(BEETLE).hit_points > 0.0f) {
        int32_t frame = FrameCounter;
        float gold = U(HERO).gold;
        float before = U(BEETLE).hit_points;
        Step();
        if (U(BEETLE).hit_points < before) {
            ++strikes;
            EXPECT_LE(frame % 60, 10) << "strikes land only in the window";
        }
        if (U(BEETLE).hit_points <= 0.0f) {
            EXPECT_GE(U(HERO).gold - gold, 13.0f);
            EXPECT_LE(U(HERO).gold - gold, 38.0f);
            EXPECT_EQ(U(BEETLE).event_frame, static_cast<uint32_t>(frame));
        }
    }
    EXPECT_GE(strikes, 3); // 12 hit points at 1 to 4 a strike
    EXPECT_LE(U(BEETLE).hit_points, 0.0f);
    EXPECT_EQ(U(BEETLE).cell_x, bx); // the dead stay where they fell
}

TEST_F(PlayScenario, TheLongDeadComeBackMoreOftenThanTheFreshlyDead)
{
    MonsterCyclePeriod = 3.0f; // a beat every third frame
    ViewX = 0;                 // keep the monsters of the start view from chasing anyone
    ViewY = 0;
    std::vector<int32_t> fresh, old;
    for (int32_t u = 1; u < MaxUnits && old.size() < 800; ++u) {
        if (U(u).faction != FACTION_MONSTER)
            continue;
        U(u).hit_points = 0.0f;
        if (fresh.size() < old.size()) {
            U(u).event_frame = 0; // dies now
            fresh.push_back(u);
        } else {
            U(u).event_frame = static_cast<uint32_t>(-30000); // long ago: 1 in 800 per beat
            old.push_back(u);
        }
    }
    size_t back_old = 0, back_fresh = 0;
    for (int32_t f = 0; f < 300; ++f) {
        bool beat = FrameCounter % 3 == 0;
        size_t before = back_old + back_fresh;
        Step();
        back_old = back_fresh = 0;
        for (int32_t u : old)
            back_old += U(u).hit_points > 0.0f;
        for (int32_t u : fresh)
            back_fresh += U(u).hit_points > 0.0f;
        if (!beat)
            EXPECT_EQ(back_old + back_fresh, before) << "respawns only on beats";
    }
    for (int32_t u : old)
        if (U(u).hit_points > 0.0f)
            ASSERT_EQ(U(u).hit_points, U(u).max_hit_points);
    // 100 beats: about 800 x 100 / 800 = 100 of the long dead against 4 of the fresh.
    EXPECT_GE(back_old, 60u);
    EXPECT_LE(back_old, 140u);
    EXPECT_LE(back_fresh, 15u);
}

TEST_F(PlayScenario, TheCurrentUnitHealsOnEachBeatByItsQuestLevel)
{
    ViewX = 0; // no monster near the view
    ViewY = 0;
    U(HERO).max_hit_points = 10000.0f;
    U(HERO).hit_points = 1.0f;
    U(HERO).quest = 9; // 3 + 0..8 a beat
    float hp = U(HERO).hit_points;
    int32_t heals = 0;
    while (FrameCounter < 300) {
        int32_t frame = FrameCounter;
        Step();
        if (U(HERO).hit_points != hp) {
            EXPECT_EQ(frame % 30, 0);
            EXPECT_GE(U(HERO).hit_points - hp, 3.0f);
            EXPECT_LE(U(HERO).hit_points - hp, 11.0f);
            hp = U(HERO).hit_points;
            ++heals;
        }
    }
    EXPECT_EQ(heals, 10);
    U(HERO).quest = 0;
    RunTo(400);
    EXPECT_EQ(U(HERO).hit_points, hp);
    // another party member does not heal, even when it is hurt
    U(FAR_PARTY_MEMBER).hit_points = 2.0f;
    U(FAR_PARTY_MEMBER).quest = 300;
    RunTo(500);
    EXPECT_EQ(U(FAR_PARTY_MEMBER).hit_points, 2.0f);
}

TEST_F(PlayScenario, FireRingsGrowOnTheScreenFrameByFrame)
{
    Sturdy(HERO);
    U(HERO).quest = 27;
    ViewX = 930;
    ViewY = 540;
    RunTo(450);
    Next(HEADLESS_CELL, 945, 555);
    Next(HEADLESS_KEY, 83);
    Settle();
    ASSERT_EQ(U(HERO).last_spell_frame, 451);
    int32_t mx = (945 - ViewX) * 16 + 8, my = (555 - ViewY) * 16 + 8;
    int32_t checked = 0;
    for (int32_t n = 0; n < 40; ++n) {
        std::vector<Effect> before(EffectTable, EffectTable + MaxEffects);
        Step();
        for (const Effect& e : before) {
            if (e.active != 1 || e.kind != EFFECT_FIRE || e.drift <= 0)
                continue;
            // The ring's first point lies straight below its centre, `drift` pixels away.
            int32_t cx = static_cast<int32_t>(e.pos_x) - ViewX * 16;
            int32_t cy = static_cast<int32_t>(e.pos_y) - ViewY * 16;
            if (std::abs(cx - mx) <= 6 && std::abs(cy - e.drift - my) <= 6)
                continue; // under the white cross of the pointer
            EXPECT_TRUE(RedAt(cx, cy - e.drift)) << "radius " << e.drift;
            ++checked;
        }
    }
    EXPECT_GT(checked, 50); // eleven rings of up to 20 frames each
}

TEST_F(PlayScenario, DamageNumbersRiseAPixelAFrame)
{
    Sturdy(HERO);
    ViewX = 932;
    ViewY = 544;
    Next(HEADLESS_CELL, 938, 552);
    Next(HEADLESS_RCLICK);
    RunTo(470);
    ASSERT_EQ(Chebyshev(U(BEETLE), 938, 552), 1);
    Sturdy(BEETLE); // a strike that does not kill keeps the attack cursor in place
    int32_t bx = U(BEETLE).cell_x, by = U(BEETLE).cell_y;
    for (int32_t f = 471; f <= 545; ++f)
        At(f, HEADLESS_CELL, bx, by);
    At(480, HEADLESS_LCLICK);
    RunTo(480);
    int32_t px = (bx - ViewX) * 16 + 8, py = (by - ViewY) * 16 + 8;
    PixelSet background = Pixels(255, 255, 255, px - 40, py - 40, px + 40, py + 60);
    Step(); // frame 480 strikes; its number is drawn from frame 481 on
    std::vector<PixelSet> numbers;
    for (int32_t n = 0; n < 8; ++n) {
        Step();
        PixelSet now = Pixels(255, 255, 255, px - 40, py - 40, px + 40, py + 60), fresh;
        for (const auto& p : now)
            if (!background.count(p))
                fresh.insert(p);
        numbers.push_back(fresh);
    }
    ASSERT_FALSE(numbers[0].empty());
    for (size_t i = 1; i < numbers.size(); ++i) {
        PixelSet raised;
        for (const auto& [x, y] : numbers[i - 1])
            raised.insert({x, y + 1});
        EXPECT_EQ(numbers[i], raised) << "frame " << i;
    }
}

} // namespace
