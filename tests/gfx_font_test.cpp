#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "gfx/font.h"
#include "gfx_test_util.h"

namespace
{

// The SmallFont width table.
const char* const SMALL_WIDTHS[8] = {
    nullptr,       ":il",     "!'(),;=[]fjr", "\"$%+-.0123456789<>?^_ABCDEFGHIKLPSTUVYbcdeghknopqstuvxyz",
    "&/JNOQRZ\\a", "#*MWXmw", nullptr,        "@",
};

int SmallWidthOf(char ch)
{
    for (int w = 1; w < 8; ++w)
        if (SMALL_WIDTHS[w] && ch != 0 && std::strchr(SMALL_WIDTHS[w], ch))
            return w;
    return 0;
}

// First and last glyph rows holding a pixel; {0, 0} for an empty glyph.
std::pair<int, int> UsedRows(const char* glyph, int row_len, int first_row, int last_row, int columns)
{
    int top = 0, bottom = 0;
    for (int n = first_row; n <= last_row; ++n)
        for (int c = 0; c < columns; ++c)
            if (glyph[row_len * n + c] == '1') {
                if (!top)
                    top = n;
                bottom = n;
            }
    return {top, bottom};
}

void SetText(const std::string& text)
{
    ASSERT_LT(text.size(), sizeof TextBuffer);
    std::memcpy(TextBuffer, text.c_str(), text.size() + 1);
}

// 'A' of the SmallFont drawn at (x, y), worked out by hand: rows 3 to 7 land on lines y - 1 to y - 5.
PixelSet SmallA(int x, int y)
{
    return {{x + 1, y - 1}, {x, y - 2}, {x + 2, y - 2}, {x, y - 3}, {x + 1, y - 3},
            {x + 2, y - 3}, {x, y - 4}, {x + 2, y - 4}, {x, y - 5}, {x + 2, y - 5}};
}

// 'A' of the LargeFont at (x, y): rows 2 to 10 on lines y - 2 to y - 10.
PixelSet LargeA(int x, int y)
{
    PixelSet s{{x + 2, y - 2}, {x + 3, y - 2}, {x + 1, y - 3}, {x + 2, y - 3}, {x + 3, y - 3}, {x + 4, y - 3}};
    for (int line : {y - 4, y - 5, y - 6, y - 8, y - 9, y - 10})
        s.insert({{x, line}, {x + 1, line}, {x + 4, line}, {x + 5, line}});
    for (int c = 0; c < 6; ++c)
        s.insert({x + c, y - 7});
    return s;
}

PixelSet RightOf(const PixelSet& s, int x)
{
    PixelSet out;
    for (auto p : s)
        if (p.first >= x)
            out.insert(p);
    return out;
}

} // namespace

TEST(SmallFontTable, WidthsFollowTheWidthTable)
{
    for (int code = 33; code < 123; ++code) {
        if (code == 96)
            continue;
        const char* glyph = SmallFont[code];
        ASSERT_NE(glyph, nullptr) << code;
        int w = SmallWidthOf(static_cast<char>(code));
        ASSERT_NE(w, 0) << "not in the width table: " << static_cast<char>(code);
        EXPECT_EQ(glyph[0] - '0', w) << static_cast<char>(code);
    }
}

TEST(SmallFontTable, BlankGlyphCoversControlsSpaceAndTheLastFive)
{
    const std::string blank = "28000000" + std::string(72, '0');
    for (int code = 0; code < 128; ++code) {
        if (code > 32 && code < 123)
            continue;
        ASSERT_NE(SmallFont[code], nullptr) << code;
        EXPECT_EQ(std::string(SmallFont[code]), blank) << code;
    }
    EXPECT_EQ(SmallFont[96], nullptr);
}

TEST(SmallFontTable, GlyphStringsKeepTheirCell)
{
    for (int code = 33; code < 123; ++code) {
        if (code == 96)
            continue;
        const char* glyph = SmallFont[code];
        SCOPED_TRACE(std::string(1, static_cast<char>(code)));
        ASSERT_EQ(std::strlen(glyph), 88u);
        int w = glyph[0] - '0';
        EXPECT_EQ(glyph[1], code == '_' ? '7' : '8');
        EXPECT_EQ(std::string(glyph + 2, 6), "000000");
        int drawn = 0;
        for (int i = 8; i < 88; ++i) {
            ASSERT_TRUE(glyph[i] == '0' || glyph[i] == '1') << i;
            int row = i / 8, col = i % 8;
            if (glyph[i] == '1' && row <= 9) {
                EXPECT_LT(col, w) << "pixel outside the glyph's width, row " << row;
                ++drawn;
            }
            if (row == 10 && code != 'y') {
                EXPECT_EQ(glyph[i], '0');
            }
        }
        EXPECT_GT(drawn, 0);
    }
    EXPECT_NE(std::string(SmallFont['y'] + 80, 8).find('1'), std::string::npos);
}

