// PLACEHOLDER
#include "world/worldgen.h"

void BuildStartWorld() {}
