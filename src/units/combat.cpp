#include "units/combat.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "app/input.h"
#include "app/random.h"
#include "app/shell.h"
#include "assets/sound.h"
#include "gfx/draw.h"
#include "gfx/font.h"
#include "gfx/trig.h"
#include "units/unit.h"
#include "world/mapview.h"
#include "world/pathfind.h"

Effect* EffectTable = nullptr;
int32_t MaxEffects = 1000;

void AllocateEffectTable()
{
    EffectTable = static_cast<Effect*>(std::calloc(static_cast<size_t>(MaxEffects), sizeof(Effect)));
}

void FreeEffectTable()
{
    std::free(EffectTable);
    EffectTable = nullptr;
}

int32_t TruncToInt32(double v)
{
    if (!(v == v))
        return 0;
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int32_t>(v);
}

int32_t CycleFrames(double multiple)
{
    int32_t frames = TruncToInt32(static_cast<double>(MonsterCyclePeriod) * multiple);
    return frames < 1 ? 1 : frames;
}

int32_t FindFreeEffect()
{
    if (!EffectTable)
        return -1;
    for (int32_t i = 0; i < MaxEffects; ++i)
        if (EffectTable[i].active == 0)
            return i;
    return -1;
}

int32_t AddEffect(int32_t kind, int32_t amount, int32_t target, int32_t drift, float pos_x, float pos_y)
{
    int32_t i = FindFreeEffect();
    if (i < 0)
        return -1;
    Effect& e = EffectTable[i];
    e.active = 1;
    e.start_frame = FrameCounter;
    e.end_frame = FrameCounter + EFFECT_LIFE_FRAMES;
    e.kind = kind;
    e.amount = amount;
    e.target = target;
    e.drift = drift;
    e.pos_x = pos_x;
    e.pos_y = pos_y;
    return i;
}

void StopChasesOf(int32_t target)
{
    for (int32_t u = 0; u < MaxUnits; ++u)
        if (UnitTable[u].target_unit == target)
            UnitTable[u].move_state = MOVE_IDLE;
}

// Healing per beat grows with the quest level; the random part is rand() % q.
static int32_t RegenerationStep(int32_t q)
{
    if (q <= 2)
        return 1;
    if (q <= 8)
        return 2;
    if (q <= 26)
        return 3;
    if (q <= 55)
        return 4;
    if (q <= 103)
        return 5;
    if (q <= 182)
        return 6;
    if (q <= 299)
        return 9;
    return 14;
}

static void Regenerate(Unit& c, bool beat)
{
    if (!(c.hit_points > 0.0f) || !beat)
        return;
    int32_t q = c.quest;
    if (q >= 1)
        c.hit_points += static_cast<float>(Rand() % q) + static_cast<float>(RegenerationStep(q));
    if (c.hit_points > c.max_hit_points)
        c.hit_points = c.max_hit_points;
}

// Gold for a kill: R/3 to R - 1 for a reward R of 3 or more. Below 3 there is not a
// third of a coin to pay, so the kill pays nothing, just as killing a party member
// (reward 0) does; no random number is drawn for an empty range.
static float KillReward(int32_t reward)
{
    int32_t third = reward / 3;
    int32_t span = third * 2;
    if (span < 1)
        return 0.0f;
    return static_cast<float>(Rand() % span + third);
}

