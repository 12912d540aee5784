#include "app/rules.h"

#include <cstdlib>
#include <vector>

#include "app/input.h"
#include "app/random.h"
#include "app/shell.h"
#include "assets/sound.h"
#include "platform/platform.h"
#include "units/combat.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace
{

constexpr int32_t CHASE_WINDOW = 64;
constexpr int32_t NOTICE_DISTANCE = 7;        // a monster notices party members closer than this
constexpr int32_t VIEW_NOTICE_DISTANCE = 100; // only monsters this near the view origin notice anyone
constexpr int32_t GOLD_GUARD_DISTANCE = 12;
constexpr int32_t TREASURE_GUARD_DISTANCE = 60;
constexpr uint16_t HYDRA_BITMAP = 904;
constexpr int32_t SPELL_QUEST_LEVEL = 27;
constexpr int32_t SPELL_PAUSE_FRAMES = 400;
constexpr int32_t SPELL_FIRE_RECORDS = 11;

// The cell under the pointer, taken once per frame before anything can move the view.
int32_t MouseCellX = 0;
int32_t MouseCellY = 0;

bool InWorld(int32_t x, int32_t y, int32_t layer)
{
    return x >= 0 && y >= 0 && x < WorldSide && y < WorldSide && layer >= 0 && layer < WorldLayers;
}

int32_t Distance(const Unit& a, const Unit& b)
{
    return std::abs(static_cast<int32_t>(a.cell_x) - static_cast<int32_t>(b.cell_x)) +
           std::abs(static_cast<int32_t>(a.cell_y) - static_cast<int32_t>(b.cell_y));
}

// True when the mouse cell is at most one step from the unit in x and in y.
bool MouseCellBeside(const Unit& u)
{
    return std::abs(MouseCellX - static_cast<int32_t>(u.cell_x)) <= 1 &&
           std::abs(MouseCellY - static_cast<int32_t>(u.cell_y)) <= 1;
}

void ViewCurrentUnit()
{
    if (!IsUnitIndex(CurrentUnit))
        return;
    ViewX = UnitTable[CurrentUnit].cell_x;
    ViewY = UnitTable[CurrentUnit].cell_y;
    ViewLayer = UnitTable[CurrentUnit].layer;
}

void SelectPrevious()
{
    int32_t from = CurrentUnit < MaxUnits ? CurrentUnit : MaxUnits - 1;
    for (int32_t u = from; u >= 1; --u) {
        if (UnitTable[u].faction == FACTION_PARTY && u != CurrentUnit) {
            CurrentUnit = u;
            break;
        }
    }
    ViewCurrentUnit();
    PlatformSleep(400);
}

void SelectNext()
{
    int32_t from = CurrentUnit > 0 ? CurrentUnit : 0;
    for (int32_t u = from; u <= MaxUnits - 2; ++u) {
        if (UnitTable[u].faction == FACTION_PARTY && u != CurrentUnit) {
            CurrentUnit = u;
            break;
        }
    }
    ViewCurrentUnit();
    PlatformSleep(400);
}

void SelectClicked()
{
    for (int32_t u = 0; u < MaxUnits; ++u) {
        const Unit& unit = UnitTable[u];
        if (unit.cell_x == MouseCellX && unit.cell_y == MouseCellY && unit.faction == FACTION_PARTY) {
            CurrentUnit = u;
            return;
        }
    }
}

// The living party members of the current tick, in index order. Nothing changes
// a faction or hit points during the tick, so the list stays true while units
// step; their positions are read afresh for every monster.
std::vector<int32_t> TickParty;

void Pursue(int32_t u)
{
    Unit& m = UnitTable[u];
    int32_t best = 0;
    int32_t best_distance = 9999;
    for (int32_t p : TickParty) {
        const Unit& member = UnitTable[p];
        int32_t d = Distance(m, member);
        if (d < best_distance) {
            best_distance = d;
            best = p;
        }
    }
    int32_t from_view =
        std::abs(ViewX - static_cast<int32_t>(m.cell_x)) + std::abs(ViewY - static_cast<int32_t>(m.cell_y));
    if (best == 0 || best_distance >= NOTICE_DISTANCE || from_view >= VIEW_NOTICE_DISTANCE ||
        static_cast<int32_t>(m.layer) != ViewLayer)
        return;
    m.dest_x = UnitTable[best].cell_x;
    m.dest_y = UnitTable[best].cell_y;
    m.move_state = MOVE_CHASE;
    PathFinders[1].RouteIndex[u] = ROUTE_IDLE;
    m.target_unit = static_cast<int16_t>(best);
    m.dest_unit = static_cast<uint16_t>(FindUnitAt(m.dest_x, m.dest_y, m.layer));
}

void Walk(int32_t u)
{
    Unit& unit = UnitTable[u];
    int r = unit.dest_unit != 0 ? StepToUnit(u, unit.dest_x, unit.dest_y, WorldSide)
                                : StepToCell(u, unit.dest_x, unit.dest_y, WorldSide);
    if (r == 1) {
        unit.cell_x = unit.step_x;
        unit.cell_y = unit.step_y;
    } else if (r == 0) {
        unit.move_state = MOVE_IDLE;
        unit.event_frame = static_cast<uint32_t>(FrameCounter);
    }
}

void Chase(int32_t u)
{
    Unit& unit = UnitTable[u];
    int r = ChaseStep(u, unit.dest_x, unit.dest_y, CHASE_WINDOW);
    if (r == 1) {
        unit.cell_x = unit.step_x;
        unit.cell_y = unit.step_y;
    } else if (r == 0) {
        unit.move_state = MOVE_IDLE;
    }
}

void MovementTick()
{
    TickParty.clear();
    for (int32_t p = 0; p < MaxUnits; ++p)
        if (UnitTable[p].faction == FACTION_PARTY && UnitTable[p].hit_points > 0.0f)
            TickParty.push_back(p);
    for (int32_t u = 0; u < MaxUnits; ++u) {
        const Unit& unit = UnitTable[u];
        if (unit.faction == FACTION_MONSTER && unit.hit_points > 0.0f)
            Pursue(u);
        if (unit.in_use == 1 && unit.hit_points >= 1.0f && unit.move_state == MOVE_WALK)
            Walk(u);
        if (unit.move_state == MOVE_CHASE)
            Chase(u);
    }
}

void OrderWalk(int32_t c)
{
    Unit& cu = UnitTable[c];
    cu.dest_x = static_cast<uint16_t>(MouseCellX);
    cu.dest_y = static_cast<uint16_t>(MouseCellY);
    cu.move_state = MOVE_WALK;
    PathFinder& pf = PathFinders[0];
    pf.RouteIndex[c] = ROUTE_IDLE;
    cu.route_order = 1;
    // A running unit that has not got its route yet gives way to the new order.
    int32_t running = pf.RunningUnit;
    if (IsUnitIndex(running) && pf.RouteIndex[running] < 0) {
        pf.RouteIndex[running] = ROUTE_IDLE;
        UnitTable[running].route_order = ROUTE_NO_ORDER;
    }
    cu.dest_unit = static_cast<uint16_t>(FindUnitAt(cu.dest_x, cu.dest_y, cu.layer));
}

bool MonsterNear(const Unit& cu, int32_t limit, bool hydra_only)
{
    for (int32_t u = 0; u < MaxUnits; ++u) {
        const Unit& m = UnitTable[u];
        bool guard = hydra_only ? m.bitmap == HYDRA_BITMAP : m.faction == FACTION_MONSTER;
        if (guard && m.hit_points > 0.0f && Distance(m, cu) < limit)
            return true;
    }
    return false;
}

void PickUp(int32_t c)
{
    Unit& cu = UnitTable[c];
    int32_t layer = cu.layer;
    if (!MouseCellBeside(cu) || !InWorld(MouseCellX, MouseCellY, layer))
        return;
    uint8_t& flag = FlagMap[CellIndex(MouseCellX, MouseCellY, layer)];
    if (flag == FLAG_KEY) {
        cu.keys += 1;
        flag = FLAG_NONE;
    }
    if (flag == FLAG_QUEST) {
        cu.quest += 1;
        flag = FLAG_NONE;
    }
    if (flag == FLAG_HEALTH_VIAL) {
        cu.max_hit_points += Rand() % 3 + 1;
        flag = FLAG_NONE;
    }
    // Gold cannot be gathered under the eyes of a living monster nearby, on any layer.
    if (flag == FLAG_GOLD && !MonsterNear(cu, GOLD_GUARD_DISTANCE, false)) {
        cu.gold += Rand() % 20 + 4.0;
        flag = FLAG_NONE;
    }
    // The lair's treasure stays while its hydra lives anywhere near.
    if (flag == FLAG_TREASURE && !MonsterNear(cu, TREASURE_GUARD_DISTANCE, true)) {
        cu.gold += Rand() % 120 + 40.0;
        cu.keys += Rand() % 3;
        cu.quest += Rand() % 2;
        flag = FLAG_NONE;
    }
}

void OpenDoor(int32_t c)
{
    const Unit& cu = UnitTable[c];
    int32_t layer = cu.layer;
    if (!MouseCellBeside(cu) || !InWorld(MouseCellX, MouseCellY, layer))
        return;
    int32_t i = CellIndex(MouseCellX, MouseCellY, layer);
    // Keys open a door whose lock level they reach; they are not used up.
    if (MainMap[i] == CELL_DOOR && FlagMap[i] <= cu.keys) {
        MainMap[i] = CELL_FLOOR;
        FlagMap[i] = FLAG_NONE;
    }
}

void BreakThrough(int32_t c)
{
    Unit& cu = UnitTable[c];
    int32_t layer = cu.layer;
    if (MouseCellX < 1 || MouseCellX > WorldSide - 2 || MouseCellY < 1 || MouseCellY > WorldSide - 2 ||
        !MouseCellBeside(cu) || layer >= WorldLayers)
        return;
    int32_t i = CellIndex(MouseCellX, MouseCellY, layer);
    if (MainMap[i] == CELL_WALL && cu.gold >= 100.0f) {
        cu.gold -= 100.0f;
        MainMap[i] = CELL_FLOOR;
    }
    if (MainMap[i] == CELL_DOOR && cu.gold >= 50.0f) {
        cu.gold -= 50.0f;
        MainMap[i] = CELL_FLOOR;
    }
}

void CastFire(int32_t c)
{
    Unit& cu = UnitTable[c];
    if (cu.quest < SPELL_QUEST_LEVEL ||
        static_cast<int64_t>(cu.last_spell_frame) >= static_cast<int64_t>(FrameCounter) - SPELL_PAUSE_FRAMES)
        return;
    cu.last_spell_frame = FrameCounter;
    int32_t cost = Rand() % 120 + 20;
    if (cu.gold < cost)
        return;
    cu.gold -= cost;
    float mouse_x = static_cast<float>(GetMouseX() + ViewX * 16);
    float mouse_y = static_cast<float>(GetMouseY() + ViewY * 16);
    // Random values are drawn only for records that find a free slot.
    for (int32_t n = 0; n < SPELL_FIRE_RECORDS && FindFreeEffect() >= 0; ++n) {
        int32_t drift = Rand() % 50 - 25;
        float x = mouse_x + static_cast<float>(Rand() % 100 - 50);
        float y = mouse_y + static_cast<float>(Rand() % 100 - 50);
        AddEffect(EFFECT_FIRE, 0, 0, drift, x, y);
    }
    if (FindFreeEffect() >= 0) {
        int32_t target = 0;
        if (MouseCellX >= 0 && MouseCellY >= 0)
            target = FindUnitAt(static_cast<uint32_t>(MouseCellX), static_cast<uint32_t>(MouseCellY), cu.layer);
        int32_t drift = Rand() % 30 - 20;
        float x = mouse_x + static_cast<float>(Rand() % 10 - 5);
        float y = mouse_y + static_cast<float>(Rand() % 10 - 5);
        int32_t slot = AddEffect(EFFECT_DAMAGE, TruncToInt32(cu.attack), target, drift, x, y);
        EffectTable[slot].source = c;
    }
    PlaySoundEffect(SOUND_FIRE);
}

} // namespace

void RunPlayRules()
{
    if (!UnitTable)
        return;
    MouseCellX = GetMouseX() / 16 + ViewX;
    MouseCellY = GetMouseY() / 16 + ViewY;

    if (!ConsoleOpen && IsKeyDown(KEY_LEFT_BRACKET))
        SelectPrevious();
    if (!ConsoleOpen && IsKeyDown(KEY_RIGHT_BRACKET))
        SelectNext();
    if (LeftClick == 1)
        SelectClicked();

    if (FrameCounter % CycleFrames(1.0) == 0)
        MovementTick();

    UpdateCombat();

    int32_t c = CurrentUnit;
    if (!IsUnitIndex(c))
        return;
    if (RightClick == 1 && UnitTable[c].hit_points > 0.0f)
        OrderWalk(c);
    if (LeftClick == 1)
        PickUp(c);
    if (ConsoleOpen)
        return;
    if (IsKeyDown(KEY_K))
        OpenDoor(c);
    if (IsKeyDown(KEY_D))
        BreakThrough(c);
    if (IsKeyDown(KEY_S))
        CastFire(c);
}
