// Bitmap slots, the 24-bit bitmap reader and the six fixed texture sets.
#pragma once
#include <cstdint>

constexpr int32_t BITMAP_SLOT_COUNT = 3100;

struct BitmapSlot {
    uint8_t* pixels; // width * height * 3 bytes, RGB, bottom row first
    uint32_t width;
    uint32_t height;
    uint32_t bytes_per_pixel;
};

extern BitmapSlot* BitmapSlots;

void AllocateBitmapSlots();
void FreeBitmapSlots(); // frees every slot's pixels, then the table
bool LoadBitmapSlot(const char* path, uint32_t id);

void LoadCursorSet();
void LoadUnitSet();
void LoadLandSet();
void LoadDungeonSet();
void LoadStructureSet();
void LoadItemSet();
// All six, in the start-up order: cursor, units, land, dungeon, structures, items.
void LoadTextureSets();

struct TextureEntry {
    uint32_t id;
    const char* name;
};
struct TextureSet {
    const char* folder;
    const TextureEntry* entries;
    int32_t count;
};
// The six sets in loading order, for tools and tests.
extern const TextureSet TextureSets[6];
