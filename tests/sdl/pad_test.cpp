// The SDL backend's game controller, driven by SDL's virtual joystick on an X display.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace
{
using Events = std::vector<std::string>;
const char* const CLICKS[] = {"left", "right", "close"};

// A frame's worth of time, then the pump run dry; what the game saw, moves left out.
Events Frames(int count = 1)
{
    Events got;
    for (int i = 0; i < count; ++i) {
        SDL_Delay(16);
        while (PumpOneMessage()) {
        }
        for (InputEvent e; TakeInputEvent(&e);)
            if (e.kind == INPUT_KEY_DOWN || (e.kind >= INPUT_LEFT_BUTTON && e.kind <= INPUT_CLOSE))
                got.push_back(e.kind == INPUT_KEY_DOWN ? "key " + std::to_string(e.a)
                                                       : CLICKS[e.kind - INPUT_LEFT_BUTTON]);
    }
    return got;
}

int32_t PointerX()
{
    int32_t x = 0, y = 0;
    GetPointerPosition(&x, &y);
    return x;
}

struct VirtualPad {
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                          SDL_CONTROLLER_BUTTON_MAX, 0);
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    ~VirtualPad()
    {
        SDL_JoystickClose(joystick);
        SDL_JoystickDetachVirtual(SDL_JoystickGetDeviceInstanceID(index) >= 0 ? index : 0);
    }
    void Button(int b, bool down) { SDL_JoystickSetVirtualButton(joystick, b, down); }
    int32_t Stick(float x, int frames)
    {
        SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, Sint16(x * 32767));
        const int32_t from = PointerX();
        EXPECT_EQ(Frames(frames), Events{}) << "the stick at " << x;
        return PointerX() - from;
    }
    Events Press(int b)
    {
        Button(b, true);
        Events got = Frames(2);
        Button(b, false);
        Frames();
        return got;
    }
};
} // namespace

TEST(SdlPadTest, LayoutPointerTakingAndUnplug)
{
    ASSERT_TRUE(CreateGameWindow("GAMEVRAK", 640, 480, 16));
    {
        VirtualPad pad;
        ASSERT_NE(pad.joystick, nullptr) << SDL_GetError();
        SDL_WarpMouseGlobal(320, 240);
        Frames(2);
        EXPECT_EQ(pad.Stick(1.0f, 10), 0) << "taken before a press";
        pad.Stick(0.0f, 0);
        EXPECT_EQ(pad.Press(SDL_CONTROLLER_BUTTON_A), Events{"left"}) << "A held: one click";
        // B, X, Y, Back, (Guide), Start, the sticks, the shoulders, (Up), Down.
        const char* layout[] = {"right",  "key 75", "key 68",  "key 114", "", "key 112",
                                "key 78", "key 83", "key 219", "key 221", "", "key 40"};
        for (int b = SDL_CONTROLLER_BUTTON_B; b <= SDL_CONTROLLER_BUTTON_DPAD_DOWN; ++b)
            if (*layout[b - 1]) {
                EXPECT_EQ(pad.Press(b), Events{layout[b - 1]}) << "button " << b;
            }
        // Past the dead zone the pointer speeds up with the push, and stays in the window.
        EXPECT_EQ(pad.Stick(0.19f, 30), 0) << "inside the dead zone";
        const int32_t half = pad.Stick(0.5f, 10), full = pad.Stick(1.0f, 10);
        EXPECT_GT(half, 0);
        EXPECT_GT(full, 3 * half);
        pad.Stick(1.0f, 60);
        int32_t left = 0, top = 0, right = 0, bottom = 0;
        GetWindowRectangle(&left, &top, &right, &bottom);
        EXPECT_EQ(PointerX(), right - 1);
        pad.Stick(0.0f, 0);
        // An arrow repeats while held, as a key does; unplugged while held, it stops.
        pad.Button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
        const size_t held = Frames(40).size();
        EXPECT_GE(held, 5u);
        EXPECT_LE(held, 10u);
    }
    EXPECT_EQ(Frames(30), Events{}) << "unplugged";
    SDL_Event key{};
    std::tie(key.type, key.key.keysym.sym, key.key.keysym.scancode) =
        std::make_tuple(SDL_KEYDOWN, SDLK_k, SDL_SCANCODE_K);
    SDL_PushEvent(&key);
    EXPECT_EQ(Frames(), Events{"key 75"}) << "the keyboard after the unplug";
    VirtualPad again;
    EXPECT_EQ(again.Stick(-1.0f, 5), 0) << "plugged back, untaken";
    const int32_t before = PointerX();
    EXPECT_EQ(again.Press(SDL_CONTROLLER_BUTTON_A), Events{"left"});
    EXPECT_LT(PointerX(), before);
    DestroyGameWindow();
}
