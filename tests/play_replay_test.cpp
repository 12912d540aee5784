// Play scenarios through the real replay runner on the world of seed 99: the
// scripts in tests/scenarios drive the game, F1/F2 save slots, and the saved
// files (read here by their documented layout) and screenshots show the outcome.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/headless/headless.h"

namespace fs = std::filesystem;

namespace
{

// The fields of one 190-byte record of a saved unit file.
struct SavedUnit {
    uint32_t event_frame;
    float gold, hit_points, max_hit_points;
    int16_t keys, quest;
    uint16_t dest_x, dest_y, move_state;
    int32_t route_order;
    int16_t target_unit;
    uint16_t cell_x, cell_y, layer;
};

template <typename T> T Field(const std::string& bytes, size_t at)
{
    T v{};
    if (at + sizeof v <= bytes.size())
        std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Picture {
    std::vector<uint8_t> rgb; // top row first
    int32_t width = 0, height = 0;
    // Pixel (x, y) with y counted upwards from the bottom, as the game draws.
    const uint8_t* At(int32_t x, int32_t y) const
    {
        return rgb.data() + (static_cast<size_t>(height - 1 - y) * width + x) * 3;
    }
    bool Is(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return false;
        const uint8_t* p = At(x, y);
        return p[0] == r && p[1] == g && p[2] == b;
    }
};

// The party member every scenario plays, the first one of the seed-99 world.
constexpr int32_t HERO = 36;
// A fire beetle (12 hit points, attack 4, reward 40) that starts at (935, 554).
constexpr int32_t BEETLE = 2803;

class PlayReplay : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // Other builds may run this same test at the same time: each run gets a folder of its own.
        dir_ = fs::temp_directory_path() /
               (std::string("gamevrak_play_") + info->name() + "_" + std::to_string(std::random_device{}()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "map");
        // The game's art and sound, shared; the saves stay in this test's own folder.
        for (const char* sub :
             {"bmp_cross", "bmp_unit", "bmp_land", "bmp_dungeon", "bmp_structure", "bmp_item", "sound"}) {
            std::error_code ec;
            fs::create_directory_symlink(fs::path(GAME_DIR) / sub, dir_ / sub, ec);
        }
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs a scenario script for the given frames, with screenshots; false when the runner fails.
    bool Run(const std::string& script, int frames, const std::vector<int>& shots = {})
    {
        std::string command = "'" + std::string(GAME_DIR) + "/gamevrak-replay' --dir '" + dir_.string() +
                              "' --frames " + std::to_string(frames) + " --script '" + TEST_SOURCE_DIR + "/scenarios/" +
                              script + "'";
        for (int f : shots)
            command += " --shot " + std::to_string(f) + ":'" + Shot(f).string() + "'";
        command += " >'" + (dir_ / "out.txt").string() + "' 2>&1";
        int status = std::system(command.c_str());
        output_ = ReadFile(dir_ / "out.txt");
        return status == 0;
    }
    fs::path Shot(int frame) const { return dir_ / ("shot" + std::to_string(frame) + ".png"); }
    Picture Load(int frame)
    {
        Picture p;
        EXPECT_TRUE(ReadPng(Shot(frame).string().c_str(), &p.rgb, &p.width, &p.height)) << frame;
        return p;
    }

    SavedUnit Unit(int slot, int32_t u)
    {
        std::string units = ReadFile(dir_ / "map" / (std::to_string(slot) + ".unit"));
        EXPECT_EQ(units.size(), 570000u);
        size_t r = static_cast<size_t>(u) * 190;
        SavedUnit s{};
        s.event_frame = Field<uint32_t>(units, r + 10);
        s.gold = Field<float>(units, r + 18);
        s.hit_points = Field<float>(units, r + 22);
        s.max_hit_points = Field<float>(units, r + 26);
        s.keys = Field<int16_t>(units, r + 30);
        s.quest = Field<int16_t>(units, r + 32);
        s.dest_x = Field<uint16_t>(units, r + 38);
        s.dest_y = Field<uint16_t>(units, r + 40);
        s.move_state = Field<uint16_t>(units, r + 44);
        s.route_order = Field<int32_t>(units, r + 46);
        s.target_unit = Field<int16_t>(units, r + 50);
        s.cell_x = Field<uint16_t>(units, r + 68);
        s.cell_y = Field<uint16_t>(units, r + 70);
        s.layer = Field<uint16_t>(units, r + 72);
        return s;
    }
    uint8_t SavedCell(int slot, int32_t x, int32_t y, int32_t layer)
    {
        std::string cells = ReadFile(dir_ / "map" / (std::to_string(slot) + ".mainmap"));
        return Field<uint8_t>(cells, static_cast<size_t>(layer) * 1024 * 1024 + static_cast<size_t>(y) * 1024 + x);
    }
    // Writes a quest level into the unit file of slot 1.
    void EditQuest(int32_t u, int16_t quest)
    {
        fs::path p = dir_ / "map" / "1.unit";
        std::string units = ReadFile(p);
        ASSERT_EQ(units.size(), 570000u);
        std::memcpy(units.data() + static_cast<size_t>(u) * 190 + 32, &quest, sizeof quest);
        std::ofstream(p, std::ios::binary).write(units.data(), static_cast<std::streamsize>(units.size()));
    }

    fs::path dir_;
    std::string output_;
};

// Pixels of the given colour in `after` that were not that colour in `before`,
// within `radius` pixels (square) of (cx, cy).
int CountNew(const Picture& before, const Picture& after, int32_t cx, int32_t cy, int32_t radius, uint8_t r, uint8_t g,
             uint8_t b)
{
    int n = 0;
    for (int32_t y = cy - radius; y <= cy + radius; ++y)
        for (int32_t x = cx - radius; x <= cx + radius; ++x)
            n += after.Is(x, y, r, g, b) && !before.Is(x, y, r, g, b);
    return n;
}

TEST_F(PlayReplay, AWalkThroughADoorOpenedWithKReachesAFarCell)
{
    ASSERT_TRUE(Run("walk_door.txt", 1905)) << output_;
    SavedUnit hero = Unit(1, HERO);
    EXPECT_EQ(hero.cell_x, 904);
    EXPECT_EQ(hero.cell_y, 552);
    EXPECT_EQ(hero.layer, 1);
    EXPECT_EQ(hero.move_state, 0);
    EXPECT_EQ(hero.gold, 300.0f);             // keys open doors for free
    EXPECT_EQ(hero.keys, 0);                  // the door needed none
    EXPECT_EQ(SavedCell(1, 918, 550, 1), 60); // the door is floor now
}

TEST_F(PlayReplay, AMonsterNoticesChasesAndStrikesOnTheCommonBeat)
{
    // fight.txt without its clicks: F2 saves just before the blow beat of frame 540, F1 right after.
    ASSERT_TRUE(Run("chase.txt", 560)) << output_;
    SavedUnit before = Unit(2, BEETLE);
    SavedUnit hero_before = Unit(2, HERO);
    EXPECT_EQ(before.target_unit, HERO);
    EXPECT_LE(std::abs(before.cell_x - 938), 1);
    EXPECT_LE(std::abs(before.cell_y - 552), 1);
    EXPECT_NE(before.cell_x * 10000 + before.cell_y, 935 * 10000 + 554); // it came over
    EXPECT_EQ(hero_before.cell_x, 938);
    EXPECT_EQ(hero_before.cell_y, 552);
    EXPECT_EQ(hero_before.hit_points, 8.0f);
    SavedUnit hero_after = Unit(1, HERO);
    EXPECT_GE(hero_after.hit_points, 8.0f - 4.0f); // one blow of 1 to 4
    EXPECT_LE(hero_after.hit_points, 8.0f - 1.0f);
}

TEST_F(PlayReplay, StrikingTheBeetleKillsItPaysGoldAndShowsDamageNumbers)
{
    ASSERT_TRUE(Run("fight.txt", 605, {478, 479, 482})) << output_;
    SavedUnit beetle = Unit(1, BEETLE);
    SavedUnit hero = Unit(1, HERO);
    EXPECT_LE(beetle.hit_points, 0.0f);
    EXPECT_GE(beetle.event_frame, 480u); // killed inside the strike window of frames 480 to 490
    EXPECT_LE(beetle.event_frame, 490u);
    EXPECT_GE(hero.gold, 300.0f + 13.0f); // a reward of 40 pays 13 to 38
    EXPECT_LE(hero.gold, 300.0f + 38.0f);
    EXPECT_EQ(hero.hit_points, 8.0f); // the beetle fell before its first blow at frame 540

    // The pointer rests on the beetle's cell (937, 552) with the view at (932, 544).
    int32_t px = (937 - 932) * 16 + 8, py = (552 - 544) * 16 + 8;
    Picture quiet = Load(478), still = Load(479), struck = Load(482);
    EXPECT_EQ(CountNew(quiet, still, px, py, 40, 255, 255, 255), 0);
    EXPECT_GT(CountNew(still, struck, px, py, 40, 255, 255, 255), 3); // white numbers near the blow
}

TEST_F(PlayReplay, FireCostsGoldBurnsTheBeetleAndComesEvery401Frames)
{
    ASSERT_TRUE(Run("save_start.txt", 3)) << output_;
    EditQuest(HERO, 27);
    ASSERT_TRUE(Run("fire.txt", 905, {449, 455, 600, 705, 855})) << output_;
    SavedUnit loaded_then_cast = Unit(1, HERO); // saved on frame 460
    SavedUnit end = Unit(2, HERO);              // saved on frame 900
    EXPECT_EQ(loaded_then_cast.quest, 27);
    // One cast at frame 450 (the press at 400 is too early), paid 20 to 139,
    // and 1 to 10 gold for the beetle it burnt to death.
    EXPECT_LE(loaded_then_cast.gold, 300.0f - 20.0f + 10.0f);
    EXPECT_GE(loaded_then_cast.gold, 300.0f - 139.0f + 1.0f);
    SavedUnit beetle = Unit(1, BEETLE);
    EXPECT_LE(beetle.hit_points, 0.0f);
    EXPECT_GE(beetle.event_frame, 451u);
    EXPECT_LE(beetle.event_frame, 455u); // 12 hit points at 3 a frame
    // The press at 700 is inside the pause; the one at 851 casts again.
    float second_cost = loaded_then_cast.gold - end.gold;
    EXPECT_GE(second_cost, 20.0f);
    EXPECT_LE(second_cost, 139.0f);

    int32_t px = (937 - 932) * 16 + 8, py = (552 - 544) * 16 + 8;
    // Red rings around the target after each cast; none in the pause between.
    // (The fallen beetle's bare red bar adds at most 15 red pixels.)
    Picture before = Load(449), burning = Load(455), after = Load(600), paused = Load(705), again = Load(855);
    EXPECT_GT(CountNew(before, burning, px, py, 75, 255, 0, 0), 40);
    EXPECT_EQ(CountNew(after, paused, px, py, 75, 255, 0, 0), 0);
    EXPECT_GT(CountNew(after, again, px, py, 75, 255, 0, 0), 40);
}

} // namespace
