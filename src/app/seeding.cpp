// PLACEHOLDER
#include "app/rules.h"

void SeedUnits() {}
