// Blows, regeneration, respawn and the short-lived effects they leave.
#pragma once
#include <cstdint>

#include "units/unit.h"

constexpr int32_t EFFECT_DAMAGE = 4;
constexpr int32_t EFFECT_FIRE = 12;

constexpr int32_t EFFECT_LIFE_FRAMES = 100; // end_frame = start_frame + this
constexpr int32_t FIRE_RING_MAX = 20;       // a ring is freed once its radius passes this
constexpr int32_t DAMAGE_RISE_MAX = 16;     // a damage number is freed once its rise passes this
constexpr int32_t ATTACK_CURSOR_BITMAP = 630;

struct Effect {
    uint8_t active;
    int32_t kind;
    int32_t amount;
    int32_t target;
    int32_t source;
    int32_t drift;
    float pos_x;
    float pos_y;
    int32_t start_frame;
    int32_t end_frame;
};

extern Effect* EffectTable;
extern int32_t MaxEffects;

void AllocateEffectTable();
void FreeEffectTable();
// Lowest free record, or -1 when the table is full.
int32_t FindFreeEffect();
// Takes the lowest free record; returns its index, or -1 when the table is full.
// The record's other fields (source among them) keep what the slot held before.
int32_t AddEffect(int32_t kind, int32_t amount, int32_t target, int32_t drift, float pos_x, float pos_y);
void UpdateCombat();
void UpdateEffects();
void DrawRing(double cx, double cy, double radius, uint8_t r, uint8_t g, uint8_t b);

// Truncates toward zero; values beyond the 32-bit range are clamped, NaN gives 0,
// so fields from loaded saves can be turned into whole numbers safely.
int32_t TruncToInt32(double v);
// MonsterCyclePeriod x multiple in whole frames, at least 1 so beats can be taken modulo it.
int32_t CycleFrames(double multiple);
// True for an index that addresses a record of the UnitTable.
inline bool IsUnitIndex(int64_t u) { return u >= 0 && u < MaxUnits; }
// Ends every chase aimed at the unit: the unit that fell is no longer a quarry.
void StopChasesOf(int32_t target);
