// The game's one random generator: the Microsoft C runtime's rand/srand, so
// that the world of seed 99 and replays come out the same on every platform.
#pragma once
#include <cstdint>

extern uint32_t RandState;

void Srand(uint32_t seed);
// state = state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 32767.
int32_t Rand();
