// Files, folders and the game directory on POSIX hosts: the game's backslash
// paths, the open-always rule and the move to the executable's folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace
{
std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return "<missing>";
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

// Each test works in a fresh folder of its own as the current directory.
class PlatformFilesTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        home_ = fs::current_path();
        std::random_device random;
        do
            scratch_ = fs::temp_directory_path() / ("gamevrak_files_" + std::to_string(random()));
        while (!fs::create_directory(scratch_));
        fs::current_path(scratch_);
    }
    void TearDown() override
    {
        fs::current_path(home_);
        fs::remove_all(scratch_);
    }
    fs::path home_;
    fs::path scratch_;
};

TEST_F(PlatformFilesTest, OpenAlwaysCreatesMissingFilesAndNeverTruncates)
{
    fs::create_directory("map");
    std::FILE* f = OpenFileAlways(".\\map\\1.mainmap", false);
    ASSERT_NE(f, nullptr);
    char c;
    EXPECT_EQ(std::fread(&c, 1, 1, f), 0u);
    std::fclose(f);
    EXPECT_EQ(ReadAll("map/1.mainmap"), "") << "a missing file is left behind empty";

    WriteAll("map/1.unit", "abcdef");
    f = OpenFileAlways(".\\map\\1.unit", true);
    ASSERT_NE(f, nullptr);
    std::fwrite("XY", 1, 2, f);
    std::fclose(f);
    EXPECT_EQ(ReadAll("map/1.unit"), "XYcdef") << "writing keeps the bytes beyond those written";
}

TEST_F(PlatformFilesTest, NothingOpensInAMissingFolder)
{
    EXPECT_EQ(OpenFileAlways(".\\nomap\\1.unit", true), nullptr);
    EXPECT_EQ(OpenFileAlways(".\\nomap\\1.unit", false), nullptr);
    EXPECT_FALSE(fs::exists("nomap")) << "the folder is not made";
    fs::create_directory("map");
    WriteAll("map/1.unit", "x");
    EXPECT_TRUE(FolderExists(".\\map"));
    EXPECT_FALSE(FolderExists(".\\nomap"));
    EXPECT_FALSE(FolderExists(".\\map\\1.unit")) << "a file is no folder";
}

TEST_F(PlatformFilesTest, ReplaceMovesTheFinishedFileIntoPlace)
{
    fs::create_directory("map");
    WriteAll("map/1.variables", "old contents");
    WriteAll("map/1.variables.tmp", "fresh");
    EXPECT_TRUE(ReplaceFileAtomically(".\\map\\1.variables.tmp", ".\\map\\1.variables"));
    EXPECT_EQ(ReadAll("map/1.variables"), "fresh");
    EXPECT_EQ(ReadAll("map/1.variables.tmp"), "<missing>");
    EXPECT_FALSE(ReplaceFileAtomically(".\\map\\1.variables.tmp", ".\\map\\1.variables"));
    EXPECT_EQ(ReadAll("map/1.variables"), "fresh");
}

TEST_F(PlatformFilesTest, StartedElsewhereTheGameMovesToItsOwnFolder)
{
    // The test executable stands in for the game: its folder has no data folders.
    fs::path exe_folder = fs::canonical("/proc/self/exe").parent_path();
    PlatformEnterGameDirectory(nullptr);
    EXPECT_EQ(fs::current_path(), exe_folder);
}

TEST_F(PlatformFilesTest, WithItsDataFoldersAroundTheGameStays)
{
    for (const char* d : {"bmp_cross", "bmp_unit", "bmp_land", "bmp_dungeon", "bmp_structure", "bmp_item", "sound"})
        fs::create_directory(d);
    PlatformEnterGameDirectory(nullptr);
    EXPECT_EQ(fs::current_path(), fs::canonical(scratch_));

    // One of them missing is not a game folder.
    fs::remove("sound");
    PlatformEnterGameDirectory(nullptr);
    EXPECT_NE(fs::current_path(), fs::canonical(scratch_));
}
} // namespace
