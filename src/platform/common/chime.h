// The stand-in for a missing sound: two short bell tones, 0.3 s in all.
#pragma once
#include <cstdint>
#include <vector>

constexpr int32_t CHIME_RATE = 22050;

// Its samples at CHIME_RATE, peaking a little above 1; each backend scales them to its format.
std::vector<double> ChimeWave();