TEST(SmallFontTable, CapitalsSmallLettersAndDescendersUseTheirRows)
{
    for (char ch = 'A'; ch <= 'Z'; ++ch)
        EXPECT_EQ(UsedRows(SmallFont[int(ch)], 8, 1, 10, 8), std::make_pair(3, 7)) << ch;
    for (char ch : std::string("acemnorsuvwxz"))
        EXPECT_EQ(UsedRows(SmallFont[int(ch)], 8, 1, 10, 8), std::make_pair(5, 7)) << ch;
    for (char ch : std::string("gpq"))
        EXPECT_EQ(UsedRows(SmallFont[int(ch)], 8, 1, 10, 8), std::make_pair(5, 9)) << ch;
    EXPECT_EQ(UsedRows(SmallFont[int('y')], 8, 1, 9, 8), std::make_pair(5, 9));
}

TEST(SmallFontTable, CapitalAIsExact)
{
    EXPECT_EQ(std::string(SmallFont[int('A')]), std::string("38000000"
                                                            "00000000"
                                                            "00000000"
                                                            "01000000"
                                                            "10100000"
                                                            "11100000"
                                                            "10100000"
                                                            "10100000"
                                                            "00000000"
                                                            "00000000"
                                                            "00000000"));
}

TEST(LargeFontTable, PrintableCodesOnlyEachInAnEightByTwelveCell)
{
    for (int code = 0; code < 256; ++code) {
        const char* glyph = LargeFont[code];
        if (code < 32 || code > 126) {
            EXPECT_EQ(glyph, nullptr) << code;
            continue;
        }
        SCOPED_TRACE(std::string(1, static_cast<char>(code)));
        ASSERT_NE(glyph, nullptr);
        ASSERT_EQ(std::strlen(glyph), 130u);
        int drawn = 0;
        for (int i = 0; i < 130; ++i) {
            ASSERT_TRUE(glyph[i] == '0' || glyph[i] == '1') << i;
            if (i < 10 || i % 10 >= 8) {
                EXPECT_EQ(glyph[i], '0') << i;
            }
            drawn += glyph[i] == '1';
        }
        EXPECT_EQ(drawn == 0, code == ' ');
    }
}

TEST(LargeFontTable, CapitalsAndDescendersUseTheirRows)
{
    int reaching_row_11 = 0;
    for (char ch = 'A'; ch <= 'Z'; ++ch) {
        auto [top, bottom] = UsedRows(LargeFont[int(ch)], 10, 1, 12, 8);
        EXPECT_EQ(top, 2) << ch;
        EXPECT_TRUE(bottom == 10 || bottom == 11) << ch;
        reaching_row_11 += bottom == 11;
    }
    EXPECT_EQ(reaching_row_11, 1);
    for (char ch : std::string("gpqy"))
        EXPECT_EQ(UsedRows(LargeFont[int(ch)], 10, 1, 12, 8), std::make_pair(5, 12)) << ch;
}

TEST(LargeFontTable, CapitalAIsExact)
{
    std::string expected = std::string(20, '0') + "0011000000" + "0111100000" + "1100110000" + "1100110000" +
                           "1100110000" + "1111110000" + "1100110000" + "1100110000" + "1100110000" +
                           std::string(20, '0');
    EXPECT_EQ(std::string(LargeFont[int('A')]), expected);
}

using GfxText = GfxTest;

TEST_F(GfxText, EmptyTextDrawsNothing)
{
    SetText("");
    DrawText(10, 20, 1, 1, 1);
    DrawLargeText(10, 20, 1, 1, 1);
    EXPECT_TRUE(Lit().empty());
}

TEST_F(GfxText, SmallAStandsOnLineYMinusFive)
{
    SetText("A");
    DrawText(10, 20, 255, 255, 0);
    EXPECT_EQ(Lit(), SmallA(10, 20));
    EXPECT_EQ(PixelAt(ScreenBuffer, 11, 19), (std::array<uint8_t, 4>{255, 255, 0, 255}));
}

TEST_F(GfxText, SmallPenAdvancesByWidthPlusOne)
{
    SetText("i:A");
    DrawText(10, 20, 1, 1, 1);
    PixelSet lit = Lit();
    EXPECT_EQ(RightOf(lit, 14), SmallA(14, 20));
    for (auto [x, y] : lit)
        EXPECT_TRUE(x == 10 || x == 12 || x >= 14) << x;

    ClearBuffer();
    SetText("@A");
    DrawText(10, 20, 1, 1, 1);
    EXPECT_EQ(RightOf(Lit(), 17), SmallA(18, 20));

    // Every drawn character, each checked by where an 'A' after it lands.
    for (int code = 33; code < 127; ++code) {
        if (code == 96)
            continue;
        int w = SmallWidthOf(static_cast<char>(code));
        if (w == 0)
            w = 2; // { | } ~ take the blank glyph
        ClearBuffer();
        SetText(std::string(1, static_cast<char>(code)) + "A");
        DrawText(100, 50, 1, 1, 1);
        EXPECT_EQ(RightOf(Lit(), 100 + w), SmallA(100 + w + 1, 50)) << static_cast<char>(code);
    }
}

