#pragma once
// Builds the start world into the zero-filled grids from seed 99; leaves the
// random generator advanced for SeedUnits.
void BuildStartWorld();