static void PlayerStrike(int32_t c)
{
    Unit& cu = UnitTable[c];
    int32_t mouse_x = GetMouseX();
    int32_t mouse_y = GetMouseY();
    int32_t mx = mouse_x / 16 + ViewX;
    int32_t my = mouse_y / 16 + ViewY;
    if (mx < 0 || my < 0 || ViewLayer < 0)
        return;
    int32_t t = FindUnitAt(static_cast<uint32_t>(mx), static_cast<uint32_t>(my), static_cast<uint32_t>(ViewLayer));
    int32_t dx = std::abs(mx - static_cast<int32_t>(cu.cell_x));
    int32_t dy = std::abs(my - static_cast<int32_t>(cu.cell_y));
    if (t == 0 || dx >= 2 || dy >= 2 || (dx == 0 && dy == 0))
        return;
    Unit& tu = UnitTable[t];
    if (tu.faction != FACTION_MONSTER || !(tu.hit_points > 0.0f))
        return;

    DrawBitmapKeyed(mouse_x - 8, mouse_y - 8, ATTACK_CURSOR_BITMAP);
    ShowCursorCross = 0;

    if (LeftClick != 1)
        return;
    // The swing only lands in the first sixth of every two periods.
    int32_t w = CycleFrames(2.0);
    if (FrameCounter % w > w / 6 || !(cu.hit_points > 0.0f))
        return;
    PlaySoundEffect(SOUND_SWISH);
    int32_t damage = Rand() % 4 + 1;
    tu.hit_points -= static_cast<float>(damage);
    int32_t drift = Rand() % 30 - 20;
    float px = static_cast<float>(mouse_x + ViewX * 16 + (Rand() % 10 - 5));
    float py = static_cast<float>(mouse_y + ViewY * 16 + (Rand() % 10 - 5));
    AddEffect(EFFECT_DAMAGE, damage, 0, drift, px, py);
    if (tu.hit_points <= 0.0f) {
        cu.gold += KillReward(tu.gold_reward);
        tu.event_frame = static_cast<uint32_t>(FrameCounter);
        StopChasesOf(t);
    }
}

// Dead units come back with a chance that rises from 1 in 22,240 right after death
// to 1 in 800 later on.
static void Respawn(Unit& u)
{
    int32_t w = static_cast<int32_t>(u.event_frame - static_cast<uint32_t>(FrameCounter) + 22240u);
    if (w < 800)
        w = 800;
    if (Rand() % w == 0)
        u.hit_points = u.max_hit_points;
}

// A monster's blow takes 1 to attack points. An attack below 1 leaves no range to
// draw from; the blow then still lands for the 1 point every blow is worth at least.
static int32_t BlowDamage(float attack)
{
    int32_t a = TruncToInt32(attack);
    if (a < 1)
        return 1;
    return Rand() % a + 1;
}

static void MonsterBlow(int32_t u, bool blow_beat)
{
    Unit& mu = UnitTable[u];
    int32_t v = mu.target_unit;
    if (u == 0 || u == CurrentUnit || v == 0 || !IsUnitIndex(v))
        return;
    Unit& vu = UnitTable[v];
    if (std::abs(static_cast<int32_t>(mu.cell_x) - static_cast<int32_t>(vu.cell_x)) >= 2 ||
        std::abs(static_cast<int32_t>(mu.cell_y) - static_cast<int32_t>(vu.cell_y)) >= 2)
        return;
    if (!(mu.hit_points > 0.0f) || !(vu.hit_points > 0.0f) || !blow_beat)
        return;
    if (v == CurrentUnit)
        PlaySoundEffect(SOUND_SWISH);
    int32_t damage = BlowDamage(mu.attack);
    vu.hit_points -= static_cast<float>(damage);
    int32_t drift = Rand() % 4 + 6;
    float px = static_cast<float>(vu.cell_x * 16 + 8 + (Rand() % 10 - 5));
    float py = static_cast<float>(vu.cell_y * 16 + 8 + (Rand() % 10 - 5));
    AddEffect(EFFECT_DAMAGE, damage, 0, drift, px, py);
    if (vu.hit_points <= 0.0f) {
        vu.event_frame = static_cast<uint32_t>(FrameCounter);
        PathFinders[0].RouteIndex[v] = ROUTE_IDLE;
        vu.route_order = ROUTE_NO_ORDER;
        StopChasesOf(v);
    }
}

