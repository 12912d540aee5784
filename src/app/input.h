// The input of the current frame: key and mouse flags, the pointer in buffer
// pixels; and the view keys.
#pragma once
#include <cstdint>

// Windows virtual-key codes used by the game.
enum : int32_t {
    KEY_BACKSPACE = 8,
    KEY_TAB = 9,
    KEY_ENTER = 13,
    KEY_SHIFT = 16,
    KEY_ESCAPE = 27,
    KEY_SPACE = 32,
    KEY_LEFT = 37,
    KEY_UP = 38,
    KEY_RIGHT = 39,
    KEY_DOWN = 40,
    KEY_0 = 48,
    KEY_9 = 57,
    KEY_A = 65,
    KEY_D = 68,
    KEY_K = 75,
    KEY_M = 77,
    KEY_N = 78,
    KEY_S = 83,
    KEY_Z = 90,
    KEY_KEYPAD_PLUS = 107,
    KEY_KEYPAD_MINUS = 109,
    KEY_F1 = 112,
    KEY_F2 = 113,
    KEY_F3 = 114,
    KEY_F4 = 115,
    KEY_F5 = 116,
    KEY_F6 = 117,
    KEY_F10 = 121,
    KEY_F12 = 123,
    KEY_LEFT_BRACKET = 219,
    KEY_RIGHT_BRACKET = 221,
};

// What one frame reads of the input: the events the backend queued while the
// last frame pumped its messages, and where the pointer then was.
struct FrameInputRecord {
    int32_t key_state[256]; // 1: a key-down event arrived
    int32_t mouse_moved;
    int32_t left_click;
    int32_t right_click;
    // The pointer in picture pixels (row 0 at the bottom) and the cell under it
    // with the view as the input was taken; read again when the window moves.
    int32_t mouse_x;
    int32_t mouse_y;
    int32_t cell_x;
    int32_t cell_y;
};
extern FrameInputRecord FrameInput;
// The flags under the names the rules use.
extern int32_t (&KeyState)[256];
extern int32_t& MouseMoved;
extern int32_t& LeftClick;
extern int32_t& RightClick;

void InstallInputHooks();
bool IsKeyDown(int32_t code);
int32_t GetMouseX();
int32_t GetMouseY();
// Takes the backend's queue into FrameInput, for frame `frame` to read, and
// has the recorder write it down.
void TakeFrameInput(int32_t frame);
// Reads the pointer into FrameInput again, after the window has moved or been made anew.
void ReadPointer();
// Puts the pointer where it reads as picture pixel (x, y), or over the middle
// of cell (x, y) of the view, and reads it: a replay's pointer events.
void PlacePointerAtPixel(int32_t x, int32_t y);
void PlacePointerAtCell(int32_t x, int32_t y);
void HandleViewKeys();
void ClearInputFlags();
