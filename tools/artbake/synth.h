// Our three sound effects, synthesised: 16-bit PCM mono at 22,050 Hz.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t SYNTH_RATE = 22050;

std::vector<int16_t> SynthScream();
std::vector<int16_t> SynthFire();
std::vector<int16_t> SynthSwish();

// A plain 44-byte RIFF/WAVE header followed by the samples. True on success.
bool WriteWave(const std::string& path, const std::vector<int16_t>& samples);
