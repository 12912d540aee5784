// When a paced backend may show its next frame, in ticks of its own counter.
#pragma once
#include <cstdint>

struct FramePacer {
    uint64_t period = 0;     // ticks per frame; 0: no pacing
    uint64_t late_limit = 0; // a frame this late or later starts the count afresh
    uint64_t due = 0;        // when the next frame is due; 0: not known yet
};

// Paces at the given rate with a counter of `frequency` ticks a second; 0: no pacing.
void SetFramePacerRate(FramePacer* pacer, uint64_t frequency, int32_t frames_per_second);
// The ticks to wait, from `now`, before showing this frame. Deadlines advance
// by whole periods, so neither a wait that oversleeps a little nor a frame the
// system held up slows the mean: the frames after it make up for it. A frame
// later than the limit (after a pause of the game) starts the count afresh
// instead of being followed by a burst of hurried frames.
uint64_t FramePacerWait(FramePacer* pacer, uint64_t now);
