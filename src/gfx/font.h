// The two bitmap fonts and the shared text line that callers format into.
#pragma once
#include <cstdint>

extern char TextBuffer[256];
extern const char* SmallFont[128]; // glyph strings of 11 rows of 8 (the blank stops after row 9); null for '`'
extern const char* LargeFont[256]; // glyph strings of 13 rows of 10 for codes 32 to 126, null elsewhere

// TextBuffer in the SmallFont; glyph row 1 lands on line y + 1.
void DrawText(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b);
// TextBuffer in the LargeFont; the text hangs below y (row 1 on line y - 1).
void DrawLargeText(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b);
