// The game's only door to the machine. Everything the game core needs from the
// operating system, the window system, GL and the sound player goes through
// these functions; each backend (sdl/, headless/, win32/) implements all of them.
// This header must stay free of SDL, GL and OS headers.
#pragma once
#include <cstdint>
#include <cstdio>

// ---- Window and GL context ----------------------------------------------
// Creates the borderless window at screen (0, 0) with a client area of
// width x height, a double-buffered RGBA GL context with a 16-bit depth
// buffer, sets the viewport/projection and the fixed GL state. On failure a
// message box names the failing step and false is returned.
bool CreateGameWindow(const char* title, int32_t width, int32_t height, int32_t bits);
// Releases context and window; safe to call when there is none.
void DestroyGameWindow();
// Takes one waiting window message and dispatches it; the input it carries
// joins the backend's queue of input events. False when nothing was waiting.
bool PumpOneMessage();
// Hides the system pointer over the game window (counted, like ShowCursor(FALSE)).
void HidePointer();
// Moves the window's top-left corner to screen position (x, y), keeping width x height.
void MoveGameWindow(int32_t x, int32_t y, int32_t width, int32_t height);
// Pointer position in screen coordinates as it was when the message pump last
// ran dry (before the first pump: when first asked), so that every read in a
// frame gives the position the input of that frame was delivered with.
void GetPointerPosition(int32_t* x, int32_t* y);
// Puts the pointer at screen position (x, y), as a replayed pointer event
// does; GetPointerPosition reads it from then on.
void PlacePointer(int32_t x, int32_t y);
// Window rectangle in screen coordinates (no frame: equals the client area).
void GetWindowRectangle(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom);

// Size of the screen the window opens on, in pixels; false when the backend cannot tell.
bool GetScreenSize(int32_t* width, int32_t* height);
// Full screen on or off for the windows made from now on: such a window covers
// the display, shows the picture centred on black at its zoom and gives the
// picture's rectangle as its own (GetWindowRectangle), so that the pointer maps
// as in a window; it does not move. False where the backend has no full screen.
bool SetFullscreen(bool on);

// Installs the system-wide low-level mouse and keyboard hooks where the
// backend reads input that way (Win32); the others deliver input from their own
// event queues and install nothing.
void InstallPlatformInputHooks();

// ---- GL presentation ------------------------------------------------------
// glClear of colour and depth, glLoadIdentity.
void ClearGLFrame();
// glDisable(TEXTURE_2D), glPixelZoom when 1 <= zoom <= 5, glDrawPixels of the
// RGBA buffer (row 0 at the bottom), swap, glEnable(TEXTURE_2D).
void PresentGLFrame(const uint8_t* rgba, int32_t width, int32_t height, int32_t zoom);

// ---- Time ----------------------------------------------------------------
// Blocks the whole program (the headless backend advances its virtual clock instead).
void PlatformSleep(uint32_t milliseconds);
// Wall clock in whole seconds, for seeding the random generator.
uint32_t PlatformTimeSeconds();
// Presents this many frames a second on average, 0 as many as come. A frame a
// tenth of a second late or more (after a pause of the game) starts the count
// afresh, so that no burst of frames follows. The headless backend never waits.
void SetFramePacing(int32_t frames_per_second);

// ---- Message boxes ---------------------------------------------------------
enum MessageBoxIcon { MESSAGEBOX_EXCLAMATION, MESSAGEBOX_INFORMATION };
void PlatformMessageBox(const char* text, const char* caption, MessageBoxIcon icon);

// ---- Sound -------------------------------------------------------------------
// Asynchronous, no-stop: dropped while an earlier sound of ours still plays; a
// file that cannot be found plays a default chime instead. Silent without a device.
void PlatformPlaySound(const char* path);

// ---- Files -------------------------------------------------------------------
// Opens with the open-always disposition: a missing file is created empty, an
// existing one is not truncated. The path uses backslashes as separators and is
// translated for the host. Returns nullptr when the file cannot be opened at all
// (for example when its folder is missing, or a folder has its name).
std::FILE* OpenFileAlways(const char* path, bool for_writing);
// Opens for writing, creating the file or emptying it when present; nullptr when
// it cannot be opened. For the temporary file that ReplaceFileAtomically moves.
std::FILE* OpenFileTruncated(const char* path);
// Writes go to a temporary name beside the final one; this puts the finished
// (closed) file in place atomically, its data made durable first. Both paths
// use backslashes. True on success; on failure the temporary is still there.
// Where the host refuses the move because another program holds the final file
// open (Windows), the file is written in place instead.
bool ReplaceFileAtomically(const char* temporary_path, const char* final_path);
// Deletes a file (backslash path); true when it is gone.
bool RemoveFile(const char* path);
// True when the folder exists (backslash path).
bool FolderExists(const char* path);

// ---- Start-up ------------------------------------------------------------------
// Changes to the executable's folder when the current directory lacks the data
// folders, so that the game finds its art, sound and saves from anywhere.
void PlatformEnterGameDirectory(const char* argv0);

// ---- Input events ------------------------------------------------------------
// What the backends queue while messages are pumped, the way the system-wide
// input hooks and the window procedure see it; the game takes the queue once a
// frame. A replay also places the pointer, at a picture pixel or over the
// middle of a cell of the view, which only the game can turn into a position.
enum InputEventKind : int32_t {
    INPUT_KEY_DOWN,      // a: virtual-key code
    INPUT_POINTER_MOVED, // the position is read from GetPointerPosition
    INPUT_LEFT_BUTTON,
    INPUT_RIGHT_BUTTON,
    INPUT_CLOSE,
    INPUT_POINTER_AT_PIXEL, // a, b: picture pixel, row 0 at the bottom
    INPUT_POINTER_AT_CELL,  // a, b: world cell column and row
};

struct InputEvent {
    InputEventKind kind;
    int32_t a;
    int32_t b;
};

// The oldest queued input event, removed from the queue; false when it is empty.
bool TakeInputEvent(InputEvent* event);
