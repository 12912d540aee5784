#include "platform/web/web_keymap.h"

#include <cstring>

namespace
{
struct NamedKey {
    const char* name;
    int32_t vk;
};

// Key values of the keys that do not type a character.
constexpr NamedKey NAMED_KEYS[] = {
    {"Backspace", 8}, {"Tab", 9},          {"Enter", 13},    {"Shift", 16},       {"Control", 17},   {"Pause", 19},
    {"CapsLock", 20}, {"Escape", 27},      {" ", 32},        {"PageUp", 33},      {"PageDown", 34},  {"End", 35},
    {"Home", 36},     {"ArrowLeft", 37},   {"ArrowUp", 38},  {"ArrowRight", 39},  {"ArrowDown", 40}, {"Insert", 45},
    {"Delete", 46},   {"ContextMenu", 93}, {"NumLock", 144}, {"ScrollLock", 145},
};

// Physical keys of the keypad: their key values ("+", "1") would read as the main keyboard's.
constexpr NamedKey KEYPAD_CODES[] = {
    {"NumpadMultiply", 106}, {"NumpadAdd", 107},    {"NumpadSubtract", 109},
    {"NumpadDecimal", 110},  {"NumpadDivide", 111}, {"NumpadEnter", 13},
};

// Punctuation as US-layout virtual keys, by the symbol and by the position.
struct Punctuation {
    char symbol;
    const char* code;
    int32_t vk;
};
constexpr Punctuation PUNCTUATION[] = {
    {';', "Semicolon", 186},  {'=', "Equal", 187},        {',', "Comma", 188},     {'-', "Minus", 189},
    {'.', "Period", 190},     {'/', "Slash", 191},        {'`', "Backquote", 192}, {'[', "BracketLeft", 219},
    {'\\', "Backslash", 220}, {']', "BracketRight", 221}, {'\'', "Quote", 222},
};

int32_t ForSymbol(const char* key)
{
    if (key[0] != 0 && key[1] == 0) {
        char c = key[0];
        if (c >= 'a' && c <= 'z')
            return 'A' + (c - 'a');
        if (c >= 'A' && c <= 'Z')
            return c;
        if (c >= '0' && c <= '9')
            return c;
        for (const Punctuation& p : PUNCTUATION)
            if (p.symbol == c)
                return p.vk;
    }
    for (const NamedKey& k : NAMED_KEYS)
        if (std::strcmp(key, k.name) == 0)
            return k.vk;
    // F1 to F12; F10 never gets here.
    if (key[0] == 'F' && key[1] >= '1' && key[1] <= '9') {
        int n = key[1] - '0';
        if (key[2] >= '0' && key[2] <= '9' && key[3] == 0)
            n = n * 10 + (key[2] - '0');
        else if (key[2] != 0)
            return 0;
        return n <= 12 ? 111 + n : 0;
    }
    return 0;
}

int32_t ForPosition(const char* code)
{
    if (std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && code[4] == 0)
        return code[3];
    if (std::strncmp(code, "Digit", 5) == 0 && code[5] >= '0' && code[5] <= '9' && code[6] == 0)
        return code[5];
    for (const Punctuation& p : PUNCTUATION)
        if (std::strcmp(code, p.code) == 0)
            return p.vk;
    return 0;
}

int32_t ForKeypad(const char* key, const char* code)
{
    for (const NamedKey& k : KEYPAD_CODES)
        if (std::strcmp(code, k.name) == 0)
            return k.vk;
    // Digits with Num Lock on; off, the key value names the movement key instead.
    if (std::strncmp(code, "Numpad", 6) == 0 && code[6] >= '0' && code[6] <= '9' && code[7] == 0 && key[0] >= '0' &&
        key[0] <= '9' && key[1] == 0)
        return 96 + (code[6] - '0');
    return 0;
}

bool IsMetaKey(const char* code, int32_t* vk)
{
    if (std::strcmp(code, "MetaLeft") == 0 || std::strcmp(code, "OSLeft") == 0)
        *vk = 91;
    else if (std::strcmp(code, "MetaRight") == 0 || std::strcmp(code, "OSRight") == 0)
        *vk = 92;
    else
        return false;
    return true;
}
} // namespace

int32_t VirtualKeyForWebKey(const char* key, const char* code, bool alt, bool ctrl)
{
    if (!key || !code)
        return 0;
    if (std::strcmp(key, "Alt") == 0 || std::strcmp(key, "AltGraph") == 0 || std::strcmp(key, "F10") == 0)
        return 0;
    if (alt && !ctrl)
        return 0;
    int32_t vk = ForKeypad(key, code);
    if (vk == 0 && IsMetaKey(code, &vk))
        return vk;
    if (vk == 0)
        vk = ForSymbol(key);
    if (vk == 0)
        vk = ForPosition(code);
    return vk;
}
