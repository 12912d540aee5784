// Seeding the unit table and the per-frame play rules.
#pragma once

void SeedUnits();
// Frame step 7: selection, the movement tick, combat, the walk order,
// pick-ups and the K, D and S actions.
void RunPlayRules();
