// The tile map of one layer, the units on it and the mini-map.
#pragma once
#include <cstdint>

constexpr int32_t MapTileSize = 16;

void DrawBitmapTile(int32_t x, int32_t y, int32_t id);
void DrawBitmapKeyed(int32_t x, int32_t y, int32_t id);
void DrawBitmapGrey(int32_t x, int32_t y, int32_t id);
void DrawMapView();
void DrawMiniMap();
