// Sound effects through SDL's queued audio: one effect at a time, first one wins.
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/common/chime.h"
#include "platform/common/wave_file.h"
#include "platform/platform.h"

namespace
{
struct SoundDevice {
    bool tried = false; // opening is attempted once; a machine without audio stays silent
    SDL_AudioDeviceID id = 0;
    SDL_AudioSpec audio_format{};
};
SoundDevice Device;

bool OpenDevice()
{
    if (Device.tried)
        return Device.id != 0;
    Device.tried = true;
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    SDL_AudioSpec want{};
    want.freq = CHIME_RATE;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 1024;
    Device.id = SDL_OpenAudioDevice(nullptr, 0, &want, &Device.audio_format,
                                    SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (Device.id == 0)
        return false;
    SDL_PauseAudioDevice(Device.id, 0);
    return true;
}

// The stand-in for a missing sound.
std::vector<Sint16> ChimeSamples()
{
    std::vector<Sint16> out;
    for (double v : ChimeWave())
        out.push_back(static_cast<Sint16>(v * 9000.0));
    return out;
}

// Converts to the device format and hands the result to the queue.
void QueueConverted(const Uint8* data, Uint32 length, SDL_AudioFormat format, Uint8 channels, int frequency)
{
    SDL_AudioCVT cvt;
    int built = SDL_BuildAudioCVT(&cvt, format, channels, frequency, Device.audio_format.format,
                                  Device.audio_format.channels, Device.audio_format.freq);
    if (built < 0)
        return;
    if (built == 0) {
        SDL_QueueAudio(Device.id, data, length);
        return;
    }
    std::vector<Uint8> work(static_cast<size_t>(length) * static_cast<size_t>(cvt.len_mult));
    std::memcpy(work.data(), data, length);
    cvt.buf = work.data();
    cvt.len = static_cast<int>(length);
    if (SDL_ConvertAudio(&cvt) != 0)
        return;
    SDL_QueueAudio(Device.id, work.data(), static_cast<Uint32>(cvt.len_cvt));
}
} // namespace

void PlatformPlaySound(const char* path)
{
    if (!OpenDevice())
        return;
    // Whatever is still queued is an earlier effect of ours: no-stop mode drops the request.
    if (SDL_GetQueuedAudioSize(Device.id) > 0)
        return;
    WaveData wave;
    if (ReadWaveFile(path, &wave)) {
        QueueConverted(wave.samples.data(), static_cast<Uint32>(wave.samples.size()),
                       wave.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB, static_cast<Uint8>(wave.channels),
                       static_cast<int>(wave.rate));
        return;
    }
    std::vector<Sint16> chime = ChimeSamples();
    QueueConverted(reinterpret_cast<const Uint8*>(chime.data()), static_cast<Uint32>(chime.size() * sizeof(Sint16)),
                   AUDIO_S16SYS, 1, CHIME_RATE);
}
