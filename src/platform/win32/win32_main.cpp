// The Windows GUI entry point, with the game's command-line options.
#include <windows.h>

#include <cstdlib>

#include "app/options.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunGame(__argc, __argv); }
