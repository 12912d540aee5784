// Key-downs of SDL and of the browser as the game's virtual-key codes. SDL's own
// key and scancode values come from SDL by key name, not from the table under test.
#ifdef GAMEVRAK_SDL_KEYMAP
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/sdl/sdl_keymap.h"
#include "platform/web/web_keymap.h"

static int32_t KeyDown(const char* name, uint32_t held = 0)
{
    return VirtualKeyForSdlKey(SdlKeyByName(name), SdlScancodeByName(name), held);
}

TEST(Keymap, SdlAndBrowserKeysGiveTheKeyTablesCodesAndSystemKeysNone)
{
    struct Case {
        const char *sdl, *key, *code;
        int32_t vk;
    };
    // clang-format off
    const Case table[] = {
        {"Backspace", "Backspace", "Backspace", 8}, {"Return", "Enter", "Enter", 13}, {"Keypad Enter", "Enter", "NumpadEnter", 13},
        {"Tab", "Tab", "Tab", 9}, {"Left Shift", "Shift", "ShiftLeft", 16}, {"Escape", "Escape", "Escape", 27},
        {"Space", " ", "Space", 32}, {"Left", "ArrowLeft", "ArrowLeft", 37}, {"Up", "ArrowUp", "ArrowUp", 38},
        {"Right", "ArrowRight", "ArrowRight", 39}, {"Down", "ArrowDown", "ArrowDown", 40}, {"k", "k", "KeyK", 'K'},
        {"s", "S", "KeyS", 'S'}, {"1", "!", "Digit1", '1'}, {"0", "0", "Digit0", '0'}, {"Keypad +", "+", "NumpadAdd", 107},
        {"Keypad -", "-", "NumpadSubtract", 109}, {"F1", "F1", "F1", 112}, {"F6", "F6", "F6", 117}, {"F12", "F12", "F12", 123},
        {"[", "[", "BracketLeft", 219}, {"]", "}", "BracketRight", 221}, {"F10", "F10", "F10", 0}, {"Left Alt", "Alt", "AltLeft", 0},
        {"Right Alt", "AltGraph", "AltRight", 0}, {"Mute", "AudioVolumeMute", "AudioVolumeMute", 0}};
    // clang-format on
    for (const Case& c : table) {
        EXPECT_EQ(KeyDown(c.sdl), c.vk) << c.sdl;
        EXPECT_EQ(VirtualKeyForWebKey(c.key, c.code, false, false), c.vk) << c.code;
    }
    // Alt makes any key a system key, unless Ctrl is held too (AltGr).
    EXPECT_EQ(std::make_tuple(KeyDown("F4", HELD_ALT), KeyDown("a", HELD_ALT), KeyDown("a", HELD_ALT | HELD_CTRL)),
              std::make_tuple(0, 0, 'A'));
    EXPECT_EQ(
        std::make_tuple(VirtualKeyForWebKey("a", "KeyQ", true, false), VirtualKeyForWebKey("a", "KeyQ", true, true)),
        std::make_tuple(0, 'A'));
    // Letters and digits follow the key's position where the layout has another symbol on it.
    EXPECT_EQ(VirtualKeyForSdlKey(SdlKeyByName("&"), SdlScancodeByName("1"), 0), '1');
    EXPECT_EQ(VirtualKeyForSdlKey(0x0430, SdlScancodeByName("F"), 0), 'F');
    EXPECT_EQ(VirtualKeyForSdlKey(SdlKeyByName("a"), SdlScancodeByName("Q"), 0), 'A') << "the layout's own letter";
    EXPECT_EQ(VirtualKeyForSdlKey(0x0430, SdlScancodeByName("["), 0), 0);
    EXPECT_EQ(VirtualKeyForWebKey("\xd1\x84", "KeyA", false, false), 'A');
}
#endif
