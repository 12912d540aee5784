// The game controller's default layout and pointer, shared by the backends. Each
// backend reads its pad once a frame into a PadReading, and turns the PadOutput
// that comes back into its own ordinary key, click and pointer events, so that
// the game cannot tell a pad from the keyboard and the mouse.
#pragma once
#include <cstdint>
#include <deque>

#include "platform/platform.h"

enum PadButton : uint32_t {
    PAD_A,
    PAD_B,
    PAD_X,
    PAD_Y,
    PAD_BACK,
    PAD_START,
    PAD_LEFT_STICK,
    PAD_RIGHT_STICK,
    PAD_LEFT_SHOULDER,
    PAD_RIGHT_SHOULDER,
    PAD_UP,
    PAD_DOWN,
    PAD_LEFT,
    PAD_RIGHT,
    PAD_BUTTON_COUNT
};

struct PadReading {
    uint32_t held = 0; // 1 << PadButton for each button down
    float stick_x = 0; // left stick, -1 (left) to 1 (right)
    float stick_y = 0; // -1 (up) to 1 (down)
};

struct PadState {
    uint32_t held = 0;
    float repeat_in[PAD_BUTTON_COUNT] = {}; // seconds to the next repeat of a held arrow
    float carry_x = 0;                      // pointer movement below a whole pixel
    float carry_y = 0;
};

struct PadOutput {
    int32_t keys[PAD_BUTTON_COUNT] = {}; // virtual-key codes, in the order pressed
    int32_t key_count = 0;
    bool left_click = false;
    bool right_click = false;
    int32_t move_x = 0; // pointer step in screen pixels
    int32_t move_y = 0;
};

// One frame of the pad, `seconds` after the last one. A pad that is gone is a
// reading with nothing held: nothing stays pressed.
PadOutput StepPad(PadState* state, const PadReading& reading, double seconds);

// The pad's frame as the keyboard's and the mouse's events, in their order: the pointer move (the
// backend has moved the pointer on the screen first, within the game's picture), the keys, the clicks.
void QueuePadEvents(const PadOutput& pad, std::deque<InputEvent>* queue);
