// A fresh game state in a private directory holding an empty "map" folder.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/console.h"
#include "app/shell.h"
#include "platform/headless/headless.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace persist_test
{

inline uint32_t Mix(uint32_t i, uint32_t salt)
{
    uint32_t x = (i + 0x9E3779B9u * salt) * 2654435761u;
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    return x;
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    std::vector<uint8_t> bytes(in ? static_cast<size_t>(std::filesystem::file_size(path, ec)) : 0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline uint32_t LittleWord(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

class GameDirTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        home_ = std::filesystem::current_path();
        std::random_device rd;
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        dir_ = std::filesystem::temp_directory_path() / ("gamevrak-" + name + "-" + std::to_string(rd()));
        std::filesystem::create_directories(dir_ / "map");
        std::filesystem::current_path(dir_);
        HeadlessReset();
        FrameCounter = 0;
        ConsoleOpen = 0;
        ScreenSaverOn = 0;
        ConsoleSubmitted = 0;
        MonsterCyclePeriod = 30.0f;
        PrepareStartUp();
        ASSERT_NE(PathFinders[0].RouteX, nullptr);
        ASSERT_NE(PathFinders[1].RouteY, nullptr);
    }

    void TearDown() override
    {
        FreeWorld();
        std::filesystem::current_path(home_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::filesystem::path SlotFile(int slot, const char* kind) const
    {
        return dir_ / "map" / (std::to_string(slot) + "." + kind);
    }

    std::filesystem::path home_;
    std::filesystem::path dir_;
};

} // namespace persist_test
