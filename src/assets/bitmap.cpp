// PLACEHOLDER
#include "assets/bitmap.h"

#include <cstdlib>

BitmapSlot* BitmapSlots = nullptr;
const TextureSet TextureSets[6] = {};

void AllocateBitmapSlots() { BitmapSlots = static_cast<BitmapSlot*>(std::calloc(BITMAP_SLOT_COUNT, sizeof(BitmapSlot))); }
void FreeBitmapSlots()
{
    if (!BitmapSlots)
        return;
    for (int32_t i = 0; i < BITMAP_SLOT_COUNT; ++i)
        std::free(BitmapSlots[i].pixels);
    std::free(BitmapSlots);
    BitmapSlots = nullptr;
}
bool LoadBitmapSlot(const char*, uint32_t) { return false; }
void LoadCursorSet() {}
void LoadUnitSet() {}
void LoadLandSet() {}
void LoadDungeonSet() {}
void LoadStructureSet() {}
void LoadItemSet() {}
void LoadTextureSets()
{
    LoadCursorSet();
    LoadUnitSet();
    LoadLandSet();
    LoadDungeonSet();
    LoadStructureSet();
    LoadItemSet();
}
