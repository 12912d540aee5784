// The headless backend: scripted delivery, the pointer a script asks for, the
// virtual clock, presented frames and the PNG files of the replay runner.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace
{
// A file name of its own: other builds may run the same test at the same time.
std::string TemporaryPath(const char* stem)
{
    std::random_device random;
    return (std::filesystem::temp_directory_path() / (std::string(stem) + "_" + std::to_string(random()))).string();
}

class HeadlessTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        HeadlessReset();
        SetScreenSize(640, 480);
        ClearInputFlags();
        QuitRequested = 0;
    }
    void TearDown() override
    {
        ClearInputFlags();
        QuitRequested = 0;
        DestroyGameWindow();
        FreeScreenBuffers();
    }
    // The message pump of one frame's end; the number of messages it handled.
    static int PumpRound()
    {
        int n = 0;
        while (PumpOneMessage())
            ++n;
        return n;
    }
    static void Queue(int32_t frame, HeadlessEventKind kind, int32_t a = 0, int32_t b = 0)
    {
        HeadlessQueue(HeadlessEvent{frame, kind, a, b});
    }
};

TEST_F(HeadlessTest, EventsOfFrameFArriveInThePumpAtTheEndOfFrameFMinus1)
{
    Queue(2, HEADLESS_KEY, KEY_F6);
    Queue(1, HEADLESS_KEY, KEY_ESCAPE);
    Queue(1, HEADLESS_LCLICK);
    Queue(0, HEADLESS_RCLICK);

    HeadlessDeliverFrame(0); // before the first frame
    EXPECT_EQ(RightClick, 1);
    EXPECT_FALSE(IsKeyDown(KEY_ESCAPE));
    ClearInputFlags();

    EXPECT_EQ(PumpRound(), 2) << "end of frame 0: the events of frame 1";
    EXPECT_TRUE(IsKeyDown(KEY_ESCAPE));
    EXPECT_EQ(LeftClick, 1);
    EXPECT_FALSE(IsKeyDown(KEY_F6));
    EXPECT_EQ(RightClick, 0) << "frame 0's events are not delivered twice";
    ClearInputFlags();

    EXPECT_EQ(PumpRound(), 1) << "end of frame 1: the events of frame 2";
    EXPECT_TRUE(IsKeyDown(KEY_F6));
    ClearInputFlags();

    EXPECT_EQ(PumpRound(), 0);
    EXPECT_EQ(PumpRound(), 0);
}

TEST_F(HeadlessTest, EventsOfOneFrameArriveInFileOrder)
{
    ASSERT_TRUE(CreateGameWindow("GAMEVRAK", 1280, 960, 16));
    Queue(1, HEADLESS_MOUSE, 10, 20);
    Queue(1, HEADLESS_MOUSE, 300, 400);
    Queue(3, HEADLESS_MOUSE, 5, 6);
    Queue(3, HEADLESS_MOUSE, 50, 60);
    Queue(3, HEADLESS_MOUSE, 7, 8);
    PumpRound();
    EXPECT_EQ(GetMouseX(), 300);
    EXPECT_EQ(GetMouseY(), 400);
    EXPECT_EQ(MouseMoved, 1);
    PumpRound();
    PumpRound();
    EXPECT_EQ(GetMouseX(), 7);
    EXPECT_EQ(GetMouseY(), 8);
}

TEST_F(HeadlessTest, ScriptedPointerReadsBackAsTheAskedPixel)
{
    for (int32_t zoom = 1; zoom <= 2; ++zoom) {
        ASSERT_TRUE(CreateGameWindow("GAMEVRAK", 640 * zoom, 480 * zoom, 16));
        for (int32_t x = 0; x < 640; ++x) {
            HeadlessSetPointer(x, 240);
            ASSERT_EQ(GetMouseX(), x) << "zoom " << zoom;
        }
        int32_t reached = 0;
        for (int32_t y = 0; y < 480; ++y) {
            HeadlessSetPointer(320, y);
            int32_t v = GetMouseY();
            // At zoom 1 a few rows cannot be reached by any pointer position
            // (single-precision mapping); the nearest row below is read then.
            ASSERT_TRUE(v == y || (zoom == 1 && v == y - 1)) << "zoom " << zoom << " y " << y << " read " << v;
            reached += v == y;
        }
        EXPECT_EQ(reached, zoom == 2 ? 480 : 475);
        DestroyGameWindow();
    }
}

TEST_F(HeadlessTest, PointerOutsideTheBufferIsClampedLikeARealOne)
{
    ASSERT_TRUE(CreateGameWindow("GAMEVRAK", 1280, 960, 16));
    HeadlessSetPointer(-30, 900);
    EXPECT_EQ(GetMouseX(), 0);
    EXPECT_EQ(GetMouseY(), 479);
    HeadlessSetPointer(700, -1);
    EXPECT_EQ(GetMouseX(), 639);
    EXPECT_EQ(GetMouseY(), 0);
}

TEST_F(HeadlessTest, PointerFollowsAMovedWindow)
{
    ASSERT_TRUE(CreateGameWindow("GAMEVRAK", 1280, 960, 16));
    MoveGameWindow(300, 200, 1280, 960);
    HeadlessSetPointer(17, 33);
    EXPECT_EQ(GetMouseX(), 17);
    EXPECT_EQ(GetMouseY(), 33);
    int32_t px = 0, py = 0;
    GetPointerPosition(&px, &py);
    EXPECT_EQ(px, 300 + 35);
    EXPECT_EQ(py, 200 + 960 - 67);
}

