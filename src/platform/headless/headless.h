// Control of the headless backend: scripted input, a virtual clock and the
// frames it was asked to present. Used by the replay runner, tests and benches.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

struct HeadlessSound {
    double time_seconds; // virtual time of the request
    std::string path;
    bool played; // false when dropped because an earlier sound still played
};

// Resets the backend: no events, clock at start_seconds, no window, no sounds.
void HeadlessReset(double start_seconds = 1000000000.0);
// Input events are queued by the pump that ends frame (frame - 1), for frame
// `frame` to take; HeadlessDeliverFrame(f) queues those of frame f at once.
void HeadlessQueue(int32_t frame, const InputEvent& event);
// The first read of the wall clock from the pump of (frame - 1) on gives `seconds`.
void HeadlessQueueClock(int32_t frame, uint32_t seconds);
void HeadlessDeliverFrame(int32_t frame);
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
