// When a paced backend may show its next frame, in ticks of its own counter.
#pragma once
#include <cstdint>

struct FramePacer {
    uint64_t period = 0; // ticks per frame; 0: no pacing
    uint64_t due = 0;    // when the next frame is due; 0: not known yet
};

// The ticks to wait, from `now`, before showing this frame. Deadlines advance
// by whole periods, so a wait that oversleeps a little does not slow the mean;
// a frame a whole period late or more (after a pause of the game) starts the
// count afresh instead of being followed by a burst of hurried frames.
uint64_t FramePacerWait(FramePacer* pacer, uint64_t now);
