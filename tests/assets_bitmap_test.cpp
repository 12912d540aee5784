// The bitmap reader on files written by ImageMagick and by hand, and the baked
// texture sets in the build's game folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "assets/bitmap.h"

namespace fs = std::filesystem;

namespace
{
std::string ConvertCommand()
{
    if (fs::exists("/usr/bin/convert"))
        return "/usr/bin/convert";
    return std::system("command -v convert >/dev/null 2>&1") == 0 ? "convert" : "";
}

void WriteAll(const fs::path& p, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutLe32(std::vector<uint8_t>* b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        (*b)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 54-byte header as a 24-bit writer makes it, claiming width x height, plus the given pixel bytes.
std::vector<uint8_t> HandMadeBitmap(uint32_t width, uint32_t height, uint16_t bits, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutLe32(&b, 2, static_cast<uint32_t>(54 + data.size()));
    PutLe32(&b, 10, 54);
    PutLe32(&b, 14, 40);
    PutLe32(&b, 18, width);
    PutLe32(&b, 22, height);
    b[26] = 1;
    b[28] = static_cast<uint8_t>(bits);
    b[29] = static_cast<uint8_t>(bits >> 8);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

class BitmapReader : public ::testing::Test
{
  protected:
    fs::path dir;
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("gamevrak-bitmap-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        AllocateBitmapSlots();
    }
    void TearDown() override
    {
        FreeBitmapSlots();
        fs::remove_all(dir);
    }
    bool Load(const fs::path& p, uint32_t id) { return LoadBitmapSlot(p.string().c_str(), id); }
    std::string Convert(const std::string& args, const std::string& name)
    {
        std::string convert = ConvertCommand();
        if (convert.empty())
            return "";
        fs::path out = dir / name;
        std::string cmd = convert + " " + args + " -type TrueColor BMP3:" + out.string() + " 2>/dev/null";
        return std::system(cmd.c_str()) == 0 && fs::exists(out) ? out.string() : "";
    }
};

TEST_F(BitmapReader, ImageMagickFourByTwoGivesBottomRowFirstInRgb)
{
    // Pixel (0,1) is the bottom-left one in ImageMagick's top-down coordinates.
    std::string file = Convert("-size 4x2 xc:red -fill blue -draw 'point 0,1' -fill lime -draw 'point 3,0'", "a.bmp");
    if (file.empty())
        GTEST_SKIP() << "ImageMagick's convert is not available";
    ASSERT_TRUE(LoadBitmapSlot(file.c_str(), 7));
    const BitmapSlot& s = BitmapSlots[7];
    EXPECT_EQ(s.width, 4u);
    EXPECT_EQ(s.height, 2u);
    EXPECT_EQ(s.bytes_per_pixel, 3u);
    ASSERT_NE(s.pixels, nullptr);
    const uint8_t expected[24] = {0,   0, 255, 255, 0, 0, 255, 0, 0, 255, 0,   0,  // bottom row: blue, red, red, red
                                  255, 0, 0,   255, 0, 0, 255, 0, 0, 0,   255, 0}; // top row: red, red, red, lime
    EXPECT_EQ(std::memcmp(s.pixels, expected, sizeof expected), 0);
}

TEST_F(BitmapReader, ImageMagickPictureMatchesItsOwnPixelDump)
{
    std::string file = Convert(
        "-size 16x16 gradient:navy-orange -fill lime -draw 'line 0,0 15,15' -fill white -draw 'point 2,13'", "g.bmp");
    if (file.empty())
        GTEST_SKIP() << "ImageMagick's convert is not available";
    std::string cmd = ConvertCommand() + " " + file + " -depth 8 txt:-";
    std::FILE* pipe = popen(cmd.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::map<std::pair<int, int>, std::vector<int>> dump;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        int x, y, r, g, b;
        if (std::sscanf(line, "%d,%d: (%d,%d,%d", &x, &y, &r, &g, &b) == 5)
            dump[{x, y}] = {r, g, b};
    }
    pclose(pipe);
    ASSERT_EQ(dump.size(), 256u);
    ASSERT_TRUE(LoadBitmapSlot(file.c_str(), 3099));
    const BitmapSlot& s = BitmapSlots[3099];
    ASSERT_EQ(s.width, 16u);
    ASSERT_EQ(s.height, 16u);
    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 16; ++col) {
            const uint8_t* p = s.pixels + (row * 16 + col) * 3;
            const std::vector<int>& want = dump[{col, 15 - row}];
            ASSERT_EQ((std::vector<int>{p[0], p[1], p[2]}), want) << "column " << col << " row " << row;
        }
}

TEST_F(BitmapReader, RefusesWhatIsNotA24BitBitmapAndKeepsTheSlot)
{
    std::vector<uint8_t> pixels(4 * 2 * 4, 0x40);
    WriteAll(dir / "32.bmp", HandMadeBitmap(4, 2, 32, pixels));
    std::vector<uint8_t> not_bm = HandMadeBitmap(4, 2, 24, std::vector<uint8_t>(24, 1));
    not_bm[1] = 'A';
    WriteAll(dir / "ba.bmp", not_bm);
    std::vector<uint8_t> short_header = HandMadeBitmap(4, 2, 24, {});
    short_header.resize(53);
    WriteAll(dir / "short.bmp", short_header);
    WriteAll(dir / "empty.bmp", {});

    for (const char* name : {"32.bmp", "ba.bmp", "short.bmp", "empty.bmp"}) {
        EXPECT_FALSE(Load(dir / name, 5)) << name;
        EXPECT_EQ(BitmapSlots[5].pixels, nullptr) << name;
        EXPECT_EQ(BitmapSlots[5].width, 0u) << name;
        EXPECT_EQ(BitmapSlots[5].height, 0u) << name;
        EXPECT_EQ(BitmapSlots[5].bytes_per_pixel, 0u) << name;
    }

    // A refused file leaves an earlier picture in place.
    WriteAll(dir / "ok.bmp", HandMadeBitmap(2, 2, 24, std::vector<uint8_t>(12, 9)));
    ASSERT_TRUE(Load(dir / "ok.bmp", 5));
    uint8_t* before = BitmapSlots[5].pixels;
    EXPECT_FALSE(Load(dir / "32.bmp", 5));
    EXPECT_EQ(BitmapSlots[5].pixels, before);
    EXPECT_EQ(BitmapSlots[5].width, 2u);
}

TEST_F(BitmapReader, HalfThePixelDataSetsTheSizeButNoPixels)
{
    WriteAll(dir / "ok.bmp", HandMadeBitmap(1, 1, 24, {1, 2, 3}));
    ASSERT_TRUE(Load(dir / "ok.bmp", 9));
    WriteAll(dir / "half.bmp", HandMadeBitmap(4, 2, 24, std::vector<uint8_t>(12, 7)));
    EXPECT_FALSE(Load(dir / "half.bmp", 9));
    EXPECT_EQ(BitmapSlots[9].width, 4u);
    EXPECT_EQ(BitmapSlots[9].height, 2u);
    EXPECT_EQ(BitmapSlots[9].bytes_per_pixel, 3u);
    EXPECT_EQ(BitmapSlots[9].pixels, nullptr);
}

// Claims whose byte count overflows 32-bit arithmetic to a small number (or to 0)
// must still be refused against the real file size; the largest claim would make
// the sanitizer build abort if the reader tried to allocate it.
TEST_F(BitmapReader, HugeClaimedSizesAreRefusedAgainstTheFileSize)
{
    const std::pair<uint32_t, uint32_t> claims[] = {
        {0xFFFFFFFFu, 0xFFFFFFFFu}, {65536u, 65536u}, {0x80000000u, 2u}, {100000u, 100000u}};
    for (auto [w, h] : claims) {
        WriteAll(dir / "huge.bmp", HandMadeBitmap(w, h, 24, std::vector<uint8_t>(48, 0x55)));
        EXPECT_FALSE(Load(dir / "huge.bmp", 11)) << w << "x" << h;
        EXPECT_EQ(BitmapSlots[11].width, w);
        EXPECT_EQ(BitmapSlots[11].height, h);
        EXPECT_EQ(BitmapSlots[11].pixels, nullptr);
    }
}

TEST_F(BitmapReader, SecondLoadIntoTheSameIdReplacesThePicture)
{
    WriteAll(dir / "one.bmp", HandMadeBitmap(1, 1, 24, {10, 20, 30}));
    WriteAll(dir / "two.bmp", HandMadeBitmap(2, 1, 24, {1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(Load(dir / "one.bmp", 2));
    ASSERT_TRUE(Load(dir / "two.bmp", 2));
    EXPECT_EQ(BitmapSlots[2].width, 2u);
    const uint8_t want[6] = {3, 2, 1, 6, 5, 4};
    EXPECT_EQ(std::memcmp(BitmapSlots[2].pixels, want, 6), 0);
}

TEST_F(BitmapReader, MissingFileIsCreatedEmptyAndRefused)
{
    fs::path missing = dir / "nothere.bmp";
    std::string backslashed = missing.string();
    for (char& c : backslashed)
        if (c == '/')
            c = '\\';
    EXPECT_FALSE(LoadBitmapSlot(backslashed.c_str(), 4));
    EXPECT_TRUE(fs::exists(missing));
    EXPECT_EQ(fs::file_size(missing), 0u);
    EXPECT_EQ(BitmapSlots[4].pixels, nullptr);
    EXPECT_EQ(BitmapSlots[4].width, 0u);

    fs::path no_folder = dir / "nofolder" / "x.bmp";
    EXPECT_FALSE(Load(no_folder, 4));
    EXPECT_FALSE(fs::exists(no_folder));
}

TEST_F(BitmapReader, RowPaddingIsNotSkipped)
{
    // Two rows of one pixel: a padding writer puts 1 byte of padding after each
    // 3-byte row; the reader takes the block as it comes, so the second pixel
    // starts one byte late.
    WriteAll(dir / "pad.bmp", HandMadeBitmap(1, 2, 24, {1, 2, 3, 0, 4, 5, 6, 0}));
    ASSERT_TRUE(Load(dir / "pad.bmp", 6));
    const uint8_t want[6] = {3, 2, 1, 5, 4, 0};
    EXPECT_EQ(std::memcmp(BitmapSlots[6].pixels, want, 6), 0);
}

// ---- The texture sets --------------------------------------------------------------

TEST(TextureSets, ListTheFoldersAndCountsInLoadingOrder)
{
    const char* folders[6] = {"bmp_cross", "bmp_unit", "bmp_land", "bmp_dungeon", "bmp_structure", "bmp_item"};
    const int32_t counts[6] = {1, 59, 30, 40, 10, 60};
    for (int i = 0; i < 6; ++i) {
        EXPECT_STREQ(TextureSets[i].folder, folders[i]);
        EXPECT_EQ(TextureSets[i].count, counts[i]) << folders[i];
    }
    // Spot checks at the ends of each list and on the pictures with two ids.
    auto name_of = [](int set, uint32_t id) -> std::string {
        for (int32_t i = 0; i < TextureSets[set].count; ++i)
            if (TextureSets[set].entries[i].id == id)
                return TextureSets[set].entries[i].name;
        return "";
    };
    EXPECT_EQ(name_of(0, 1104), "cross4");
    EXPECT_EQ(TextureSets[1].entries[0].id, 801u);
    EXPECT_EQ(TextureSets[1].entries[58].id, 983u);
    EXPECT_EQ(name_of(1, 849), "unit_mage");
    EXPECT_EQ(name_of(1, 981), "unit_mage");
    EXPECT_EQ(name_of(1, 904), "unit_dragon_hydra");
    EXPECT_EQ(name_of(2, 21), "forest_leaf");
    EXPECT_EQ(name_of(2, 193), "forest_leaf");
    EXPECT_EQ(name_of(2, 22), "road_b");
    EXPECT_EQ(name_of(2, 15), "water_deep");
    EXPECT_EQ(name_of(3, 130), "source");
    EXPECT_EQ(name_of(3, 160), "source");
    EXPECT_EQ(name_of(3, 167), "scrolls");
    EXPECT_EQ(name_of(3, 111), "wall");
    EXPECT_EQ(name_of(4, 390), "hart");
    EXPECT_EQ(TextureSets[5].entries[0].id, 0u);
    EXPECT_EQ(TextureSets[5].entries[21].id, 3000u); // the bags sit between the blades and the maul
    EXPECT_EQ(name_of(5, 630), "item_maul");
    EXPECT_EQ(name_of(5, 1408), "item_fiol_hp");
    std::set<uint32_t> ids;
    int32_t total = 0;
    for (const TextureSet& set : TextureSets)
        for (int32_t i = 0; i < set.count; ++i, ++total) {
            ids.insert(set.entries[i].id);
            EXPECT_LT(set.entries[i].id, static_cast<uint32_t>(BITMAP_SLOT_COUNT));
        }
    EXPECT_EQ(ids.size(), static_cast<size_t>(total)); // no id appears twice
}

class BakedArt : public ::testing::Test
{
  protected:
    fs::path previous;
    void SetUp() override
    {
        if (!fs::exists(fs::path(GAME_DIR) / "bmp_unit" / "unit_mage.bmp"))
            GTEST_SKIP() << "the art has not been baked into " << GAME_DIR;
        previous = fs::current_path();
        fs::current_path(GAME_DIR);
        AllocateBitmapSlots();
        LoadTextureSets();
    }
    void TearDown() override
    {
        if (!previous.empty()) {
            FreeBitmapSlots();
            fs::current_path(previous);
        }
    }
    static bool IsKey(const uint8_t* p) { return p[0] == 255 && p[1] == 0 && p[2] == 246; }
    static bool IsBlack(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }
    int32_t Count(uint32_t id, bool (*test)(const uint8_t*))
    {
        int32_t n = 0;
        for (int32_t i = 0; i < 256; ++i)
            n += test(BitmapSlots[id].pixels + i * 3) ? 1 : 0;
        return n;
    }
};

TEST_F(BakedArt, EveryListedFileIsA16By16BitmapWithoutPadding)
{
    for (const TextureSet& set : TextureSets)
        for (int32_t i = 0; i < set.count; ++i) {
            const TextureEntry& e = set.entries[i];
            fs::path file = fs::path(set.folder) / (std::string(e.name) + ".bmp");
            ASSERT_TRUE(fs::exists(file)) << file;
            EXPECT_EQ(fs::file_size(file), 54u + 16 * 16 * 3) << file;
            const BitmapSlot& s = BitmapSlots[e.id];
            ASSERT_NE(s.pixels, nullptr) << file;
            EXPECT_EQ(s.width, 16u) << file;
            EXPECT_EQ(s.height, 16u) << file;
        }
}

TEST_F(BakedArt, PicturesFollowTheKeyingRules)
{
    // Ground tiles are drawn opaque: no key colour may show through.
    for (int set : {2, 3})
        for (int32_t i = 0; i < TextureSets[set].count; ++i)
            EXPECT_EQ(Count(TextureSets[set].entries[i].id, IsKey), 0) << TextureSets[set].entries[i].name;
    // Sprites are drawn keyed: black would punch holes in them, and each needs a background.
    for (int set : {0, 1, 4, 5})
        for (int32_t i = 0; i < TextureSets[set].count; ++i) {
            uint32_t id = TextureSets[set].entries[i].id;
            EXPECT_EQ(Count(id, IsBlack), 0) << TextureSets[set].entries[i].name;
            EXPECT_GT(Count(id, IsKey), 0) << TextureSets[set].entries[i].name;
        }
    // The pictures with two uses carry black, which falls away over the floor,
    // and still leave a visible mark when keyed.
    for (uint32_t id : {15u, 22u, 167u}) {
        EXPECT_GT(Count(id, IsBlack), 64) << id;
        EXPECT_GT(256 - Count(id, IsBlack) - Count(id, IsKey), 16) << id;
    }
    // The pick-ups and the attack cursor are mostly background: small, centred marks.
    for (uint32_t id : {1400u, 1402u, 1404u, 1408u, 630u}) {
        EXPECT_GT(Count(id, IsKey), 64) << id;
        const uint8_t* centre = BitmapSlots[id].pixels + (7 * 16 + 7) * 3;
        EXPECT_FALSE(IsKey(centre) && IsKey(centre + 3) && IsKey(centre + 48) && IsKey(centre + 51)) << id;
    }
}

TEST_F(BakedArt, PicturesWithTwoIdsAreOneFileAndDistinctOnesDiffer)
{
    EXPECT_EQ(std::memcmp(BitmapSlots[849].pixels, BitmapSlots[981].pixels, 768), 0);
    EXPECT_EQ(std::memcmp(BitmapSlots[130].pixels, BitmapSlots[160].pixels, 768), 0);
    EXPECT_EQ(std::memcmp(BitmapSlots[21].pixels, BitmapSlots[193].pixels, 768), 0);
    // The fifteen species and the mage must each look different.
    const uint32_t species[] = {805, 824, 823, 871, 830, 831, 870, 863, 832, 876, 874, 883, 903, 906, 904, 849};
    for (size_t a = 0; a < std::size(species); ++a)
        for (size_t b = a + 1; b < std::size(species); ++b)
            EXPECT_NE(std::memcmp(BitmapSlots[species[a]].pixels, BitmapSlots[species[b]].pixels, 768), 0)
                << species[a] << " and " << species[b];
    // Floor and wall differ clearly in value.
    auto mean = [](uint32_t id) {
        long sum = 0;
        for (int i = 0; i < 768; ++i)
            sum += BitmapSlots[id].pixels[i];
        return sum / 768.0;
    };
    EXPECT_GT(mean(119) - mean(111), 15.0);
}

TEST_F(BakedArt, UntouchedSlotsStayEmpty)
{
    std::set<uint32_t> listed;
    for (const TextureSet& set : TextureSets)
        for (int32_t i = 0; i < set.count; ++i)
            listed.insert(set.entries[i].id);
    for (uint32_t id = 0; id < static_cast<uint32_t>(BITMAP_SLOT_COUNT); ++id)
        if (!listed.count(id)) {
            ASSERT_EQ(BitmapSlots[id].pixels, nullptr) << id;
            ASSERT_EQ(BitmapSlots[id].width, 0u) << id;
        }
}
} // namespace
