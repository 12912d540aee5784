// PLACEHOLDER: sound playback
#include "platform/platform.h"

void PlatformPlaySound(const char*) {}
