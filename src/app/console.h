// The one-line typed command console.
#pragma once
#include <cstdint>

constexpr int32_t CONSOLE_TOKENS = 20;

extern char ConsoleLine[256];
extern int32_t ConsoleLength;
extern int32_t ConsoleSubmitted;
extern char* ConsoleTokens[CONSOLE_TOKENS];
extern int32_t ScreenSaverOn;

void InitConsole();
void FreeConsole();
void RunConsole();
void EditConsoleLine(int32_t x, int32_t y, int32_t max_length, const char* prompt);
