#include "app/script.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "app/input.h"

namespace
{
const std::array<std::string, 256>& KeyNames()
{
    static const std::array<std::string, 256> names = [] {
        std::array<std::string, 256> n;
        n[KEY_BACKSPACE] = "Backspace";
        n[KEY_TAB] = "Tab";
        n[KEY_ENTER] = "Enter";
        n[KEY_SHIFT] = "Shift";
        n[KEY_ESCAPE] = "Escape";
        n[KEY_SPACE] = "Space";
        n[KEY_LEFT] = "Left";
        n[KEY_UP] = "Up";
        n[KEY_RIGHT] = "Right";
        n[KEY_DOWN] = "Down";
        n[KEY_KEYPAD_PLUS] = "KeypadPlus";
        n[KEY_KEYPAD_MINUS] = "KeypadMinus";
        n[KEY_LEFT_BRACKET] = "LeftBracket";
        n[KEY_RIGHT_BRACKET] = "RightBracket";
        for (int32_t c = KEY_0; c <= KEY_9; ++c)
            n[c] = std::string(1, static_cast<char>(c));
        for (int32_t c = KEY_A; c <= KEY_Z; ++c)
            n[c] = std::string(1, static_cast<char>(c));
        for (int32_t f = 0; f < 12; ++f)
            n[KEY_F1 + f] = std::string("F").append(std::to_string(f + 1));
        return n;
    }();
    return names;
}

bool ParseUnsigned(const std::string& s, uint32_t* out)
{
    if (s.empty() || s.size() > 10 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long long v = std::strtoull(s.c_str(), nullptr, 10);
    if (v > 4294967295ull)
        return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

bool ParseInt(const std::string& s, int32_t* out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end != 0 || v < -1000000000L || v > 1000000000L)
        return false;
    *out = static_cast<int32_t>(v);
    return true;
}

// `clock SECONDS` and `zoom N`, without a frame, before the first event.
bool ParseHeaderLine(const std::string& line, ScriptHeader* header)
{
    std::istringstream in(line);
    std::string word, value, extra;
    if (!(in >> word >> value) || (in >> extra))
        return false;
    uint32_t n = 0;
    if (word == "clock" && ParseUnsigned(value, &n)) {
        header->has_clock = true;
        header->clock = n;
        return true;
    }
    if (word == "zoom" && ParseUnsigned(value, &n) && n >= 1 && n <= 5) {
        header->zoom = static_cast<int32_t>(n);
        return true;
    }
    return false;
}

bool ParseText(std::istringstream& in, ScriptEvent e, std::vector<ScriptEvent>* out)
{
    std::string text;
    std::getline(in >> std::ws, text);
    text.erase(text.find_last_not_of(" \t\r") + 1);
    if (text.empty())
        return false;
    e.kind = SCRIPT_KEY;
    for (char c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c != ' ' && (c < '0' || c > '9'))
            return false;
        e.a = c;
        out->push_back(e);
        ++e.frame;
    }
    return true;
}

bool ParseEvent(const std::string& event, std::istringstream& in, ScriptEvent* e, int32_t* count)
{
    std::string a, b, extra;
    if (event == "key") {
        if (!(in >> a) || ((in >> b) && (!ParseInt(b, count) || *count < 1 || *count > 100000)) || (in >> extra))
            return false;
        e->a = ScriptKeyCode(a);
        e->kind = SCRIPT_KEY;
        return e->a >= 0;
    }
    if (event == "clock") {
        if (!(in >> a) || (in >> extra) || !ParseUnsigned(a, &e->seconds))
            return false;
        e->kind = SCRIPT_CLOCK;
        return true;
    }
    if (event == "mouse" || event == "cell") {
        if (!(in >> a >> b) || (in >> extra) || !ParseInt(a, &e->a) || !ParseInt(b, &e->b))
            return false;
        e->kind = event == "mouse" ? SCRIPT_MOUSE : SCRIPT_CELL;
        return true;
    }
    if (in >> extra)
        return false;
    if (event == "lclick")
        e->kind = SCRIPT_LCLICK;
    else if (event == "rclick")
        e->kind = SCRIPT_RCLICK;
    else if (event == "close")
        e->kind = SCRIPT_CLOSE;
    else
        return false;
    return true;
}
} // namespace

