#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "app/input.h"
#include "app/random.h"
#include "app/shell.h"
#include "gfx/draw.h"
#include "gfx_test_util.h"

using GfxDraw = GfxTest;

TEST_F(GfxDraw, PutPixelWritesInsideAndDropsOutside)
{
    PutPixel(0, 0, 10, 20, 30);
    EXPECT_EQ(ScreenBuffer[0], 10);
    EXPECT_EQ(ScreenBuffer[1], 20);
    EXPECT_EQ(ScreenBuffer[2], 30);
    EXPECT_EQ(ScreenBuffer[3], 255);
    PutPixel(639, 479, 1, 2, 3);
    const uint8_t* last = ScreenBuffer + (640 * 480 - 1) * 4;
    EXPECT_EQ((std::array<uint8_t, 4>{last[0], last[1], last[2], last[3]}), (std::array<uint8_t, 4>{1, 2, 3, 255}));
    // Row 1 starts 640 pixels in: y grows upwards from the bottom row.
    PutPixel(3, 1, 7, 7, 7);
    EXPECT_EQ(ScreenBuffer[(640 + 3) * 4], 7);

    for (auto [x, y] : {std::pair{640, 0}, {0, 480}, {-1, 0}, {0, -1}, {INT_MAX, 0}, {INT_MIN, INT_MIN}})
        PutPixel(x, y, 99, 99, 99);
    EXPECT_EQ(Lit(), (PixelSet{{0, 0}, {639, 479}, {3, 1}}));
}

TEST_F(GfxDraw, PutLayerPixelWritesTheLayerBufferOnly)
{
    PutLayerPixel(5, 6, 1, 2, 3);
    PutLayerPixel(640, 6, 1, 2, 3);
    EXPECT_TRUE(Lit().empty());
    EXPECT_EQ(LitPixels(LayerBuffer), (PixelSet{{5, 6}}));
    EXPECT_EQ(PixelAt(LayerBuffer, 5, 6), (std::array<uint8_t, 4>{1, 2, 3, 255}));
}

TEST_F(GfxDraw, SetScreenSizeReplacesBothBuffers)
{
    SetScreenSize(32, 16);
    ASSERT_NE(ScreenBuffer, nullptr);
    ASSERT_NE(LayerBuffer, nullptr);
    EXPECT_EQ(ScreenWidth, 32);
    EXPECT_EQ(ScreenHeight, 16);
    PutPixel(31, 15, 1, 1, 1);
    PutPixel(32, 0, 1, 1, 1);
    EXPECT_EQ(LitPixels(ScreenBuffer), (PixelSet{{31, 15}}));
    // Nonsense sizes leave no buffers, and drawing on them is harmless.
    SetScreenSize(-5, 10);
    EXPECT_EQ(ScreenBuffer, nullptr);
    PutPixel(0, 0, 1, 1, 1);
    DrawLine(0, 0, 10, 10, 1, 1, 1);
    ClearScreen();
    RunScreenSaver();
}

// Worked by hand from the stepping rule: err starts at the minor delta and
// only a strictly greater error moves the minor axis.
TEST_F(GfxDraw, LineStepsExactlyAsWorkedByHand)
{
    DrawLine(0, 0, 10, 5, 255, 0, 0);
    EXPECT_EQ(Lit(),
              (PixelSet{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}, {8, 4}, {9, 4}, {10, 5}}));
    EXPECT_EQ(PixelAt(ScreenBuffer, 10, 5), (std::array<uint8_t, 4>{255, 0, 0, 255}));

    // The same ends the other way round step differently.
    ClearBuffer();
    DrawLine(10, 5, 0, 0, 255, 0, 0);
    EXPECT_EQ(Lit(),
              (PixelSet{{10, 5}, {9, 5}, {8, 4}, {7, 4}, {6, 3}, {5, 3}, {4, 2}, {3, 2}, {2, 1}, {1, 1}, {0, 0}}));

    ClearBuffer();
    DrawLine(0, 0, 2, 5, 1, 1, 1);
    EXPECT_EQ(Lit(), (PixelSet{{0, 0}, {0, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 5}}));

    ClearBuffer();
    DrawLine(20, 20, 23, 17, 1, 1, 1);
    EXPECT_EQ(Lit(), (PixelSet{{20, 20}, {21, 19}, {22, 18}, {23, 17}}));

    ClearBuffer();
    DrawLine(3, 7, 0, 7, 1, 1, 1);
    EXPECT_EQ(Lit(), (PixelSet{{0, 7}, {1, 7}, {2, 7}, {3, 7}}));

    ClearBuffer();
    DrawLine(50, 60, 50, 60, 1, 1, 1);
    EXPECT_EQ(Lit(), (PixelSet{{50, 60}}));
}

