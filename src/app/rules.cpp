// PLACEHOLDER
#include "app/rules.h"

void RunPlayRules() {}
