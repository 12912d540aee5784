// Helpers shared by the drawing and text tests: a fresh 640 x 480 buffer and
// the set of pixels that have been drawn on.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>
#include <utility>

#include "gfx/draw.h"
#include "platform/headless/headless.h"

using PixelSet = std::set<std::pair<int, int>>;

inline PixelSet LitPixels(const uint8_t* buffer)
{
    PixelSet lit;
    for (int y = 0; y < ScreenHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x)
            if (buffer[(static_cast<size_t>(y) * ScreenWidth + x) * 4 + 3] != 0)
                lit.insert({x, y});
    return lit;
}

inline std::array<uint8_t, 4> PixelAt(const uint8_t* buffer, int x, int y)
{
    std::array<uint8_t, 4> p;
    std::memcpy(p.data(), buffer + (static_cast<size_t>(y) * ScreenWidth + x) * 4, 4);
    return p;
}

inline PixelSet Shifted(const PixelSet& s, int dx, int dy)
{
    PixelSet out;
    for (auto [x, y] : s)
        out.insert({x + dx, y + dy});
    return out;
}

class GfxTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        HeadlessReset();
        SetScreenSize(640, 480);
        std::memset(ScreenBuffer, 0, static_cast<size_t>(ScreenWidth) * ScreenHeight * 4);
        std::memset(LayerBuffer, 0, static_cast<size_t>(ScreenWidth) * ScreenHeight * 4);
    }
    void TearDown() override
    {
        FreeScreenBuffers();
        ScreenWidth = 640;
        ScreenHeight = 480;
    }
    PixelSet Lit() const { return LitPixels(ScreenBuffer); }
    void ClearBuffer() { std::memset(ScreenBuffer, 0, static_cast<size_t>(ScreenWidth) * ScreenHeight * 4); }
};
