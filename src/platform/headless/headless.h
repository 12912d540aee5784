// Control of the headless backend: scripted input, a virtual clock and the
// frames it was asked to present. Used by the replay runner, tests and benches.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum HeadlessEventKind {
    HEADLESS_KEY,
    HEADLESS_MOUSE,
    HEADLESS_CELL,
    HEADLESS_LCLICK,
    HEADLESS_RCLICK,
    HEADLESS_CLOSE,
    HEADLESS_CLOCK // the next read of the wall clock gives `seconds`
};

struct HeadlessEvent {
    int32_t frame;
    HeadlessEventKind kind;
    int32_t a; // key code, or x
    int32_t b; // y
    uint32_t seconds = 0;
};

struct HeadlessSound {
    double time_seconds; // virtual time of the request
    std::string path;
    bool played; // false when dropped because an earlier sound still played
};

// Resets the backend: no events, clock at start_seconds, no window, no sounds.
void HeadlessReset(double start_seconds = 1000000000.0);
// Events are delivered by PumpOneMessage at the end of frame (event.frame - 1);
// HeadlessDeliverFrame(f) delivers those of frame f at once.
void HeadlessQueue(const HeadlessEvent& event);
void HeadlessDeliverFrame(int32_t frame);
// Converts a `cell X Y` event into the buffer pixel the pointer goes to (needs the view).
void HeadlessSetCellMapper(void (*mapper)(int32_t cell_x, int32_t cell_y, int32_t* x, int32_t* y));
// Moves the pointer so that GetMouseX/GetMouseY read buffer pixel (x, y).
void HeadlessSetPointer(int32_t x, int32_t y);
// Moves the pointer to screen position (x, y).
void HeadlessSetScreenPointer(int32_t x, int32_t y);
double HeadlessClock();
void HeadlessAdvanceClock(double seconds);
// The number of frames presented and the last one (RGBA, row 0 at the bottom),
// with its size (0 x 0 before the first).
int64_t HeadlessPresentCount();
const std::vector<uint8_t>& HeadlessLastFrame();
void HeadlessLastFrameSize(int32_t* width, int32_t* height);
bool HeadlessWindowOpen();
int32_t HeadlessWindowWidth();
int32_t HeadlessWindowHeight();
const std::vector<HeadlessSound>& HeadlessSounds();
// Writes an RGBA buffer (row 0 at the bottom) as a PNG, top row first. True on success.
bool WritePng(const char* path, const uint8_t* rgba, int32_t width, int32_t height);
// Reads a PNG as RGB bytes in file order (top row first). False when unreadable.
bool ReadPng(const char* path, std::vector<uint8_t>* rgb, int32_t* width, int32_t* height);
