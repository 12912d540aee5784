// The input flags, the pointer in buffer pixels and the view keys, on the
// headless backend.
#include <gtest/gtest.h>

#include <cstring>

#include "app/input.h"
#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "world/grid.h"

namespace
{
class InputTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        HeadlessReset();
        SetScreenSize(640, 480);
        WorldSide = 1024;
        LayerCells = WorldSide * WorldSide;
        WorldLayers = 3;
        ClearInputFlags();
    }
    void TearDown() override
    {
        ClearInputFlags();
        DestroyGameWindow();
        FreeScreenBuffers();
    }
    // A window of the given zoom at screen position (x, y).
    static void OpenWindow(int32_t zoom, int32_t x = 0, int32_t y = 0)
    {
        ASSERT_TRUE(CreateGameWindow("GAMEVRAK", 640 * zoom, 480 * zoom, 16));
        MoveGameWindow(x, y, 640 * zoom, 480 * zoom);
    }
    static void PointAt(int32_t x, int32_t y) { HeadlessSetScreenPointer(x, y); }
};

TEST_F(InputTest, PointerAtTheEdgesOfAZoom2Window)
{
    OpenWindow(2);
    PointAt(0, 480);
    EXPECT_EQ(GetMouseX(), 0) << "left edge";
    PointAt(1280, 480);
    EXPECT_EQ(GetMouseX(), 639) << "right edge";
    PointAt(1279, 480);
    EXPECT_EQ(GetMouseX(), 639) << "last column of the window";
    PointAt(1, 480);
    EXPECT_EQ(GetMouseX(), 0) << "half a buffer pixel truncates";
    PointAt(200, 480);
    EXPECT_EQ(GetMouseX(), 100) << "200 window pixels at zoom 2";
    PointAt(-40, 480);
    EXPECT_EQ(GetMouseX(), 0) << "left of the window";
    PointAt(5000, 480);
    EXPECT_EQ(GetMouseX(), 639) << "right of the window";

    PointAt(640, 960);
    EXPECT_EQ(GetMouseY(), 0) << "bottom edge";
    PointAt(640, 959);
    EXPECT_EQ(GetMouseY(), 0) << "bottom row";
    PointAt(640, 958);
    EXPECT_EQ(GetMouseY(), 1) << "second row from the bottom";
    PointAt(640, 0);
    EXPECT_EQ(GetMouseY(), 479) << "top edge";
    PointAt(640, 3000);
    EXPECT_EQ(GetMouseY(), 0) << "below the window";
    PointAt(640, -25);
    EXPECT_EQ(GetMouseY(), 479) << "above the window";
    PointAt(640, 960 - 200);
    EXPECT_EQ(GetMouseY(), 100) << "counted upwards from the bottom";
}

TEST_F(InputTest, PointerInAMovedZoom1Window)
{
    OpenWindow(1, 100, 50);
    PointAt(100, 530);
    EXPECT_EQ(GetMouseX(), 0);
    EXPECT_EQ(GetMouseY(), 0);
    PointAt(740, 50);
    EXPECT_EQ(GetMouseX(), 639);
    EXPECT_EQ(GetMouseY(), 479);
    PointAt(100 + 321, 530 - 77);
    EXPECT_EQ(GetMouseX(), 321);
    EXPECT_EQ(GetMouseY(), 77);
    PointAt(99, 531);
    EXPECT_EQ(GetMouseX(), 0) << "one pixel left of the window";
    EXPECT_EQ(GetMouseY(), 0) << "one pixel below the window";
}

TEST_F(InputTest, MappingIsInSinglePrecision)
{
    // 63 / 480 x 480 is just below 63 in single precision and 123 / 480 x 480
    // just above 122 in double: each offset tells the two apart.
    OpenWindow(1);
    PointAt(0, 480 - 63);
    EXPECT_EQ(GetMouseY(), 62);
    PointAt(0, 480 - 123);
    EXPECT_EQ(GetMouseY(), 123);
    PointAt(0, 480 - 125);
    EXPECT_EQ(GetMouseY(), 124);
}

TEST_F(InputTest, PointerMovesThroughTheBufferWithoutGoingBack)
{
    for (int32_t zoom = 1; zoom <= 2; ++zoom) {
        OpenWindow(zoom);
        int32_t last = 0;
        for (int32_t x = -3; x < 640 * zoom + 3; ++x) {
            PointAt(x, 0);
            int32_t v = GetMouseX();
            ASSERT_GE(v, last) << "zoom " << zoom << " x " << x;
            ASSERT_LE(v, last + 1) << "zoom " << zoom << " x " << x;
            last = v;
        }
        EXPECT_EQ(last, 639);
        last = 0;
        for (int32_t y = 480 * zoom + 3; y >= -3; --y) {
            PointAt(0, y);
            int32_t v = GetMouseY();
            ASSERT_GE(v, last) << "zoom " << zoom << " y " << y;
            ASSERT_LE(v, last + 2) << "zoom " << zoom << " y " << y;
            last = v;
        }
        EXPECT_EQ(last, 479);
        DestroyGameWindow();
    }
}

