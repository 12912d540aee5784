// Translation of SDL key-down events into the Windows virtual-key codes that
// the game's KeyState is indexed by. Free of SDL headers so that tests can
// reach it; SDL values travel as plain integers.
#pragma once
#include <cstdint>

// Modifier keys held with a key-down, as far as the system-key rule needs them.
enum : uint32_t { HELD_ALT = 1, HELD_CTRL = 2 };

// The virtual-key code a key-down produces, or 0 when it sets nothing: keys the
// game cannot see, and system keys (anything pressed with Alt but without Ctrl,
// the Alt keys themselves, and F10). Letters and digits fall back on the key's
// position when the layout gives them another symbol, as virtual keys do.
int32_t VirtualKeyForSdlKey(int32_t sdl_keycode, int32_t sdl_scancode, uint32_t held);

// SDL's own key and scancode for a key name ("A", "F10", "Left", "Keypad +", ...).
int32_t SdlKeyByName(const char* name);
int32_t SdlScancodeByName(const char* name);
