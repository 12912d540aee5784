// Win32 backend: time, message boxes and sound.
// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <mmsystem.h>

#include <ctime>

#include "platform/platform.h"

static_assert((SND_ASYNC | SND_NOSTOP) == 17, "asynchronous, never interrupting a sound already playing");

void PlatformSleep(uint32_t milliseconds) { Sleep(milliseconds); }

uint32_t PlatformTimeSeconds() { return static_cast<uint32_t>(std::time(nullptr)); }

void PlatformMessageBox(const char* text, const char* caption, MessageBoxIcon icon)
{
    MessageBoxA(nullptr, text, caption,
                MB_OK | (icon == MESSAGEBOX_EXCLAMATION ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

// Neither SND_FILENAME nor SND_NODEFAULT: the name is tried as a sound alias
// first, and a missing file plays the system's default sound.
void PlatformPlaySound(const char* path) { PlaySoundA(path, nullptr, SND_ASYNC | SND_NOSTOP); }
