// PLACEHOLDER
#include "units/combat.h"

#include <cstdlib>

Effect* EffectTable = nullptr;
int32_t MaxEffects = 1000;

void AllocateEffectTable() { EffectTable = static_cast<Effect*>(std::calloc(static_cast<size_t>(MaxEffects), sizeof(Effect))); }
void FreeEffectTable()
{
    std::free(EffectTable);
    EffectTable = nullptr;
}
int32_t AddEffect(int32_t, int32_t, int32_t, int32_t, float, float) { return -1; }
void UpdateCombat() {}
void UpdateEffects() {}
void DrawRing(double, double, double, uint8_t, uint8_t, uint8_t) {}
