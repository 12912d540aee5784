#include "assets/bitmap.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/byte_order.h"
#include "platform/platform.h"

BitmapSlot* BitmapSlots = nullptr;

namespace
{
constexpr TextureEntry CURSOR_ENTRIES[] = {{1104, "cross4"}};

constexpr TextureEntry UNIT_ENTRIES[] = {
    {801, "unit_giant_rat"},
    {802, "unit_green_slime"},
    {803, "unit_dog"},
    {805, "unit_serpent"},
    {806, "unit_fungus"},
    {810, "unit_goblin"},
    {811, "unit_nabos"},
    {812, "unit_orc_b"},
    {820, "unit_beatle"},
    {821, "unit_gor_dog"},
    {822, "unit_giant_spider"},
    {823, "unit_serpent_fire"},
    {824, "unit_beatle_fire"},
    {829, "unit_drius"},
    {830, "unit_rust_monster"},
    {831, "unit_giant_worm"},
    {832, "unit_gelatinous_cube"},
    {840, "unit_polar_geer"},
    {841, "unit_squeletton"},
    {842, "unit_squeletton_zombi_wounded"},
    {843, "unit_squeletton_zombi"},
    {849, "unit_mage"},
    {852, "unit_squeletton_sturdy"},
    {853, "unit_dwarf"},
    {854, "unit_squeletton_monster"},
    {861, "unit_squeletton_brave"},
    {863, "unit_squeletton_floating"},
    {870, "unit_minotor"},
    {871, "unit_floating_eye"},
    {872, "unit_squeletton_fire"},
    {874, "unit_mage_eye"},
    {875, "unit_squeletton_ogre"},
    {876, "unit_ogre"},
    {878, "unit_squeletton_armored"},
    {881, "unit_medusa"},
    {882, "unit_squeletton_warrior"},
    {883, "unit_mantis"},
    {890, "unit_squeletton_evil"},
    {901, "unit_druid"},
    {902, "unit_lich"},
    {903, "unit_dragon"},
    {904, "unit_dragon_hydra"},
    {906, "unit_dragon_basilic"},
    {960, "unit_fire"},
    {961, "unit_fire_fire"},
    {962, "unit_fire_fire_fire"},
    {963, "unit_water"},
    {964, "unit_water_water"},
    {965, "unit_water_water_water"},
    {966, "unit_earth"},
    {967, "unit_earth_earth"},
    {968, "unit_earth_earth_earth"},
    {969, "unit_air"},
    {970, "unit_air_air"},
    {971, "unit_air_air_air"},
    {980, "unit_fighter"},
    {981, "unit_mage"},
    {982, "unit_cleric"},
    {983, "unit_bandit"},
};

constexpr TextureEntry LAND_ENTRIES[] = {
    {10, "plain"},
    {11, "forest"},
    {12, "forest_fruit"},
    {13, "forest_gray"},
    {14, "water"},
    {15, "water_deep"},
    {16, "swamp_a"},
    {17, "desert_a"},
    {18, "hills_a"},
    {19, "mountain"},
    {20, "mountain_high_a"},
    {21, "forest_leaf"},
    {22, "road_b"},
    {23, "forest_b"},
    {24, "forest_c"},
    {180, "village_b"},
    {181, "village_b_yellow"},
    {182, "village_b_blue"},
    {183, "village_b_green"},
    {184, "village_b_red"},
    {188, "ruin_a"},
    {189, "castle_a"},
    {190, "grottus"},
    {191, "mine"},
    {192, "iron_mine"},
    {193, "forest_leaf"},
    {194, "well"},
    {196, "dungeon_a"},
    {197, "lighttower_a"},
    {198, "rift_a"},
};

constexpr TextureEntry DUNGEON_ENTRIES[] = {
    {111, "wall"},
    {118, "floor_marble"},
    {119, "floor"},
    {120, "chest"},
    {121, "chest_open"},
    {122, "candelabrum"},
    {123, "candelabrum_extinct"},
    {124, "coffin"},
    {125, "coffin_open"},
    {126, "floor_bones"},
    {127, "floor_bones_cleaned"},
    {128, "door"},
    {129, "door_opened"},
    {130, "source"},
    {131, "source_complete"},
    {132, "spawn"},
    {133, "spawn_complete"},
    {134, "fountain"},
    {135, "fountain_drank"},
    {136, "stairsd"},
    {137, "stairsu"},
    {140, "circle"},
    {141, "circle_golden"},
    {142, "circle_aflamed"},
    {144, "altar"},
    {145, "altar_jeweled"},
    {146, "altar_dark"},
    {148, "trap"},
    {149, "trap_disabled"},
    {152, "torch"},
    {153, "torch_extinct"},
    {155, "geer_mecanism"},
    {156, "lever"},
    {160, "source"},
    {161, "source_red"},
    {162, "source_green"},
    {163, "source_blue"},
    {164, "source_yellow"},
    {165, "source_brown"},
    {167, "scrolls"},
};

constexpr TextureEntry STRUCTURE_ENTRIES[] = {
    {390, "hart"},
    {400, "structure_farm"},
    {401, "structure_merchant"},
    {402, "structure_quary"},
    {403, "structure_stable"},
    {404, "structure_tower"},
    {405, "structure_barrack"},
    {406, "structure_blacksmith"},
    {407, "structure_castle"},
    {408, "structure_church"},
};

constexpr TextureEntry ITEM_ENTRIES[] = {
    {0, "blank"},
    {600, "item_knife"},
    {601, "item_dagger"},
    {602, "item_short_sword"},
    {603, "item_gauche"},
    {604, "item_long_sword"},
    {605, "item_bastard_sword"},
    {606, "item_kopesh"},
    {607, "item_blade"},
    {608, "item_blade_ameliorated"},
    {609, "item_behead"},
    {610, "item_broad_sword"},
    {611, "item_horner"},
    {612, "item_glaive"},
    {613, "item_saber"},
    {614, "item_saber_ameliorated"},
    {615, "item_whale_blade"},
    {616, "item_whale_blade_ameliorated"},
    {617, "item_two_handed_sword"},
    {618, "item_two_bladed_sword"},
    {619, "item_two_bladed_sword_ameliorated"},
    {3000, "item_bag"},
    {3001, "item_blue_bag"},
    {630, "item_maul"},
    {631, "item_morningstar"},
    {632, "item_mace"},
    {633, "item_war_mace"},
    {640, "item_staff"},
    {641, "item_rod"},
    {642, "item_wand"},
    {650, "item_hand_axe"},
    {651, "item_axe"},
    {652, "item_battle_axe"},
    {653, "item_iron_battle_axe"},
    {654, "item_iron_ordered_battle_axe"},
    {655, "item_iron_rubioux_battle_axe"},
    {680, "item_potion_red"},
    {681, "item_potion_green"},
    {682, "item_potion_blue"},
    {683, "item_potion_yellow"},
    {684, "item_potion_white"},
    {730, "item_blue_robe"},
    {731, "item_red_robe"},
    {732, "item_gray_robe"},
    {740, "item_leather_armor"},
    {741, "item_studded_leather_armor"},
    {742, "item_chain_mail"},
    {743, "item_scale_armor_b"},
    {744, "item_plate_armor"},
    {745, "item_full_plate_armor"},
    {746, "item_magic_armor"},
    {780, "socket"},
    {785, "alleviated_corner1"},
    {786, "alleviated_corner2"},
    {787, "alleviated_corner3"},
    {788, "alleviated_corner4"},
    {1400, "item_key"},
    {1402, "item_gold"},
    {1404, "item_treasure"},
    {1408, "item_fiol_hp"},
};

template <size_t N> constexpr int32_t Count(const TextureEntry (&)[N]) { return static_cast<int32_t>(N); }

// Bytes left after the current position; 0 when the size cannot be told.
uint64_t BytesRemaining(std::FILE* f)
{
    long here = std::ftell(f);
    if (here < 0 || std::fseek(f, 0, SEEK_END) != 0)
        return 0;
    long end = std::ftell(f);
    if (std::fseek(f, here, SEEK_SET) != 0 || end < here)
        return 0;
    return static_cast<uint64_t>(end - here);
}

void LoadSet(const TextureSet& set)
{
    for (int32_t i = 0; i < set.count; ++i) {
        std::string path = std::string(".\\") + set.folder + "\\" + set.entries[i].name + ".bmp";
        LoadBitmapSlot(path.c_str(), set.entries[i].id);
    }
}
} // namespace

