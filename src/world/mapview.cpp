// PLACEHOLDER
#include "world/mapview.h"

void DrawBitmapTile(int32_t, int32_t, int32_t) {}
void DrawBitmapKeyed(int32_t, int32_t, int32_t) {}
void DrawBitmapGrey(int32_t, int32_t, int32_t) {}
void DrawMapView() {}
void DrawMiniMap() {}
