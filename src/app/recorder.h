// Recording a session: every input that reaches the game, and every clock read
// its random seeds take, written as lines of the replay runner's script with
// the frame that reads them, so that gamevrak-replay plays the session again.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/platform.h"

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
// An input event as the frame `frame` takes it; the pointer is written from
// where it then reads (RecordFrameInput), not from its events.
void RecordInputEvent(int32_t frame, const InputEvent& event);
// The wall clock in seconds, for a random seed. The first read (start-up) goes
// into the header with the start zoom and pointer, later ones (loads) into the
// frame that makes them.
uint32_t ReadClockSeconds();
// Once the frame's input is taken: the pointer as frame `frame` reads it, and
// the lines so far written out, so that a crash leaves a usable prefix.
void RecordFrameInput(int32_t frame);
// Writes what is left and closes the file; at the end of play, the play
// summary also goes to standard output and, as comments, to the file.
void FinishRecording();
