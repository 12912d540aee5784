// The SDL backend's game controller, driven by SDL's virtual joystick on an X display: the layout, the
// stick's pointer, a pad taken only by a press, and an unplug that leaves nothing held.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace
{
// A frame's worth of time, then the pump run dry; what the game saw, moves left out.
std::vector<std::string> Frames(int count = 1)
{
    std::vector<std::string> got;
    for (int i = 0; i < count; ++i) {
        SDL_Delay(16);
        while (PumpOneMessage()) {
        }
        for (InputEvent e; TakeInputEvent(&e);) {
            if (e.kind == INPUT_KEY_DOWN)
                got.push_back("key " + std::to_string(e.a));
            else if (e.kind == INPUT_LEFT_BUTTON)
                got.push_back("left");
            else if (e.kind == INPUT_RIGHT_BUTTON)
                got.push_back("right");
            else if (e.kind == INPUT_CLOSE)
                got.push_back("close");
        }
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
    void Button(SDL_GameControllerButton b, bool down) { SDL_JoystickSetVirtualButton(joystick, b, down); }
    void Stick(float x) { SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, Sint16(x * 32767)); }
    std::vector<std::string> Press(SDL_GameControllerButton b)
    {
        Button(b, true);
        std::vector<std::string> got = Frames(2);
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
        int32_t start = PointerX();
        pad.Stick(1.0f);
        EXPECT_EQ(Frames(10), std::vector<std::string>{}) << "taken before a press";
        EXPECT_EQ(PointerX(), start);

        pad.Stick(0.0f);
        EXPECT_EQ(pad.Press(SDL_CONTROLLER_BUTTON_A), std::vector<std::string>{"left"}) << "A held: one click";
        const std::pair<SDL_GameControllerButton, const char*> layout[] = {
            {SDL_CONTROLLER_BUTTON_B, "right"},
            {SDL_CONTROLLER_BUTTON_X, "key 75"},
            {SDL_CONTROLLER_BUTTON_Y, "key 68"},
            {SDL_CONTROLLER_BUTTON_BACK, "key 114"},
            {SDL_CONTROLLER_BUTTON_START, "key 112"},
            {SDL_CONTROLLER_BUTTON_LEFTSTICK, "key 78"},
            {SDL_CONTROLLER_BUTTON_RIGHTSTICK, "key 83"},
            {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, "key 219"},
            {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, "key 221"},
            {SDL_CONTROLLER_BUTTON_DPAD_DOWN, "key 40"}};
        for (const auto& [button, event] : layout)
            EXPECT_EQ(pad.Press(button), std::vector<std::string>{event}) << "button " << button;

        // Past the dead zone the pointer speeds up with the push, and stays in the window.
        pad.Stick(0.19f);
        Frames(30);
        EXPECT_EQ(PointerX(), start) << "inside the dead zone";
        pad.Stick(0.5f);
        Frames(10);
        int32_t half = PointerX() - start;
        pad.Stick(1.0f);
        Frames(10);
        int32_t full = PointerX() - start - half;
        EXPECT_GT(half, 0);
        EXPECT_GT(full, 3 * half);
        Frames(60);
        int32_t left = 0, top = 0, right = 0, bottom = 0;
        GetWindowRectangle(&left, &top, &right, &bottom);
        EXPECT_EQ(PointerX(), right - 1);
        pad.Stick(0.0f);

        // An arrow repeats while held, as a key does; unplugged while held, it stops.
        pad.Button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
        size_t held = Frames(40).size();
        EXPECT_GE(held, 5u);
        EXPECT_LE(held, 10u);
    }
    EXPECT_EQ(Frames(30), std::vector<std::string>{}) << "unplugged";
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_k;
    key.key.keysym.scancode = SDL_SCANCODE_K;
    SDL_PushEvent(&key);
    EXPECT_EQ(Frames(), std::vector<std::string>{"key 75"}) << "the keyboard after the unplug";

    VirtualPad again;
    again.Stick(-1.0f);
    int32_t before = PointerX();
    EXPECT_EQ(Frames(5), std::vector<std::string>{}) << "plugged back, untaken";
    EXPECT_EQ(PointerX(), before);
    EXPECT_EQ(again.Press(SDL_CONTROLLER_BUTTON_A), std::vector<std::string>{"left"});
    EXPECT_LT(PointerX(), before);
    DestroyGameWindow();
}
