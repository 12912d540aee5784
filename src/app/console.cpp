// PLACEHOLDER
#include "app/console.h"

#include <cstdlib>

char ConsoleLine[256] = {};
int32_t ConsoleLength = 0;
int32_t ConsoleSubmitted = 0;
char* ConsoleTokens[CONSOLE_TOKENS] = {};
int32_t ScreenSaverOn = 0;

void InitConsole()
{
    ConsoleLength = 0;
    ConsoleLine[0] = 0;
    ConsoleLine[1] = 0;
    for (char*& t : ConsoleTokens)
        t = static_cast<char*>(std::calloc(256, 1));
}
void FreeConsole()
{
    for (char*& t : ConsoleTokens) {
        std::free(t);
        t = nullptr;
    }
}
void RunConsole() {}
void EditConsoleLine(int32_t, int32_t, int32_t, const char*) {}
