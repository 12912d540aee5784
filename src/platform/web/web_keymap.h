// Translation of the browser's key-down events into the Windows virtual-key
// codes that the game's KeyState is indexed by, the same codes the SDL backend
// gives for the same keys. Free of Emscripten headers so that tests can reach it.
#pragma once
#include <cstdint>

// The virtual-key code a key-down produces, or 0 when it sets nothing (keys the
// game cannot see, and system keys: the Alt keys, F10 and anything pressed with
// Alt but without Ctrl). `key` is the event's key value ("a", "A", "ArrowLeft",
// "F1", "+"), `code` its physical key ("KeyA", "NumpadAdd", "BracketLeft").
// The keypad is told by position; letters, digits and punctuation by the symbol
// the layout gives, falling back on the position where the symbol is none of
// those (a shifted digit, a letter of another alphabet).
int32_t VirtualKeyForWebKey(const char* key, const char* code, bool alt, bool ctrl);
