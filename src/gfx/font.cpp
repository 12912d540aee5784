#include "gfx/font.h"

#include <cstring>

#include "gfx/draw.h"

char TextBuffer[256] = {};

// Pen state of the last text drawn, shared by both fonts.
static int64_t TextPenX = 0;
static int32_t TextIndex = 0;
static int32_t GlyphWidth = 0;

// Codes without a glyph still take the room of an ordinary character.
constexpr int32_t SMALL_MISSING_ADVANCE = 3;
constexpr int32_t LARGE_ADVANCE = 8;

// TextBuffer may have lost its terminator to a careless caller: never read past its end.
static int32_t TextLength() { return static_cast<int32_t>(strnlen(TextBuffer, sizeof TextBuffer)); }

// The pen and the rows are 64-bit so that text placed near the ends of the
// coordinate range clips instead of overflowing.
static void PlotText(int64_t x, int64_t y, uint8_t r, uint8_t g, uint8_t b)
{
    if (x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight)
        return;
    PutPixel(static_cast<int32_t>(x), static_cast<int32_t>(y), r, g, b);
}

// Bytes of 128 and up are negative as signed chars and have no glyph.
static const char* LookUpGlyph(const char* const* table, int32_t table_size, char ch)
{
    int32_t code = static_cast<signed char>(ch);
    if (code < 0 || code >= table_size)
        return nullptr;
    return table[code];
}

void DrawText(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b)
{
    TextPenX = x;
    TextIndex = 0;
    while (TextIndex < TextLength()) {
        const char* glyph = LookUpGlyph(SmallFont, 128, TextBuffer[TextIndex]);
        if (!glyph) {
            TextPenX += SMALL_MISSING_ADVANCE;
            TextIndex += 1;
            continue;
        }
        GlyphWidth = glyph[0] - '0';
        for (int32_t n = 1; n <= 9; ++n)
            for (int32_t c = 0; c < GlyphWidth; ++c)
                if (glyph[8 * n + c] != '0')
                    PlotText(TextPenX + c, static_cast<int64_t>(y) - n + 2, r, g, b);
        TextPenX += GlyphWidth + 1;
        TextIndex += 1;
    }
}

void DrawLargeText(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b)
{
    TextPenX = x;
    TextIndex = 0;
    GlyphWidth = LARGE_ADVANCE;
    while (TextIndex < TextLength()) {
        const char* glyph = LookUpGlyph(LargeFont, 256, TextBuffer[TextIndex]);
        if (glyph)
            for (int32_t n = 1; n <= 12; ++n)
                for (int32_t c = 0; c < 8; ++c)
                    if (glyph[10 * n + c] != '0')
                        PlotText(TextPenX + c, static_cast<int64_t>(y) - n, r, g, b);
        TextPenX += LARGE_ADVANCE;
        TextIndex += 1;
    }
}
