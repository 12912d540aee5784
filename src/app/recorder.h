// Recording a session: every input that reaches the game, and every clock read
// its random seeds take, written as lines of the replay runner's script with
// the frame that reads them, so that gamevrak-replay plays the session again.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct SessionRecording {
    std::FILE* file = nullptr; // nullptr while not recording
    std::string path;
    bool started = false; // the header is written
    std::string pending;  // lines not yet written out
    // The pointer as last written, in picture pixels, and the window rectangle then.
    int32_t mouse_x = 0;
    int32_t mouse_y = 0;
    int32_t window[4] = {};
};
extern SessionRecording Recording;

// Creates (or empties) the file; false, with errno telling why, when it cannot be written.
bool StartRecording(const char* path);
// The script's name of a virtual-key code ("A", "F5", "Escape"); nullptr for the codes without one.
const char* ScriptKeyName(int32_t code);
// Inputs as the backends deliver them; they are read by the next frame.
void RecordKeyDown(int32_t code);
void RecordInput(const char* event);
// The wall clock in seconds, for a random seed. The first read (start-up) goes
// into the header with the start zoom and pointer, later ones (loads) into the
// frame that makes them.
uint32_t ReadClockSeconds();
// After the pump: the pointer as the next frame will read it, and this frame's
// lines written out, so that a crash leaves a usable prefix.
void RecordPumpEnd();
// Writes what is left and closes the file; at the end of play, the play
// summary also goes to standard output and, as comments, to the file.
void FinishRecording();
