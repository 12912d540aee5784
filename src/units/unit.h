// The unit record and the one table that holds every creature.
#pragma once
#include <cstdint>

struct Unit {
    uint8_t spare_byte;
    uint8_t in_use;
    uint32_t spare_word;
    uint16_t cell_x;
    uint16_t cell_y;
    uint16_t layer;
    uint16_t dest_x;
    uint16_t dest_y;
    uint16_t step_x;
    uint16_t step_y;
    int16_t target_unit;
    uint16_t move_state; // 0 idle, 1 walking, 2 chasing
    uint16_t spare_half;
    uint16_t bitmap;
    uint16_t faction; // 1 party, 3 monster
    float gold;
    float max_hit_points;
    float hit_points;
    uint8_t hidden;
    int16_t keys;
    int16_t quest;
    float attack;
    float second_stat;
    uint8_t champion;
    int32_t gold_reward;
    uint16_t spare_half2;
    uint32_t spare_word2;
    int32_t last_spell_frame;
    int32_t route_order;
    uint16_t dest_unit;
    uint32_t event_frame;
    uint32_t spare_word3;
};

constexpr uint16_t FACTION_PARTY = 1;
constexpr uint16_t FACTION_MONSTER = 3;
constexpr uint16_t MOVE_IDLE = 0;
constexpr uint16_t MOVE_WALK = 1;
constexpr uint16_t MOVE_CHASE = 2;

extern Unit* UnitTable;
extern int32_t MaxUnits;
extern int32_t CurrentUnit;

void AllocateUnitTable(); // MaxUnits zeroed records
void FreeUnitTable();
// Lowest index standing on the cell, whatever its state; 0 when none.
int32_t FindUnitAt(uint32_t x, uint32_t y, uint32_t layer);