TEST_F(GfxText, SmallBlanksAndCodesWithoutGlyphsDrawNothingAndAdvanceThree)
{
    for (std::string lead : {" ", "\n", "`", "\x80", "\xff", "{", "|", "}", "~", "\x7f"}) {
        ClearBuffer();
        SetText(lead + "A");
        DrawText(10, 20, 1, 1, 1);
        EXPECT_EQ(Lit(), SmallA(13, 20)) << int(static_cast<unsigned char>(lead[0]));
    }
    ClearBuffer();
    SetText("{|}~A");
    DrawText(10, 20, 1, 1, 1);
    EXPECT_EQ(Lit(), SmallA(22, 20));
}

TEST_F(GfxText, SmallTextClipsAtTheBottomAndRightEdges)
{
    // At y = 0 only glyph rows 1 and 2 could show; 'A' has none there.
    SetText("A");
    DrawText(10, 0, 1, 1, 1);
    EXPECT_TRUE(Lit().empty());
    DrawText(10, 4, 1, 1, 1);
    PixelSet visible;
    for (auto p : SmallA(10, 4))
        if (p.second >= 0)
            visible.insert(p);
    EXPECT_EQ(Lit(), visible);

    for (int code = 33; code < 127; ++code) {
        const char* glyph = SmallFont[code];
        if (!glyph)
            continue;
        ClearBuffer();
        SetText(std::string(1, static_cast<char>(code)));
        DrawText(10, 0, 1, 1, 1);
        size_t expected = 0;
        for (int i = 8; i < 24; ++i)
            expected += glyph[i] == '1' && i % 8 < glyph[0] - '0';
        PixelSet lit = Lit();
        EXPECT_EQ(lit.size(), expected) << static_cast<char>(code);
        for (auto [x, y] : lit)
            EXPECT_LE(y, 1);
    }

    ClearBuffer();
    SetText("AAAA");
    DrawText(632, 20, 1, 1, 1);
    PixelSet expected = SmallA(632, 20);
    for (auto p : SmallA(636, 20))
        expected.insert(p);
    EXPECT_EQ(Lit(), expected);
}

TEST_F(GfxText, LargeAHangsBelowYAndTheNextGlyphStartsEightOn)
{
    SetText("A");
    DrawLargeText(10, 50, 255, 255, 255);
    EXPECT_EQ(Lit(), LargeA(10, 50));

    ClearBuffer();
    SetText("B");
    DrawLargeText(18, 50, 1, 1, 1);
    PixelSet b = Lit();
    ClearBuffer();
    SetText("AB");
    DrawLargeText(10, 50, 1, 1, 1);
    PixelSet ab = Lit();
    EXPECT_EQ(RightOf(ab, 18), b);
    EXPECT_EQ(b.begin()->first, 18);
    PixelSet a_part;
    for (auto p : ab)
        if (p.first < 18)
            a_part.insert(p);
    EXPECT_EQ(a_part, LargeA(10, 50));
}

TEST_F(GfxText, LargePenAdvancesEightForEveryByte)
{
    for (int code = 1; code < 256; ++code) {
        ClearBuffer();
        SetText(std::string(1, static_cast<char>(code)) + "A");
        DrawLargeText(100, 50, 1, 1, 1);
        PixelSet lit = Lit();
        EXPECT_EQ(RightOf(lit, 108), LargeA(108, 50)) << code;
        if (!LargeFont[code] || code == ' ') {
            EXPECT_EQ(lit, LargeA(108, 50)) << code;
        }
    }
}

TEST_F(GfxText, UnterminatedBufferAndFarCoordinatesAreHarmless)
{
    std::memset(TextBuffer, 'A', sizeof TextBuffer);
    DrawText(0, 100, 1, 1, 1);
    EXPECT_EQ(RightOf(Lit(), 0).count({1, 99}), 1u);
    DrawLargeText(0, 200, 1, 1, 1);
    ClearBuffer();
    for (int32_t x : {INT_MAX, INT_MAX - 3, INT_MIN})
        for (int32_t y : {INT_MAX, INT_MIN, 20}) {
            DrawText(x, y, 1, 1, 1);
            DrawLargeText(x, y, 1, 1, 1);
        }
    EXPECT_TRUE(Lit().empty());
    TextBuffer[0] = 0;
}
