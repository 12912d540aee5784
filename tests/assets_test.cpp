// The bitmap reader on files written by ImageMagick and by hand, and the wave reader.

#include "fixture.h"
#include "platform/common/wave_file.h"

namespace
{
// A 54-byte header as a 24-bit writer makes it, claiming width x height, then the pixel bytes given.
std::vector<uint8_t> Bitmap(uint32_t width, uint32_t height, uint8_t bits, std::vector<uint8_t> data)
{
    std::vector<uint8_t> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40};
    b.resize(54);
    for (int i = 0; i < 4; ++i)
        std::tie(b[18 + i], b[22 + i]) = std::make_tuple(width >> (8 * i), height >> (8 * i));
    std::tie(b[26], b[28]) = std::make_tuple(1, bits);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::vector<uint8_t> Pixels(uint32_t id)
{
    const BitmapSlot& s = BitmapSlots[id];
    return s.pixels ? std::vector<uint8_t>(s.pixels, s.pixels + s.width * s.height * 3) : std::vector<uint8_t>{};
}

bool Load(const std::vector<uint8_t>& file, uint32_t id)
{
    std::ofstream("x.bmp", std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
    return LoadBitmapSlot(".\\x.bmp", id);
}

using BitmapReader = InScratchDir;
} // namespace

TEST_F(BitmapReader, AnImageMagickFileGivesItsPixelsBottomRowFirstInRgb)
{
    if (std::system("convert -size 4x2 xc:red -fill blue -draw 'point 0,1' -fill lime -draw 'point 3,0' "
                    "-type TrueColor BMP3:magick.bmp 2>/dev/null") != 0)
        GTEST_SKIP() << "ImageMagick's convert is not available";
    ASSERT_TRUE(LoadBitmapSlot(".\\magick.bmp", 7));
    EXPECT_EQ(std::make_tuple(BitmapSlots[7].width, BitmapSlots[7].height, BitmapSlots[7].bytes_per_pixel),
              std::make_tuple(4u, 2u, 3u));
    // Bottom row: blue, red, red, red; top row: red, red, red, lime.
    EXPECT_EQ(Pixels(7), (std::vector<uint8_t>{0,   0, 255, 255, 0, 0, 255, 0, 0, 255, 0,   0,
                                               255, 0, 0,   255, 0, 0, 255, 0, 0, 0,   255, 0}));
    // Rows are taken as one block: the padding a writer adds after a 3-byte row shifts the next one.
    ASSERT_TRUE(Load(Bitmap(1, 2, 24, {1, 2, 3, 0, 4, 5, 6, 0}), 6));
    EXPECT_EQ(Pixels(6), (std::vector<uint8_t>{3, 2, 1, 5, 4, 0}));
}

TEST_F(BitmapReader, WhatIsNotAWhole24BitBitmapIsRefused)
{
    std::vector<uint8_t> not_bm = Bitmap(4, 2, 24, std::vector<uint8_t>(24, 1)), short_header = Bitmap(2, 2, 24, {});
    not_bm[1] = 'A';
    short_header.resize(53);
    ASSERT_TRUE(Load(Bitmap(2, 2, 24, std::vector<uint8_t>(12, 9)), 5));
    const uint8_t* kept = BitmapSlots[5].pixels;
    for (const auto& file :
         {Bitmap(4, 2, 32, std::vector<uint8_t>(32, 0x40)), not_bm, short_header, std::vector<uint8_t>{}}) {
        EXPECT_FALSE(Load(file, 5)) << file.size();
        EXPECT_EQ(std::make_tuple(BitmapSlots[5].pixels, BitmapSlots[5].width), std::make_tuple(kept, 2u))
            << "a refused header leaves the slot as it was";
    }
    // Too little pixel data: the size is taken, the pixels are not. Claims whose byte count overflows
    // 32 bits, or that no allocation could hold, are measured against the file, never allocated.
    for (auto [w, h] : {std::pair{4u, 2u}, {0xFFFFFFFFu, 0xFFFFFFFFu}, {65536u, 65536u}, {0x80000000u, 2u}}) {
        EXPECT_FALSE(Load(Bitmap(w, h, 24, std::vector<uint8_t>(12, 0x55)), 5)) << w << "x" << h;
        EXPECT_EQ(std::make_tuple(BitmapSlots[5].pixels, BitmapSlots[5].width, BitmapSlots[5].height),
                  std::make_tuple(nullptr, w, h));
    }
    // A missing file is left behind empty; a missing folder is not made.
    EXPECT_FALSE(LoadBitmapSlot(".\\none.bmp", 4) || LoadBitmapSlot(".\\nofolder\\none.bmp", 4));
    EXPECT_EQ(std::make_tuple(fs::exists("none.bmp") && fs::file_size("none.bmp") == 0, fs::exists("nofolder")),
              std::make_tuple(true, false));
}

// The one wave reader: chunks in any order before the data, odd chunks padded,
// whole frames only; anything but 8- or 16-bit PCM after its format is refused.
TEST(WaveReader, WalksTheChunksAndRefusesWhatItCannotPlay)
{
    auto wave = [](uint32_t format, uint32_t channels, uint32_t bits, bool data_first) {
        auto chunk = [](std::vector<uint8_t>* out, const char* id, std::vector<uint8_t> body) {
            out->insert(out->end(), id, id + 4);
            AppendLittle(out, static_cast<uint32_t>(body.size()), 4);
            out->insert(out->end(), body.begin(), body.end());
            if (body.size() % 2)
                out->push_back(0);
        };
        std::vector<uint8_t> fmt;
        for (auto [v, n] : {std::pair{format, 2},
                            {channels, 2},
                            {11025u, 4},
                            {11025u * channels * bits / 8, 4},
                            {channels * bits / 8, 2},
                            {bits, 2}})
            AppendLittle(&fmt, v, n);
        std::vector<uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
        chunk(&out, "LIST", {1, 2, 3});
        if (!data_first)
            chunk(&out, "fmt ", fmt);
        chunk(&out, "data", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
        if (data_first)
            chunk(&out, "fmt ", fmt);
        return out;
    };
    WaveData w;
    for (const char* name : {"scream1b.wav", "fire2a.wav", "swish2a.wav"}) { // the baked sounds, as the game reads them
        std::ifstream in(fs::path(GAME_DIR) / "sound" / name, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_TRUE(DecodeWave(bytes.data(), bytes.size(), &w) && w.samples.size() > 1000) << name;
    }
    std::vector<uint8_t> file = wave(1, 2, 16, false);
    ASSERT_TRUE(DecodeWave(file.data(), file.size(), &w));
    EXPECT_EQ(std::make_tuple(w.channels, w.rate, w.byte_rate, w.bits, w.samples.size(), w.samples.back()),
              std::make_tuple(2u, 11025u, 44100u, 16u, size_t{12}, uint8_t{12}));
    for (auto [format, channels, bits, data_first] :
         {std::tuple{3u, 1u, 16u, false}, {1u, 1u, 24u, false}, {1u, 0u, 8u, false}, {1u, 1u, 8u, true}}) {
        file = wave(format, channels, bits, data_first);
        WaveData bad;
        EXPECT_FALSE(DecodeWave(file.data(), file.size(), &bad)) << format << " " << channels << " " << bits;
    }
    file = wave(1, 1, 8, false);
    EXPECT_TRUE(DecodeWave(file.data(), file.size(), &w));
    for (size_t cut : {size_t{0}, size_t{11}, size_t{30}, size_t{56}})
        EXPECT_FALSE(DecodeWave(file.data(), cut, &w)) << "cut at " << cut;
}
