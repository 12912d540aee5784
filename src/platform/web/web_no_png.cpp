// The browser's replay runner has no zlib to write pictures with: its shots fail.
#include "platform/headless/headless.h"

bool WritePng(const char*, const uint8_t*, int32_t, int32_t) { return false; }
bool ReadPng(const char*, std::vector<uint8_t>*, int32_t*, int32_t*) { return false; }
