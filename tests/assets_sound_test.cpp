// Our three wave files, and the no-stop rule of the sound player as the headless
// backend models it: the start-up scream, drops while it plays, the default chime.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/shell.h"
#include "assets/sound.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace
{
struct WaveInfo {
    bool ok = false;
    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate = 0, byte_rate = 0;
    std::vector<int16_t> samples;
    double Seconds() const { return byte_rate ? samples.size() * 2.0 / byte_rate : 0.0; }
};

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return v;
}

// Walks the RIFF chunks rather than trusting a fixed 44-byte layout.
WaveInfo ReadWave(const fs::path& p)
{
    WaveInfo w;
    std::ifstream in(p, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return w;
    for (size_t at = 12; at + 8 <= b.size();) {
        uint32_t size = Le(b, at + 4, 4);
        if (at + 8 + size > b.size())
            break;
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && size >= 16) {
            w.format = static_cast<uint16_t>(Le(b, at + 8, 2));
            w.channels = static_cast<uint16_t>(Le(b, at + 10, 2));
            w.rate = Le(b, at + 12, 4);
            w.byte_rate = Le(b, at + 16, 4);
            w.bits = static_cast<uint16_t>(Le(b, at + 22, 2));
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            for (size_t i = 0; i + 1 < size; i += 2)
                w.samples.push_back(static_cast<int16_t>(Le(b, at + 8 + i, 2)));
            w.ok = w.format != 0;
        }
        at += 8 + size + (size & 1);
    }
    return w;
}

std::string RunText(const std::string& cmd)
{
    std::string out;
    std::FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe)
        return out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, pipe))
        out += buf;
    pclose(pipe);
    return out;
}

bool HaveSox() { return std::system("command -v sox >/dev/null 2>&1 && command -v soxi >/dev/null 2>&1") == 0; }

const char* const OUR_SOUNDS[] = {"scream1b.wav", "fire2a.wav", "swish2a.wav"};

fs::path SoundFolder() { return fs::path(GAME_DIR) / "sound"; }
} // namespace

TEST(OurSounds, AreShortAudibleMonoPcm)
{
    if (!fs::exists(SoundFolder() / "scream1b.wav"))
        GTEST_SKIP() << "the sounds have not been baked into " << GAME_DIR;
    for (const char* name : OUR_SOUNDS) {
        WaveInfo w = ReadWave(SoundFolder() / name);
        ASSERT_TRUE(w.ok) << name;
        EXPECT_EQ(w.format, 1) << name;
        EXPECT_EQ(w.channels, 1) << name;
        EXPECT_EQ(w.bits, 16) << name;
        EXPECT_EQ(w.byte_rate, w.rate * 2) << name;
        EXPECT_GT(w.Seconds(), 0.1) << name;
        EXPECT_LT(w.Seconds(), 1.5) << name;
        double energy = 0;
        int peak = 0;
        for (int16_t s : w.samples) {
            energy += static_cast<double>(s) * s;
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        }
        EXPECT_GT(std::sqrt(energy / w.samples.size()), 1500.0) << name << " is nearly silent";
        EXPECT_LT(peak, 32767) << name << " clips";
    }
    if (!HaveSox())
        return;
    for (const char* name : OUR_SOUNDS) {
        std::string file = (SoundFolder() / name).string();
        EXPECT_LT(std::atof(RunText("soxi -D " + file).c_str()), 1.5) << name;
        EXPECT_EQ(std::atoi(RunText("soxi -c " + file).c_str()), 1) << name;
        EXPECT_NE(RunText("soxi -e " + file).find("Signed Integer PCM"), std::string::npos) << name;
    }
}

class SoundPlayer : public ::testing::Test
{
  protected:
    fs::path previous = fs::current_path();
    fs::path scratch = fs::temp_directory_path() / ("gamevrak-sound-" + std::to_string(getpid()));
    void SetUp() override
    {
        HeadlessReset();
        fs::remove_all(scratch);
        fs::create_directories(scratch);
    }
    void TearDown() override
    {
        fs::current_path(previous);
        fs::remove_all(scratch);
    }
    static const HeadlessSound& Last() { return HeadlessSounds().back(); }
};

TEST_F(SoundPlayer, SoxWaveIsBusyForItsLength)
{
    if (!HaveSox())
        GTEST_SKIP() << "sox is not available";
    std::string file = (scratch / "tone.wav").string();
    ASSERT_EQ(std::system(("sox -n -r 8000 -c 1 -b 16 " + file + " synth 0.5 sine 440").c_str()), 0);
    PlatformPlaySound(file.c_str());
    EXPECT_TRUE(Last().played);
    HeadlessAdvanceClock(0.45);
    PlatformPlaySound(file.c_str());
    EXPECT_FALSE(Last().played); // not queued either: nothing plays when the first ends
    HeadlessAdvanceClock(0.06);
    PlatformPlaySound(file.c_str());
    EXPECT_TRUE(Last().played);
    EXPECT_EQ(HeadlessSounds().size(), 3u);
}

TEST_F(SoundPlayer, StartUpScreamThenDropsWhileItPlays)
{
    if (!fs::exists(SoundFolder() / "scream1b.wav"))
        GTEST_SKIP() << "the sounds have not been baked into " << GAME_DIR;
    double scream = ReadWave(SoundFolder() / "scream1b.wav").Seconds();
    ASSERT_GT(scream, 0.3);
    fs::current_path(GAME_DIR);
    ASSERT_TRUE(StartGame());
    ASSERT_EQ(HeadlessSounds().size(), 1u);
    EXPECT_EQ(HeadlessSounds()[0].path, ".\\sound\\scream1b.wav");
    EXPECT_TRUE(HeadlessSounds()[0].played);

    PlaySoundEffect(SOUND_FIRE); // cast right away: the scream still plays
    EXPECT_FALSE(Last().played);
    HeadlessAdvanceClock(scream - 0.05);
    PlaySoundEffect(SOUND_SWISH);
    EXPECT_FALSE(Last().played);
    HeadlessAdvanceClock(0.1);
    PlaySoundEffect(SOUND_SWISH);
    EXPECT_TRUE(Last().played);
    double swish = ReadWave(SoundFolder() / "swish2a.wav").Seconds();
    HeadlessAdvanceClock(swish / 2);
    PlaySoundEffect(SOUND_SWISH); // two swings in quick succession: one swish
    EXPECT_FALSE(Last().played);

    // A missing file plays the default chime, which blocks like any other sound.
    HeadlessAdvanceClock(2.0);
    PlaySoundEffect(".\\sound\\no_such_effect.wav");
    EXPECT_TRUE(Last().played);
    PlaySoundEffect(SOUND_FIRE);
    EXPECT_FALSE(Last().played);
    HeadlessAdvanceClock(1.0);
    PlaySoundEffect(SOUND_FIRE);
    EXPECT_TRUE(Last().played);
    FreeWorld();
}

TEST_F(SoundPlayer, WithoutTheSoundFolderEveryTriggerPlaysTheDefault)
{
    fs::current_path(scratch);
    for (const char* path : {SOUND_SCREAM, SOUND_FIRE, SOUND_SWISH}) {
        PlaySoundEffect(path);
        EXPECT_TRUE(Last().played) << path;
        HeadlessAdvanceClock(0.1);
        PlaySoundEffect(path); // the chime is still sounding
        EXPECT_FALSE(Last().played) << path;
        HeadlessAdvanceClock(1.0);
    }
}
