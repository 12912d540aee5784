#include "platform/common/frame_pacer.h"

#include <algorithm>

void SetFramePacerRate(FramePacer* pacer, uint64_t frequency, int32_t frames_per_second)
{
    *pacer = FramePacer();
    if (frames_per_second <= 0)
        return;
    pacer->period = frequency / static_cast<uint64_t>(frames_per_second);
    // A tenth of a second: below the game's shortest pause (120 ms), above the
    // hold-ups of a busy system.
    pacer->late_limit = std::max(pacer->period, frequency / 10);
}

uint64_t FramePacerWait(FramePacer* pacer, uint64_t now)
{
    if (pacer->period == 0)
        return 0;
    if (pacer->due == 0 || now >= pacer->due + pacer->late_limit) {
        pacer->due = now + pacer->period;
        return 0;
    }
    uint64_t wait = now < pacer->due ? pacer->due - now : 0;
    pacer->due += pacer->period;
    return wait;
}
