#include "platform/common/frame_pacer.h"

uint64_t FramePacerWait(FramePacer* pacer, uint64_t now)
{
    if (pacer->period == 0)
        return 0;
    if (pacer->due == 0 || now >= pacer->due + pacer->period) {
        pacer->due = now + pacer->period;
        return 0;
    }
    uint64_t wait = now < pacer->due ? pacer->due - now : 0;
    pacer->due += pacer->period;
    return wait;
}