TEST_F(InputTest, EventsRaiseFlagsUntilTheClear)
{
    OnKeyDownEvent(KEY_F5);
    OnKeyDownEvent(KEY_LEFT_BRACKET);
    OnMouseMoveEvent();
    OnLeftButtonEvent();
    EXPECT_TRUE(IsKeyDown(KEY_F5));
    EXPECT_TRUE(IsKeyDown(KEY_LEFT_BRACKET));
    EXPECT_FALSE(IsKeyDown(KEY_F6));
    EXPECT_EQ(MouseMoved, 1);
    EXPECT_EQ(LeftClick, 1);
    EXPECT_EQ(RightClick, 0);
    OnRightButtonEvent();
    EXPECT_EQ(RightClick, 1);

    ClearInputFlags();
    EXPECT_FALSE(IsKeyDown(KEY_F5));
    EXPECT_FALSE(IsKeyDown(KEY_LEFT_BRACKET));
    EXPECT_EQ(MouseMoved, 0);
    EXPECT_EQ(LeftClick, 0);
    EXPECT_EQ(RightClick, 0);
    for (int32_t k = 0; k < 256; ++k)
        ASSERT_EQ(KeyState[k], 0) << k;
}

TEST_F(InputTest, CodesOutsideTheTableAreIgnored)
{
    int32_t before[256];
    std::memcpy(before, KeyState, sizeof before);
    OnKeyDownEvent(-1);
    OnKeyDownEvent(256);
    OnKeyDownEvent(100000);
    EXPECT_EQ(std::memcmp(before, KeyState, sizeof before), 0);
    EXPECT_FALSE(IsKeyDown(-1));
    EXPECT_FALSE(IsKeyDown(256));
}

class ViewKeysTest : public InputTest
{
  protected:
    void SetView(int32_t x, int32_t y, int32_t layer)
    {
        ViewX = x;
        ViewY = y;
        ViewLayer = layer;
    }
    void Press(int32_t key) { OnKeyDownEvent(key); }
};

TEST_F(ViewKeysTest, ArrowsScrollOneCell)
{
    SetView(100, 200, 1);
    Press(KEY_UP);
    Press(KEY_RIGHT);
    HandleViewKeys();
    EXPECT_EQ(ViewX, 101);
    EXPECT_EQ(ViewY, 201);
    ClearInputFlags();
    Press(KEY_DOWN);
    Press(KEY_LEFT);
    HandleViewKeys();
    EXPECT_EQ(ViewX, 100);
    EXPECT_EQ(ViewY, 200);
    ClearInputFlags();
    Press(KEY_UP);
    Press(KEY_DOWN);
    HandleViewKeys();
    EXPECT_EQ(ViewY, 200) << "opposite keys cancel";
    EXPECT_EQ(HeadlessClock(), 1000000000.0) << "arrows do not pause";
}

TEST_F(ViewKeysTest, ScrollingStopsAtTheWorldEdges)
{
    SetView(984, 994, 1);
    for (int i = 0; i < 50; ++i) {
        Press(KEY_UP);
        Press(KEY_RIGHT);
        HandleViewKeys();
        ClearInputFlags();
    }
    EXPECT_EQ(ViewX, 984);
    EXPECT_EQ(ViewY, 994);
    SetView(0, 0, 1);
    Press(KEY_DOWN);
    Press(KEY_LEFT);
    HandleViewKeys();
    EXPECT_EQ(ViewX, 0);
    EXPECT_EQ(ViewY, 0);
}

TEST_F(ViewKeysTest, ViewOutsideTheWorldIsPulledBackEvenWithoutKeys)
{
    SetView(5000, -7, 9);
    HandleViewKeys();
    EXPECT_EQ(ViewX, 984);
    EXPECT_EQ(ViewY, 0);
    EXPECT_EQ(ViewLayer, 2);
    SetView(-3, 4000, -2);
    HandleViewKeys();
    EXPECT_EQ(ViewX, 0);
    EXPECT_EQ(ViewY, 994);
    EXPECT_EQ(ViewLayer, 0);
}

TEST_F(ViewKeysTest, KeypadChangesTheLayerAfterAPause)
{
    SetView(10, 10, 1);
    Press(KEY_KEYPAD_PLUS);
    HandleViewKeys();
    EXPECT_EQ(ViewLayer, 2);
    EXPECT_NEAR(HeadlessClock() - 1000000000.0, 0.38, 1e-6);
    ClearInputFlags();

    Press(KEY_KEYPAD_PLUS);
    HandleViewKeys();
    EXPECT_EQ(ViewLayer, 2) << "the top layer is the last";
    EXPECT_NEAR(HeadlessClock() - 1000000000.0, 0.76, 1e-6) << "the pause comes even at the top";
    ClearInputFlags();

    SetView(10, 10, 0);
    Press(KEY_KEYPAD_MINUS);
    HandleViewKeys();
    EXPECT_EQ(ViewLayer, 0);
    ClearInputFlags();

    SetView(10, 10, 1);
    Press(KEY_KEYPAD_PLUS);
    Press(KEY_KEYPAD_MINUS);
    double before = HeadlessClock();
    HandleViewKeys();
    EXPECT_EQ(ViewLayer, 1);
    EXPECT_NEAR(HeadlessClock() - before, 0.76, 1e-6) << "one pause for each key";
}

TEST_F(ViewKeysTest, ClampFollowsTheScreenSize)
{
    SetScreenSize(320, 240);
    SetView(2000, 2000, 1);
    HandleViewKeys();
    EXPECT_EQ(ViewX, 1024 - 320 / 16);
    EXPECT_EQ(ViewY, 1024 - 240 / 16);
}
} // namespace
