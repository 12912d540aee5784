// The replay script: lines of `FRAME EVENT`, the events that frame reads,
// after an optional header of the start-up clock and zoom. The recorder writes
// it, the replay runner (native and in the browser) and the soak tool read it.
//   FRAME key NAME|CODE [N]   key-down, on N frames in a row
//   FRAME type TEXT           small letters, digits and spaces, one a frame
//   FRAME mouse X Y           pointer at picture pixel (X, Y)
//   FRAME cell X Y            pointer over the middle of world cell (X, Y)
//   FRAME lclick | rclick | close
//   FRAME clock SECONDS       the next read of the wall clock
// `#` starts a comment.
#pragma once
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "platform/platform.h"

enum ScriptEventKind : int32_t {
    SCRIPT_KEY,
    SCRIPT_MOUSE,
    SCRIPT_CELL,
    SCRIPT_LCLICK,
    SCRIPT_RCLICK,
    SCRIPT_CLOSE,
    SCRIPT_CLOCK,
};

struct ScriptEvent {
    int32_t frame;
    ScriptEventKind kind;
    int32_t a; // key code, or x
    int32_t b; // y
    uint32_t seconds = 0;
    bool operator==(const ScriptEvent&) const = default;
};

// The clock of the start-up seed and the start zoom.
struct ScriptHeader {
    bool has_clock = false;
    uint32_t clock = 0;
    int32_t zoom = 2;
};

// The script's name of a virtual-key code ("A", "F5", "Escape"); nullptr for the codes without one.
const char* ScriptKeyName(int32_t code);
// The code of a name, else of a number 0 to 255 ("3" names the digit key, "03" is code 3); -1 for anything else.
int32_t ScriptKeyCode(const std::string& word);

// One line, with its newline; a key by its name where it has one.
std::string FormatScriptEvent(const ScriptEvent& event);
std::string FormatScriptHeader(uint32_t clock, int32_t zoom);
// Appends the events of one line (comment and blanks already removed); false when malformed.
bool ParseScriptLine(const std::string& line, std::vector<ScriptEvent>* out);
// A whole script; on a malformed line, false with its number and text.
bool ParseScript(std::istream& in, ScriptHeader* header, std::vector<ScriptEvent>* events, int* bad_line,
                 std::string* bad_text);

// The input a backend queues for the event; not for SCRIPT_CLOCK.
InputEvent ScriptInput(const ScriptEvent& event);
