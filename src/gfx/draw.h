// The pixel buffers, per-pixel plotting and the 2D primitives built on it.
// Row 0 is the bottom row; 4 bytes per pixel: red, green, blue, alpha.
#pragma once
#include <cstdint>

extern int32_t ScreenWidth;
extern int32_t ScreenHeight;
extern int32_t PixelZoom;
extern uint8_t* ScreenBuffer;
extern uint8_t* LayerBuffer;
extern float* SinTable; // 3,600,000 entries: thousandths of a degree, computed as read
extern float* CosTable;

constexpr int32_t TRIG_TABLE_SIZE = 3600000;

void SetScreenSize(int32_t width, int32_t height);
void FreeScreenBuffers();
void PutPixel(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b);
void PutLayerPixel(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b);
void DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t r, uint8_t g, uint8_t b);
void DrawCursorCross(int32_t x, int32_t y);
// Allocates both tables, zero-filled; circles compute the entries they read.
void BuildTrigTables();
void FreeTrigTables();
void DrawLayerCircle(double cx, double cy, double radius, uint8_t r, uint8_t g, uint8_t b);
void ClearScreen();
void PresentScreen();
void RunScreenSaver(int32_t frame);
