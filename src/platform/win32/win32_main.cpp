// The Windows GUI entry point; the program takes no command-line options.
#include <windows.h>

#include "app/shell.h"
#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    PlatformEnterGameDirectory(nullptr);
    return GameMain();
}