void UpdateCombat()
{
    if (!UnitTable)
        return;
    bool beat = FrameCounter % CycleFrames(1.0) == 0;
    int32_t c = CurrentUnit;
    if (IsUnitIndex(c)) {
        Regenerate(UnitTable[c], beat);
        PlayerStrike(c);
    }
    // Monsters strike on a slow beat shared by all of them.
    bool blow_beat = FrameCounter % CycleFrames(9.0) == 0;
    for (int32_t u = 0; u < MaxUnits; ++u) {
        Unit& unit = UnitTable[u];
        if (unit.hit_points <= 0.0f && beat)
            Respawn(unit);
        if (unit.move_state != MOVE_IDLE && unit.move_state != MOVE_CHASE)
            continue;
        if (unit.faction == FACTION_MONSTER)
            MonsterBlow(u, blow_beat);
    }
}

static void UpdateFireRing(Effect& e)
{
    if (e.drift > 0)
        DrawRing(e.pos_x - static_cast<float>(ViewX * 16), e.pos_y - static_cast<float>(ViewY * 16), e.drift, 255, 0,
                 0);
    e.drift += 1;
    if (e.drift > FIRE_RING_MAX)
        e.active = 0;
    if (e.end_frame < FrameCounter)
        e.active = 0;
}

static void UpdateDamage(Effect& e)
{
    std::snprintf(TextBuffer, sizeof TextBuffer, "%d", e.amount);
    DrawText(TruncToInt32(e.pos_x - static_cast<float>(ViewX * 16)),
             TruncToInt32(e.pos_y - static_cast<float>(ViewY * 16) + static_cast<float>(e.drift)), 255, 255, 255);
    // A record with a target burns it every frame it lives: the fire spell's damage.
    if (e.target != 0 && IsUnitIndex(e.target)) {
        Unit& t = UnitTable[e.target];
        if (t.hit_points > 0.0f) {
            t.hit_points -= static_cast<float>(e.amount);
            if (t.hit_points <= 0.0f) {
                if (IsUnitIndex(e.source))
                    UnitTable[e.source].gold += static_cast<float>(Rand() % 10 + 1);
                t.event_frame = static_cast<uint32_t>(FrameCounter);
                StopChasesOf(e.target);
            }
        }
    }
    e.drift += 1;
    if (e.drift > DAMAGE_RISE_MAX)
        e.active = 0;
    if (e.end_frame < FrameCounter)
        e.active = 0;
}

void UpdateEffects()
{
    if (!EffectTable)
        return;
    for (int32_t i = 0; i < MaxEffects; ++i)
        if (EffectTable[i].active == 1 && EffectTable[i].kind == EFFECT_FIRE)
            UpdateFireRing(EffectTable[i]);
    for (int32_t i = 0; i < MaxEffects; ++i)
        if (EffectTable[i].active == 1 && EffectTable[i].kind == EFFECT_DAMAGE)
            UpdateDamage(EffectTable[i]);
}

void DrawRing(double cx, double cy, double radius, uint8_t r, uint8_t g, uint8_t b)
{
    // Negative or undefined radii have no ring; the angle step would never reach a full turn.
    if (!(radius >= 0.0))
        return;
    constexpr double DEGREE = 0.017453292516666667;
    double step = (1.0 / radius) * 50.0;
    int32_t x0 = TruncToInt32(cx);
    int32_t y0 = TruncToInt32(cy);
    for (double a = 0.0; a < 360.0; a += step) {
        double sine = 0.0;
        double cosine = 0.0;
        SineCosine(a * DEGREE, sine, cosine);
        int64_t x = static_cast<int64_t>(TruncToInt32(sine * radius)) + x0;
        int64_t y = static_cast<int64_t>(TruncToInt32(-radius * cosine)) + y0;
        if (x >= INT32_MIN && x <= INT32_MAX && y >= INT32_MIN && y <= INT32_MAX)
            PutPixel(static_cast<int32_t>(x), static_cast<int32_t>(y), r, g, b);
        if (a + step == a) // a radius so large that the step vanishes: one point is all there is
            break;
    }
}
