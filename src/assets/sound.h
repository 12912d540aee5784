// The three sound effects, handed to the platform's asynchronous player.
#pragma once

constexpr const char* SOUND_SCREAM = ".\\sound\\scream1b.wav";
constexpr const char* SOUND_FIRE = ".\\sound\\fire2a.wav";
constexpr const char* SOUND_SWISH = ".\\sound\\swish2a.wav";

void PlaySoundEffect(const char* path);
