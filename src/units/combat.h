// Blows, regeneration, respawn and the short-lived effects they leave.
#pragma once
#include <cstdint>

constexpr int32_t EFFECT_DAMAGE = 4;
constexpr int32_t EFFECT_FIRE = 12;

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
// Takes the lowest free record; returns its index, or -1 when the table is full.
// The record's other fields (source among them) keep what the slot held before.
int32_t AddEffect(int32_t kind, int32_t amount, int32_t target, int32_t drift, float pos_x, float pos_y);
void UpdateCombat();
void UpdateEffects();
void DrawRing(double cx, double cy, double radius, uint8_t r, uint8_t g, uint8_t b);
