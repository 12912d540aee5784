// Fuzz target: the bitmap reader on arbitrary file bytes. Each input is a whole file, loaded into
// one slot, which must then hold exactly what the file describes, or be left as it was when the
// header is refused. A loaded picture is drawn the three ways the map view draws, across the edges.
#include "assets/bitmap.h"
#include "fuzz_game.h"
#include "world/mapview.h"

using namespace fuzz;

static std::string Path;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::ofstream(Path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const BitmapSlot before = BitmapSlots[1104], &slot = BitmapSlots[1104];
    bool loaded = LoadBitmapSlot(Path.c_str(), 1104);
    if (size < 54 || data[0] != 'B' || data[1] != 'M' || data[28] != 24) {
        if (loaded || slot.pixels != before.pixels || slot.width != before.width || slot.height != before.height ||
            slot.bytes_per_pixel != before.bytes_per_pixel)
            Fail("a refused header changed the slot");
        return 0;
    }
    auto le32 = [data](int at) {
        return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | uint32_t{data[at + 3]} << 24;
    };
    uint64_t bytes = uint64_t{le32(18)} * le32(22) * 3;
    if (slot.width != le32(18) || slot.height != le32(22) || slot.bytes_per_pixel != 3)
        Fail("the slot's size is not the header's");
    if (loaded != (bytes <= size - 54) || (!loaded && slot.pixels))
        Fail("a load's result or pixels disagree with the amount of pixel data");
    // Every byte compared, which has the sanitizers check the block's length too.
    for (uint64_t i = 0; loaded && i < bytes; i += 3)
        if (slot.pixels[i] != data[56 + i] || slot.pixels[i + 1] != data[55 + i] || slot.pixels[i + 2] != data[54 + i])
            Fail("the pixels are not the file's, red and blue swapped");
    for (auto draw : {DrawBitmapTile, DrawBitmapKeyed, DrawBitmapGrey})
        for (auto [x, y] : {std::pair{0, 0}, {-7, -3}, {100, 200}, {630, 470}, {-1000000, 5}, {5, 2000000000}})
            draw(x, y, 1104);
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Path = GameDir(FUZZ_GAME_DIR) + "/fuzz.bmp";
    AllocateBitmapSlots();
    SetScreenSize(640, 480);
    return 0;
}