TEST_F(GfxDraw, LineLeavingTheBufferIsCutPixelByPixelWithoutWrapping)
{
    DrawLine(630, 10, 650, 10, 1, 1, 1);
    PixelSet expected;
    for (int x = 630; x < 640; ++x)
        expected.insert({x, 10});
    EXPECT_EQ(Lit(), expected);

    ClearBuffer();
    DrawLine(-5, -5, 5, 5, 1, 1, 1);
    EXPECT_EQ(Lit(), (PixelSet{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}));

    ClearBuffer();
    DrawLine(5, 470, 5, 600, 1, 1, 1);
    EXPECT_EQ(Lit().size(), 10u);
}

TEST_F(GfxDraw, CursorCrossIsAPlusWithArmsOfFive)
{
    HeadlessSetPointer(100, 50);
    ASSERT_EQ(GetMouseX(), 100);
    ASSERT_EQ(GetMouseY(), 50);
    DrawCursorCross();
    PixelSet expected;
    for (int k = 0; k <= 5; ++k)
        expected.insert({{100 + k, 50}, {100 - k, 50}, {100, 50 + k}, {100, 50 - k}});
    EXPECT_EQ(Lit(), expected);
    EXPECT_EQ(PixelAt(ScreenBuffer, 95, 50), (std::array<uint8_t, 4>{255, 255, 255, 255}));
}

TEST_F(GfxDraw, ClearScreenZeroesEveryByteIncludingAlpha)
{
    std::memset(ScreenBuffer, 0xAB, 640 * 480 * 4);
    ClearScreen();
    std::vector<uint8_t> zero(640 * 480 * 4, 0);
    EXPECT_EQ(std::memcmp(ScreenBuffer, zero.data(), zero.size()), 0);
}

class GfxTrig : public GfxTest
{
  protected:
    void SetUp() override
    {
        GfxTest::SetUp();
        FreeTrigTables(); // no entry computed yet
        BuildTrigTables();
        ASSERT_NE(SinTable, nullptr);
        ASSERT_NE(CosTable, nullptr);
    }
    static void TearDownTestSuite() { FreeTrigTables(); }
};

// Entries are computed as circles read them: the circles, and every entry they
// computed, are those of tables filled whole the plain way.
TEST_F(GfxTrig, CirclesAreThoseOfTheTablesFilledWhole)
{
    std::vector<float> sin_plain(3600000), cos_plain(3600000);
    for (int32_t i = 0; i < 3600000; ++i) {
        double a = static_cast<double>(i) * 0.017453292516666667 / 1000.0;
        sin_plain[i] = static_cast<float>(std::sin(a));
        cos_plain[i] = static_cast<float>(std::cos(a));
    }
    auto draw = [] {
        for (auto [cx, cy, r] : {std::array{320.0, 240.0, 128.0},
                                 {100.5, 50.25, 7.3},
                                 {10.0, 470.0, 0.4},
                                 {50.0, 50.0, 10.0},
                                 {320.0, 10099.0, 9999.0},
                                 {600.0, 30.0, 1000.0}})
            DrawLayerCircle(cx, cy, r, 1, 2, 3);
    };
    draw();
    std::vector<uint8_t> computed_as_read(LayerBuffer, LayerBuffer + 640 * 480 * 4);
    std::memset(LayerBuffer, 0, 640 * 480 * 4);
    float* lazy[2] = {SinTable, CosTable};
    SinTable = sin_plain.data();
    CosTable = cos_plain.data();
    draw();
    SinTable = lazy[0];
    CosTable = lazy[1];
    EXPECT_EQ(std::memcmp(LayerBuffer, computed_as_read.data(), computed_as_read.size()), 0);
    size_t computed = 0, mismatch = 0;
    for (int32_t i = 0; i < 3600000; ++i) {
        if (SinTable[i] == 0.0f && CosTable[i] == 0.0f)
            continue;
        computed += 1;
        mismatch += std::memcmp(&sin_plain[i], &SinTable[i], 4) != 0 || std::memcmp(&cos_plain[i], &CosTable[i], 4);
    }
    EXPECT_EQ(mismatch, 0u);
    EXPECT_GT(computed, 2000u);
    EXPECT_LT(computed, 100000u) << "only the entries read are computed";
    // Thousandths of a degree, pi a little short: the quarter turn rounds to 1 in a float.
    EXPECT_EQ(SinTable[90000], 1.0f);
    EXPECT_EQ(CosTable[0], 1.0f);
    EXPECT_EQ(CosTable[180000], -1.0f);
    EXPECT_GT(SinTable[180000], 0.0f);
}

TEST_F(GfxTrig, CircleWithoutTablesDrawsNothing)
{
    FreeTrigTables();
    DrawLayerCircle(100, 100, 10, 1, 1, 1);
    EXPECT_TRUE(LitPixels(LayerBuffer).empty());
}

