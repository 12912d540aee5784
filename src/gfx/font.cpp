// PLACEHOLDER: glyph tables to be drawn; every code is blank for now.
#include "gfx/font.h"

#include "gfx/draw.h"

#include <cstring>

char TextBuffer[256] = {};

static const char BLANK_SMALL[] = "28000000"
                                  "00000000000000000000000000000000000000000000000000000000000000000000000000000000";
const char* SmallFont[128] = {};
const char* LargeFont[256] = {};

void DrawText(int32_t, int32_t, uint8_t, uint8_t, uint8_t) {}
void DrawLargeText(int32_t, int32_t, uint8_t, uint8_t, uint8_t) {}
