#include "gfx/draw.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/random.h"
#include "gfx/trig.h"
#include "platform/platform.h"

int32_t ScreenWidth = 640;
int32_t ScreenHeight = 480;
int32_t PixelZoom = 2;
uint8_t* ScreenBuffer = nullptr;
uint8_t* LayerBuffer = nullptr;
float* SinTable = nullptr;
float* CosTable = nullptr;

// Zero when the size is nonsense or beyond the address space (32-bit builds).
static size_t BufferBytes()
{
    if (ScreenWidth <= 0 || ScreenHeight <= 0)
        return 0;
    uint64_t bytes = static_cast<uint64_t>(ScreenWidth) * static_cast<uint64_t>(ScreenHeight) * 4;
    if (bytes > SIZE_MAX)
        return 0;
    return static_cast<size_t>(bytes);
}

void SetScreenSize(int32_t width, int32_t height)
{
    ScreenWidth = width;
    ScreenHeight = height;
    FreeScreenBuffers();
    size_t bytes = BufferBytes();
    if (bytes == 0)
        return;
    ScreenBuffer = static_cast<uint8_t*>(std::calloc(bytes, 1));
    LayerBuffer = static_cast<uint8_t*>(std::calloc(bytes, 1));
}

void FreeScreenBuffers()
{
    std::free(ScreenBuffer);
    std::free(LayerBuffer);
    ScreenBuffer = nullptr;
    LayerBuffer = nullptr;
}

static inline void Plot(uint8_t* buffer, int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b)
{
    if (!buffer || x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight)
        return;
    uint8_t* p = buffer + (static_cast<size_t>(y) * static_cast<size_t>(ScreenWidth) + static_cast<size_t>(x)) * 4;
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = 255;
}

void PutPixel(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) { Plot(ScreenBuffer, x, y, r, g, b); }

void PutLayerPixel(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) { Plot(LayerBuffer, x, y, r, g, b); }

void DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t r, uint8_t g, uint8_t b)
{
    // 64-bit deltas and error: ends far apart must not overflow. The pen itself
    // never leaves the range between the two ends, so it fits 32 bits.
    int64_t dx = std::llabs(static_cast<int64_t>(x1) - x0);
    int64_t dy = std::llabs(static_cast<int64_t>(y1) - y0);
    int32_t sx = x1 > x0 ? 1 : (x1 < x0 ? -1 : 0);
    int32_t sy = y1 > y0 ? 1 : (y1 < y0 ? -1 : 0);
    int32_t x = x0;
    int32_t y = y0;
    PutPixel(x, y, r, g, b);
    if (dx > dy) {
        int64_t err = dy;
        for (int64_t i = 0; i < dx; ++i) {
            err += dy;
            if (err > dx) {
                err -= dx;
                y += sy;
            }
            x += sx;
            PutPixel(x, y, r, g, b);
        }
    } else {
        int64_t err = dx;
        for (int64_t i = 0; i < dy; ++i) {
            err += dx;
            if (err > dy) {
                err -= dy;
                x += sx;
            }
            y += sy;
            PutPixel(x, y, r, g, b);
        }
    }
}

void DrawCursorCross(int32_t mx, int32_t my)
{
    DrawLine(mx, my, mx + 5, my, 255, 255, 255);
    DrawLine(mx, my, mx, my + 5, 255, 255, 255);
    DrawLine(mx, my, mx - 5, my, 255, 255, 255);
    DrawLine(mx, my, mx, my - 5, 255, 255, 255);
}

// Both tables come zero-filled, which costs no memory until a page is written,
// and each entry is computed when a circle first reads it. An angle's sine and
// cosine are never both zero, so two zeros mark an entry not computed yet.
void BuildTrigTables()
{
    if (SinTable || CosTable)
        return;
    SinTable = static_cast<float*>(std::calloc(TRIG_TABLE_SIZE, sizeof(float)));
    CosTable = static_cast<float*>(std::calloc(TRIG_TABLE_SIZE, sizeof(float)));
    if (!SinTable || !CosTable)
        FreeTrigTables();
}

void FreeTrigTables()
{
    std::free(SinTable);
    std::free(CosTable);
    SinTable = nullptr;
    CosTable = nullptr;
}

static void ComputeTrigEntry(int32_t i)
{
    if (SinTable[i] != 0.0f || CosTable[i] != 0.0f)
        return;
    double a = static_cast<double>(i) * 0.017453292516666667 / 1000.0;
    double sine = 0.0;
    double cosine = 0.0;
    SineCosine(a, sine, cosine);
    SinTable[i] = static_cast<float>(sine);
    CosTable[i] = static_cast<float>(cosine);
}

// A centre this far out cannot reach any buffer, and truncating it would overflow.
static bool CentreInRange(double v) { return v > -1.0e9 && v < 1.0e9; }

void DrawLayerCircle(double cx, double cy, double radius, uint8_t r, uint8_t g, uint8_t b)
{
    if (!SinTable || !CosTable)
        return;
    if (!CentreInRange(cx) || !CentreInRange(cy))
        return;
    if (!(radius >= 0.0)) // negative, and NaN as well
        radius = 0.0;
    if (radius > 9999.0)
        radius = 9999.0;
    double step = (1.0 / radius) * 50.0;
    int32_t icx = static_cast<int32_t>(cx);
    int32_t icy = static_cast<int32_t>(cy);
    for (double a = 0.0; a <= 180.0; a += step) {
        int32_t i = static_cast<int32_t>(a * 1000.0);
        ComputeTrigEntry(i);
        int32_t ox = static_cast<int32_t>(SinTable[i] * radius);
        int32_t oy = static_cast<int32_t>(-radius * CosTable[i]);
        int32_t py = oy + icy;
        PutLayerPixel(icx + ox, py, r, g, b);
        PutLayerPixel(icx - ox, py, r, g, b);
    }
}

void ClearScreen()
{
    ClearGLFrame();
    if (ScreenBuffer)
        std::memset(ScreenBuffer, 0, BufferBytes());
}

void PresentScreen() { PresentGLFrame(ScreenBuffer, ScreenWidth, ScreenHeight, PixelZoom); }

void RunScreenSaver(int32_t frame)
{
    if (!ScreenBuffer || !LayerBuffer)
        return;
    if (frame % 50 == 0) {
        for (int32_t y = 0; y < ScreenHeight; ++y)
            for (int32_t x = 0; x < ScreenWidth; ++x)
                PutLayerPixel(x, y, 0, 0, static_cast<uint8_t>(Rand() % 255));
        for (int c = 0; c < 4; ++c) {
            uint8_t cb = static_cast<uint8_t>(Rand() % 255);
            uint8_t cg = static_cast<uint8_t>(Rand() % 255);
            uint8_t cr = static_cast<uint8_t>(Rand() % 255);
            int32_t ccy = Rand() % ScreenHeight;
            int32_t ccx = Rand() % ScreenWidth;
            DrawLayerCircle(ccx, ccy, ScreenWidth / 5, cr, cg, cb);
        }
    }
    for (int32_t y = 0; y < ScreenHeight; ++y) {
        for (int32_t x = 0; x < ScreenWidth; ++x) {
            const uint8_t* p = LayerBuffer + (static_cast<size_t>(y) * ScreenWidth + x) * 4;
            PutPixel(x, y, p[0], p[1], p[2]);
        }
    }
}