TEST_F(GfxTrig, CircleOfZeroOrNegativeRadiusIsItsTruncatedCentre)
{
    DrawLayerCircle(100.7, 50.9, 0.0, 9, 8, 7);
    EXPECT_EQ(LitPixels(LayerBuffer), (PixelSet{{100, 50}}));
    EXPECT_EQ(PixelAt(LayerBuffer, 100, 50), (std::array<uint8_t, 4>{9, 8, 7, 255}));
    EXPECT_TRUE(Lit().empty());

    std::memset(LayerBuffer, 0, 640 * 480 * 4);
    DrawLayerCircle(20, 30, -5.0, 1, 1, 1);
    EXPECT_EQ(LitPixels(LayerBuffer), (PixelSet{{20, 30}}));

    std::memset(LayerBuffer, 0, 640 * 480 * 4);
    DrawLayerCircle(20, 30, std::nan(""), 1, 1, 1);
    EXPECT_EQ(LitPixels(LayerBuffer), (PixelSet{{20, 30}}));
    // Centres no buffer can reach draw nothing rather than overflow.
    std::memset(LayerBuffer, 0, 640 * 480 * 4);
    DrawLayerCircle(1e300, 30, 10, 1, 1, 1);
    DrawLayerCircle(30, -1e300, 10, 1, 1, 1);
    DrawLayerCircle(std::nan(""), 30, 10, 1, 1, 1);
    EXPECT_TRUE(LitPixels(LayerBuffer).empty());
}

TEST_F(GfxTrig, CircleRunsFromTheBottomOverTheRightAndIsMirrored)
{
    // Radius 10: a step of exactly 5 degrees, 37 angles from 0 to 180.
    DrawLayerCircle(50, 50, 10, 1, 2, 3);
    PixelSet lit = LitPixels(LayerBuffer);
    EXPECT_TRUE(lit.count({50, 40})); // angle 0
    EXPECT_TRUE(lit.count({60, 50})); // angle 90, right
    EXPECT_TRUE(lit.count({40, 50})); // its mirror
    EXPECT_TRUE(lit.count({50, 60})); // angle 180
    for (auto [x, y] : lit) {
        EXPECT_TRUE(lit.count({100 - x, y})) << x << "," << y;
        double d = std::hypot(x - 50, y - 50);
        EXPECT_LE(d, 10.0) << x << "," << y; // offsets are truncated towards the centre
        EXPECT_GE(d, 8.0) << x << "," << y;
    }
}

TEST_F(GfxTrig, CircleRadiusIsCappedAt9999)
{
    // The bottom of a radius-9999 circle lands on row 100; an uncapped 20000 would miss the buffer.
    DrawLayerCircle(320, 10099, 20000, 5, 5, 5);
    std::vector<uint8_t> capped(LayerBuffer, LayerBuffer + 640 * 480 * 4);
    EXPECT_TRUE(LitPixels(LayerBuffer).count({320, 100}));
    std::memset(LayerBuffer, 0, 640 * 480 * 4);
    DrawLayerCircle(320, 10099, 9999, 5, 5, 5);
    EXPECT_EQ(std::memcmp(LayerBuffer, capped.data(), capped.size()), 0);
}

TEST_F(GfxTrig, ScreenSaverRefreshesEveryFiftyFramesAndCopiesEveryFrame)
{
    int32_t saved_frame = FrameCounter;
    FrameCounter = 100;
    Srand(1);
    RunScreenSaver();
    // Seed 1 yields 41 and 18467 first: the bottom row is filled left to right.
    EXPECT_EQ(PixelAt(LayerBuffer, 0, 0), (std::array<uint8_t, 4>{0, 0, 41, 255}));
    EXPECT_EQ(PixelAt(LayerBuffer, 1, 0), (std::array<uint8_t, 4>{0, 0, 18467 % 255, 255}));

    // One number per pixel, then blue, green, red, centre y, centre x of each circle.
    Srand(1);
    for (int i = 0; i < 640 * 480 + 15; ++i)
        Rand();
    int b = Rand() % 255, g = Rand() % 255, r = Rand() % 255;
    int cy = Rand() % 480, cx = Rand() % 640;
    uint32_t state_after = RandState;
    Srand(1);
    RunScreenSaver();
    EXPECT_EQ(RandState, state_after);
    // The last circle's bottom, or else its top: 128 / 50 degrees steps stop at 179.6875, 127 up.
    int edge_y = cy >= 128 ? cy - 128 : cy + 127;
    EXPECT_EQ(PixelAt(LayerBuffer, cx, edge_y), (std::array<uint8_t, 4>{uint8_t(r), uint8_t(g), uint8_t(b), 255}));
    EXPECT_EQ(std::memcmp(ScreenBuffer, LayerBuffer, 640 * 480 * 4), 0);

    // Between refreshes the layer is only copied, alpha forced to 255.
    FrameCounter = 101;
    std::memset(LayerBuffer, 0, 640 * 480 * 4);
    std::memset(ScreenBuffer, 0, 640 * 480 * 4);
    std::memcpy(LayerBuffer + (5 * 640 + 5) * 4, "\x01\x02\x03\x00", 4);
    RunScreenSaver();
    EXPECT_EQ(RandState, state_after);
    EXPECT_EQ(PixelAt(ScreenBuffer, 5, 5), (std::array<uint8_t, 4>{1, 2, 3, 255}));
    EXPECT_EQ(PixelAt(ScreenBuffer, 6, 5), (std::array<uint8_t, 4>{0, 0, 0, 255}));
    FrameCounter = saved_frame;
}
