// GL state and pixel transfer shared by the GL backends (SDL, Win32).
#pragma once
#include <cstdint>

void SetGLProjection(int32_t width, int32_t height);
bool SetupGLState();
// Steps 1 to 3 of presenting: textures off, pixel zoom, glDrawPixels. The
// backend swaps buffers and then calls FinishGLPresent.
void DrawPixelsToGL(const uint8_t* rgba, int32_t width, int32_t height, int32_t zoom);
void FinishGLPresent();