const char* ScriptKeyName(int32_t code)
{
    return code >= 0 && code < 256 && !KeyNames()[code].empty() ? KeyNames()[code].c_str() : nullptr;
}

int32_t ScriptKeyCode(const std::string& word)
{
    static const std::map<std::string, int32_t> codes = [] {
        std::map<std::string, int32_t> m;
        for (int32_t code = 0; code < 256; ++code)
            if (const char* name = ScriptKeyName(code))
                m[name] = code;
        return m;
    }();
    auto it = codes.find(word);
    if (it != codes.end())
        return it->second;
    int32_t code = -1;
    return ParseInt(word, &code) && code >= 0 && code <= 255 ? code : -1;
}

std::string FormatScriptEvent(const ScriptEvent& e)
{
    static const char* const WORDS[] = {"key", "mouse", "cell", "lclick", "rclick", "close", "clock"};
    std::string line = std::to_string(e.frame) + " " + WORDS[e.kind];
    if (e.kind == SCRIPT_KEY) {
        // A single digit is the name of a digit key: the codes below 10 without a name take two.
        const char* name = ScriptKeyName(e.a);
        // Appended piece by piece: "text" + std::string trips GCC 12's -Wrestrict at -O3 (a false alarm).
        line.append(name || e.a < 0 || e.a >= 10 ? " " : " 0").append(name ? name : std::to_string(e.a));
    } else if (e.kind == SCRIPT_MOUSE || e.kind == SCRIPT_CELL) {
        line.append(" ").append(std::to_string(e.a)).append(" ").append(std::to_string(e.b));
    } else if (e.kind == SCRIPT_CLOCK) {
        line.append(" ").append(std::to_string(e.seconds));
    }
    return line + "\n";
}

std::string FormatScriptHeader(uint32_t clock, int32_t zoom)
{
    return "clock " + std::to_string(clock) + "\nzoom " + std::to_string(zoom) + "\n";
}

bool ParseScriptLine(const std::string& line, std::vector<ScriptEvent>* out)
{
    std::istringstream in(line);
    std::string frame, event;
    in >> frame >> event;
    ScriptEvent e{};
    if (!ParseInt(frame, &e.frame) || e.frame < 0)
        return false;
    if (event == "type")
        return ParseText(in, e, out);
    int32_t count = 1;
    if (!ParseEvent(event, in, &e, &count))
        return false;
    for (int32_t i = 0; i < count; ++i, ++e.frame)
        out->push_back(e);
    return true;
}

bool ParseScript(std::istream& in, ScriptHeader* header, std::vector<ScriptEvent>* events, int* bad_line,
                 std::string* bad_text)
{
    std::string line;
    int number = 0;
    bool started = false;
    while (std::getline(in, line)) {
        ++number;
        std::string text = line.substr(0, line.find('#'));
        if (text.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (!started && ParseHeaderLine(text, header))
            continue;
        started = true;
        if (!ParseScriptLine(text, events)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            *bad_line = number;
            *bad_text = line;
            return false;
        }
    }
    return true;
}

InputEvent ScriptInput(const ScriptEvent& e)
{
    switch (e.kind) {
    case SCRIPT_KEY: return {INPUT_KEY_DOWN, e.a, 0};
    case SCRIPT_MOUSE: return {INPUT_POINTER_AT_PIXEL, e.a, e.b};
    case SCRIPT_CELL: return {INPUT_POINTER_AT_CELL, e.a, e.b};
    case SCRIPT_LCLICK: return {INPUT_LEFT_BUTTON, 0, 0};
    case SCRIPT_RCLICK: return {INPUT_RIGHT_BUTTON, 0, 0};
    default: return {INPUT_CLOSE, 0, 0};
    }
}