const TextureSet TextureSets[6] = {
    {"bmp_cross", CURSOR_ENTRIES, Count(CURSOR_ENTRIES)},
    {"bmp_unit", UNIT_ENTRIES, Count(UNIT_ENTRIES)},
    {"bmp_land", LAND_ENTRIES, Count(LAND_ENTRIES)},
    {"bmp_dungeon", DUNGEON_ENTRIES, Count(DUNGEON_ENTRIES)},
    {"bmp_structure", STRUCTURE_ENTRIES, Count(STRUCTURE_ENTRIES)},
    {"bmp_item", ITEM_ENTRIES, Count(ITEM_ENTRIES)},
};

void AllocateBitmapSlots()
{
    BitmapSlots = static_cast<BitmapSlot*>(std::calloc(BITMAP_SLOT_COUNT, sizeof(BitmapSlot)));
}

void FreeBitmapSlots()
{
    if (!BitmapSlots)
        return;
    for (int32_t i = 0; i < BITMAP_SLOT_COUNT; ++i)
        std::free(BitmapSlots[i].pixels);
    std::free(BitmapSlots);
    BitmapSlots = nullptr;
}

bool LoadBitmapSlot(const char* path, uint32_t id)
{
    if (!BitmapSlots || id >= static_cast<uint32_t>(BITMAP_SLOT_COUNT))
        return false;
    std::FILE* f = OpenFileAlways(path, false);
    if (!f)
        return false;
    uint8_t header[54];
    size_t got = std::fread(header, 1, sizeof header, f);
    if (got != sizeof header || header[0] != 'B' || header[1] != 'M' || header[28] != 24) {
        std::fclose(f);
        return false;
    }
    BitmapSlot& slot = BitmapSlots[id];
    slot.width = GetLittle<uint32_t>(header + 18);
    slot.height = GetLittle<uint32_t>(header + 22);
    slot.bytes_per_pixel = 3;
    std::free(slot.pixels);
    slot.pixels = nullptr;

    // A header may claim far more than the file holds: never allocate beyond what
    // the file can still deliver. Compared as pixels against bytes / 3 so that the
    // product cannot overflow even for two 32-bit maxima.
    uint64_t pixel_count = static_cast<uint64_t>(slot.width) * slot.height;
    uint64_t available = BytesRemaining(f);
    if (pixel_count > available / 3 || pixel_count * 3 > SIZE_MAX) {
        std::fclose(f);
        return false;
    }
    size_t size = static_cast<size_t>(pixel_count * 3);
    uint8_t* block = static_cast<uint8_t*>(std::malloc(size > 0 ? size : 1));
    if (!block) {
        std::fclose(f);
        return false;
    }
    size_t read = std::fread(block, 1, size, f);
    std::fclose(f);
    if (read != size) {
        std::free(block);
        return false;
    }
    for (size_t i = 0; i + 2 < size; i += 3) {
        uint8_t blue = block[i];
        block[i] = block[i + 2];
        block[i + 2] = blue;
    }
    slot.pixels = block;
    return true;
}

void LoadCursorSet() { LoadSet(TextureSets[0]); }
void LoadUnitSet() { LoadSet(TextureSets[1]); }
void LoadLandSet() { LoadSet(TextureSets[2]); }
void LoadDungeonSet() { LoadSet(TextureSets[3]); }
void LoadStructureSet() { LoadSet(TextureSets[4]); }
void LoadItemSet() { LoadSet(TextureSets[5]); }

void LoadTextureSets()
{
    LoadCursorSet();
    LoadUnitSet();
    LoadLandSet();
    LoadDungeonSet();
    LoadStructureSet();
    LoadItemSet();
}
