// The browser's replay runner has no zlib to write pictures with: its shots
// fail. Its saves stay in the page, for the page to hash.
#include "platform/headless/headless.h"
#include "platform/web/web_files.h"

bool WritePng(const char*, const uint8_t*, int32_t, int32_t) { return false; }
bool ReadPng(const char*, std::vector<uint8_t>*, int32_t*, int32_t*) { return false; }
void KeepSavedFile(const char*) {}
void FetchSavedFile(const char*) {}
