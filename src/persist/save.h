// The two save slots: five files each in the folder "map".
#pragma once
#include <cstdint>

void SaveMap(int32_t slot);
void LoadMap(int32_t slot);
