// Fuzz target: the bitmap reader on arbitrary file bytes. Each input is the
// whole file; it is loaded into one slot, which must then hold exactly what the
// file describes, or be left as it was when the header is refused. A loaded
// picture is then drawn the three ways the map view draws, across the edges of
// the screen, since its odd sizes are what the drawing has to survive.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/bitmap.h"
#include "fuzz_support.h"
#include "gfx/draw.h"
#include "world/mapview.h"

namespace
{
constexpr uint32_t SLOT_ID = 1104;
constexpr size_t HEADER_BYTES = 54;
std::string BitmapPath;

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "bitmap slot invariant broken: %s\n", what);
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    BitmapPath = MakeScratchDir("bitmap") + "/fuzz.bmp";
    AllocateBitmapSlots();
    SetScreenSize(640, 480);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!WriteWholeFile(BitmapPath, data, size))
        std::abort();
    const BitmapSlot before = BitmapSlots[SLOT_ID];
    bool loaded = LoadBitmapSlot(BitmapPath.c_str(), SLOT_ID);
    const BitmapSlot& slot = BitmapSlots[SLOT_ID];

    bool accepted = size >= HEADER_BYTES && data[0] == 'B' && data[1] == 'M' && data[28] == 24;
    if (!accepted) {
        Check(!loaded, "a refused header reported success");
        Check(slot.pixels == before.pixels && slot.width == before.width && slot.height == before.height &&
                  slot.bytes_per_pixel == before.bytes_per_pixel,
              "a refused header changed the slot");
        return 0;
    }
    uint32_t width = Le32(data + 18);
    uint32_t height = Le32(data + 22);
    Check(slot.width == width && slot.height == height, "size differs from the header");
    Check(slot.bytes_per_pixel == 3, "bytes per pixel is not 3");
    uint64_t needed = static_cast<uint64_t>(width) * height * 3;
    bool complete = needed <= size - HEADER_BYTES;
    Check(loaded == complete, "result disagrees with the amount of pixel data");
    if (!complete) {
        Check(slot.pixels == nullptr, "a short file left pixels in the slot");
        return 0;
    }
    Check(needed == 0 || slot.pixels != nullptr, "no pixels after a successful load");
    // Every byte is compared, which also makes the sanitizer check that the
    // block is as long as the picture says.
    const uint8_t* file = data + HEADER_BYTES;
    for (uint64_t i = 0; i < needed; i += 3) {
        Check(slot.pixels[i] == file[i + 2] && slot.pixels[i + 1] == file[i + 1] && slot.pixels[i + 2] == file[i],
              "pixel bytes are not the file's, red and blue swapped");
    }
    static const int32_t PLACES[][2] = {{0, 0}, {-7, -3}, {100, 200}, {630, 470}, {-1000000, 5}, {5, 2000000000}};
    for (const auto& place : PLACES) {
        DrawBitmapTile(place[0], place[1], static_cast<int32_t>(SLOT_ID));
        DrawBitmapKeyed(place[0], place[1], static_cast<int32_t>(SLOT_ID));
        DrawBitmapGrey(place[0], place[1], static_cast<int32_t>(SLOT_ID));
    }
    return 0;
}
