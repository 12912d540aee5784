#include "app/random.h"

uint32_t RandState = 1;

void Srand(uint32_t seed) { RandState = seed; }

int32_t Rand()
{
    RandState = RandState * 214013u + 2531011u;
    return static_cast<int32_t>((RandState >> 16) & 32767u);
}
