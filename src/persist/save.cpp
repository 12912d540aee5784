// PLACEHOLDER
#include "persist/save.h"

void SaveMap(int32_t) {}
void LoadMap(int32_t) {}
