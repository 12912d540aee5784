// SDL key-downs as the game's virtual-key codes. SDL's own key and scancode
// values come from SDL by key name, not from the table under test.
#ifdef GAMEVRAK_SDL_KEYMAP
#include <gtest/gtest.h>

#include <string>

#include "platform/sdl/sdl_keymap.h"
#include "platform/web/web_keymap.h"

namespace
{
int32_t KeyDown(const char* name, uint32_t held = 0)
{
    return VirtualKeyForSdlKey(SdlKeyByName(name), SdlScancodeByName(name), held);
}

TEST(SdlKeymap, EveryKeyOfTheKeyTable)
{
    struct Case {
        const char* name;
        int32_t vk;
    };
    const Case table[] = {
        {"Backspace", 8}, {"Tab", 9},   {"Return", 13},      {"Left Shift", 16}, {"Right Shift", 16}, {"Escape", 27},
        {"Space", 32},    {"Left", 37}, {"Up", 38},          {"Right", 39},      {"Down", 40},        {"d", 68},
        {"k", 75},        {"m", 77},    {"n", 78},           {"s", 83},          {"Keypad +", 107},   {"Keypad -", 109},
        {"F1", 112},      {"F2", 113},  {"F3", 114},         {"F4", 115},        {"F5", 116},         {"F6", 117},
        {"[", 219},       {"]", 221},   {"Keypad Enter", 13}};
    for (const Case& c : table) {
        ASSERT_NE(SdlKeyByName(c.name), 0) << c.name << " is not a key name SDL knows";
        EXPECT_EQ(KeyDown(c.name), c.vk) << c.name;
    }
}

TEST(SdlKeymap, AllLettersDigitsAndFunctionKeys)
{
    for (char c = 'a'; c <= 'z'; ++c)
        EXPECT_EQ(KeyDown(std::string(1, c).c_str()), 'A' + (c - 'a')) << c;
    for (char c = '0'; c <= '9'; ++c)
        EXPECT_EQ(KeyDown(std::string(1, c).c_str()), c) << c;
    for (int f = 1; f <= 12; ++f) {
        std::string name = "F" + std::to_string(f);
        EXPECT_EQ(KeyDown(name.c_str()), f == 10 ? 0 : 111 + f) << name;
    }
}

TEST(SdlKeymap, SystemKeysSetNothing)
{
    EXPECT_EQ(KeyDown("F10"), 0);
    EXPECT_EQ(KeyDown("Left Alt"), 0);
    EXPECT_EQ(KeyDown("Right Alt"), 0);
    EXPECT_EQ(KeyDown("F4", HELD_ALT), 0) << "Alt+F4";
    EXPECT_EQ(KeyDown("a", HELD_ALT), 0);
    EXPECT_EQ(KeyDown("Escape", HELD_ALT), 0);
    EXPECT_EQ(KeyDown("Left", HELD_ALT), 0);
    // With Ctrl also held the key is an ordinary key-down again.
    EXPECT_EQ(KeyDown("a", HELD_ALT | HELD_CTRL), 'A');
    EXPECT_EQ(KeyDown("a", HELD_CTRL), 'A');
    EXPECT_EQ(KeyDown("F10", HELD_CTRL), 0);
}

TEST(SdlKeymap, LettersAndDigitsFollowTheKeyPositionWhenTheLayoutHasNoSymbolForThem)
{
    // The top-row key of '1' carries '&' on a French layout.
    EXPECT_EQ(VirtualKeyForSdlKey(SdlKeyByName("&"), SdlScancodeByName("1"), 0), '1');
    // A Cyrillic symbol on the key of 'F'.
    EXPECT_EQ(VirtualKeyForSdlKey(0x0430, SdlScancodeByName("F"), 0), 'F');
    // A layout's own letter wins over the position (the 'Q' key of AZERTY gives 'A').
    EXPECT_EQ(VirtualKeyForSdlKey(SdlKeyByName("a"), SdlScancodeByName("Q"), 0), 'A');
    // Positions other than letters and digits do not fall back.
    EXPECT_EQ(VirtualKeyForSdlKey(0x0430, SdlScancodeByName("["), 0), 0);
}

TEST(SdlKeymap, KeysWithoutACodeSetNothing)
{
    EXPECT_EQ(VirtualKeyForSdlKey(0, 0, 0), 0);
    EXPECT_EQ(KeyDown("Mute"), 0);
    EXPECT_EQ(KeyDown("AudioPlay"), 0);
}

// The browser's key-downs (key value, physical key) give the codes SDL gives.
TEST(WebKeymap, SameCodesAsSdl)
{
    struct Case {
        const char* sdl;
        const char* key;
        const char* code;
    };
    // clang-format off
    const Case table[] = {
        {"Backspace", "Backspace", "Backspace"}, {"Return", "Enter", "Enter"}, {"Keypad Enter", "Enter", "NumpadEnter"},
        {"Tab", "Tab", "Tab"}, {"Left Shift", "Shift", "ShiftLeft"}, {"Escape", "Escape", "Escape"}, {"Space", " ", "Space"},
        {"Left", "ArrowLeft", "ArrowLeft"}, {"Up", "ArrowUp", "ArrowUp"}, {"Right", "ArrowRight", "ArrowRight"},
        {"Down", "ArrowDown", "ArrowDown"}, {"k", "k", "KeyK"}, {"s", "S", "KeyS"}, {"1", "!", "Digit1"},
        {"0", "0", "Digit0"}, {"Keypad +", "+", "NumpadAdd"}, {"Keypad -", "-", "NumpadSubtract"}, {"=", "+", "Equal"},
        {"-", "-", "Minus"}, {"F1", "F1", "F1"}, {"F6", "F6", "F6"}, {"F12", "F12", "F12"}, {"F10", "F10", "F10"},
        {"[", "[", "BracketLeft"}, {"]", "}", "BracketRight"}, {"Left Alt", "Alt", "AltLeft"},
        {"Right Alt", "AltGraph", "AltRight"}, {"Mute", "AudioVolumeMute", "AudioVolumeMute"}};
    // clang-format on
    for (const Case& c : table)
        EXPECT_EQ(VirtualKeyForWebKey(c.key, c.code, false, false), KeyDown(c.sdl)) << c.sdl << " as " << c.key;
    EXPECT_EQ(VirtualKeyForWebKey("a", "KeyQ", true, false), 0) << "with Alt";
    EXPECT_EQ(VirtualKeyForWebKey("a", "KeyQ", true, true), KeyDown("a", HELD_ALT | HELD_CTRL));
    EXPECT_EQ(VirtualKeyForWebKey("\xd1\x84", "KeyA", false, false), 'A') << "a Cyrillic letter by its position";
}
} // namespace
#endif
