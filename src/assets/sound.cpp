#include "assets/sound.h"

#include "platform/platform.h"

void PlaySoundEffect(const char* path) { PlatformPlaySound(path); }