void CellMapper(int32_t cx, int32_t cy, int32_t* px, int32_t* py)
{
    *px = (cx - ViewX) * 16 + 8;
    *py = (cy - ViewY) * 16 + 8;
}

TEST_F(HeadlessTest, CellEventsUseTheViewAtDelivery)
{
    ASSERT_TRUE(CreateGameWindow("GAMEVRAK", 1280, 960, 16));
    HeadlessSetCellMapper(CellMapper);
    ViewX = 100;
    ViewY = 200;
    Queue(1, HEADLESS_CELL, 102, 205);
    Queue(2, HEADLESS_CELL, 102, 205);
    PumpRound();
    EXPECT_EQ(GetMouseX(), 40);
    EXPECT_EQ(GetMouseY(), 88);
    EXPECT_EQ(MouseMoved, 1);
    ViewX = 101; // the view scrolled during frame 1
    PumpRound();
    EXPECT_EQ(GetMouseX(), 24);
    EXPECT_EQ(GetMouseY(), 88);
    HeadlessSetCellMapper(nullptr);
}

TEST_F(HeadlessTest, SleepAdvancesTheVirtualClockWithoutWaiting)
{
    HeadlessReset(12345.5);
    EXPECT_EQ(PlatformTimeSeconds(), 12345u);
    PlatformSleep(499);
    EXPECT_EQ(PlatformTimeSeconds(), 12345u);
    PlatformSleep(1);
    EXPECT_EQ(PlatformTimeSeconds(), 12346u);
    PlatformSleep(100000);
    EXPECT_DOUBLE_EQ(HeadlessClock(), 12446.0);
    HeadlessAdvanceClock(1.0 / 60.0);
    EXPECT_EQ(PlatformTimeSeconds(), 12446u);
}

TEST_F(HeadlessTest, ClockSecondsWrapTo32Bits)
{
    HeadlessReset(4294967296.0 + 7.25);
    EXPECT_EQ(PlatformTimeSeconds(), 7u);
    HeadlessReset(-1.0);
    EXPECT_EQ(PlatformTimeSeconds(), 4294967295u);
}

TEST_F(HeadlessTest, PresentKeepsACopyOfTheFrame)
{
    ASSERT_TRUE(CreateGameWindow("GAMEVRAK", 1280, 960, 16));
    EXPECT_EQ(HeadlessPresentCount(), 0);
    ClearScreen();
    PutPixel(3, 4, 9, 8, 7);
    PresentScreen();
    PutPixel(3, 4, 1, 1, 1); // after presenting: not in the kept frame
    EXPECT_EQ(HeadlessPresentCount(), 1);
    int32_t w = 0, h = 0;
    HeadlessLastFrameSize(&w, &h);
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 480);
    const std::vector<uint8_t>& f = HeadlessLastFrame();
    ASSERT_EQ(f.size(), 640u * 480u * 4u);
    size_t at = (4 * 640 + 3) * 4;
    EXPECT_EQ(f[at + 0], 9);
    EXPECT_EQ(f[at + 1], 8);
    EXPECT_EQ(f[at + 2], 7);
    EXPECT_EQ(f[at + 3], 255);
}

TEST_F(HeadlessTest, PngHoldsThePictureTopRowFirstWithoutAlpha)
{
    // 3 x 2 buffer, row 0 at the bottom.
    const uint8_t rgba[] = {
        10, 11, 12, 255, 20, 21, 22, 0,   30, 31, 32, 255, // bottom row
        40, 41, 42, 255, 50, 51, 52, 255, 60, 61, 62, 7,   // top row
    };
    std::string path = TemporaryPath("gamevrak_headless_png_test") + ".png";
    ASSERT_TRUE(WritePng(path.c_str(), rgba, 3, 2));
    std::vector<uint8_t> rgb;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(ReadPng(path.c_str(), &rgb, &w, &h));
    std::remove(path.c_str());
    ASSERT_EQ(w, 3);
    ASSERT_EQ(h, 2);
    const std::vector<uint8_t> expected = {40, 41, 42, 50, 51, 52, 60, 61, 62, 10, 11, 12, 20, 21, 22, 30, 31, 32};
    EXPECT_EQ(rgb, expected);
}

TEST_F(HeadlessTest, UnwritableOrUnreadablePngFails)
{
    const uint8_t rgba[4] = {1, 2, 3, 255};
    EXPECT_FALSE(WritePng("/nonexistent-folder/x.png", rgba, 1, 1));
    EXPECT_FALSE(WritePng("/tmp/unused.png", nullptr, 1, 1));
    std::vector<uint8_t> rgb;
    int32_t w = 0, h = 0;
    EXPECT_FALSE(ReadPng("/nonexistent-folder/x.png", &rgb, &w, &h));
    std::string path = TemporaryPath("gamevrak_not_a_png") + ".png";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a png at all", f);
    std::fclose(f);
    EXPECT_FALSE(ReadPng(path.c_str(), &rgb, &w, &h));
    std::remove(path.c_str());
}
} // namespace
