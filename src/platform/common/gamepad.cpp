#include "platform/common/gamepad.h"

#include <cmath>

namespace
{
// Windows virtual-key codes, as the game's keys are indexed.
constexpr int32_t VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_D = 68, VK_K = 75, VK_N = 78, VK_S = 83,
                  VK_F1 = 112, VK_F3 = 114, VK_OPEN_BRACKET = 219, VK_CLOSE_BRACKET = 221;
constexpr int32_t CLICK_LEFT = -1, CLICK_RIGHT = -2;
constexpr int32_t LAYOUT[PAD_BUTTON_COUNT] = {
    CLICK_LEFT,      CLICK_RIGHT,      VK_K,  VK_D,    VK_F3,   VK_F1,   VK_N, VK_S,
    VK_OPEN_BRACKET, VK_CLOSE_BRACKET, VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT};

// A worn stick rests a little off centre; past the dead zone the speed grows
// with the square of the push, so that small pushes can aim at a single pixel.
constexpr float DEAD_ZONE = 0.2f;
constexpr float FULL_SPEED = 900.0f; // screen pixels a second
// The arrows repeat while held, as keys do.
constexpr float REPEAT_DELAY = 0.4f;
constexpr float REPEAT_EVERY = 0.05f;

bool Repeats(uint32_t button) { return button >= PAD_UP; }
} // namespace

PadOutput StepPad(PadState* state, const PadReading& reading, double seconds)
{
    PadOutput out;
    // A long frame (a save, a pause of the game) must not fling the pointer.
    float dt = static_cast<float>(seconds < 0 ? 0 : seconds > 0.1 ? 0.1 : seconds);
    for (uint32_t b = 0; b < PAD_BUTTON_COUNT; ++b) {
        uint32_t bit = 1u << b;
        if (!(reading.held & bit))
            continue;
        bool act = !(state->held & bit);
        if (act)
            state->repeat_in[b] = REPEAT_DELAY;
        else if (Repeats(b) && (state->repeat_in[b] -= dt) <= 0) {
            state->repeat_in[b] += REPEAT_EVERY;
            act = true;
        }
        if (!act)
            continue;
        if (LAYOUT[b] == CLICK_LEFT)
            out.left_click = true;
        else if (LAYOUT[b] == CLICK_RIGHT)
            out.right_click = true;
        else
            out.keys[out.key_count++] = LAYOUT[b];
    }
    state->held = reading.held;

    float push = std::sqrt(reading.stick_x * reading.stick_x + reading.stick_y * reading.stick_y);
    if (push <= DEAD_ZONE) {
        state->carry_x = state->carry_y = 0;
        return out;
    }
    float beyond = ((push > 1 ? 1 : push) - DEAD_ZONE) / (1 - DEAD_ZONE);
    float step = FULL_SPEED * beyond * beyond * dt / push;
    float x = state->carry_x + reading.stick_x * step;
    float y = state->carry_y + reading.stick_y * step;
    out.move_x = static_cast<int32_t>(x);
    out.move_y = static_cast<int32_t>(y);
    state->carry_x = x - static_cast<float>(out.move_x);
    state->carry_y = y - static_cast<float>(out.move_y);
    return out;
}

void QueuePadEvents(const PadOutput& pad, std::deque<InputEvent>* queue)
{
    if (pad.move_x || pad.move_y)
        queue->push_back({INPUT_POINTER_MOVED, 0, 0});
    for (int32_t i = 0; i < pad.key_count; ++i)
        queue->push_back({INPUT_KEY_DOWN, pad.keys[i], 0});
    if (pad.left_click)
        queue->push_back({INPUT_LEFT_BUTTON, 0, 0});
    if (pad.right_click)
        queue->push_back({INPUT_RIGHT_BUTTON, 0, 0});
}
