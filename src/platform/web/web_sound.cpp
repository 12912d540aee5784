// Sound effects through Web Audio: one effect at a time, the first one wins.
// Until the player's first key or click the browser allows no sound, and the
// effects of that time are dropped.
#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/common/chime.h"
#include "platform/common/wave_file.h"
#include "platform/platform.h"
#include "platform/web/web_audio.h"

// clang-format off
// True when a context runs and none of our effects still plays.
EM_JS(int, AudioFree, (), {
    const audio = Module.audio;
    return audio && audio.state === 'running' && audio.currentTime >= (Module.audioBusyUntil || 0) ? 1 : 0;
});

EM_JS(void, PlayMono, (const float* samples, int count, int rate), {
    try {
        const audio = Module.audio;
        const buffer = audio.createBuffer(1, count, rate);
        buffer.copyToChannel(new Float32Array(HEAPF32.buffer, samples, count), 0);
        const source = audio.createBufferSource();
        source.buffer = buffer;
        source.connect(audio.destination);
        source.start();
        Module.audioBusyUntil = audio.currentTime + buffer.duration;
    } catch (e) {
        console.warn('GAMEVRAK: sound not played:', e);
    }
});

EM_JS(void, UnlockWebAudio, (), {
    try {
        if (!Module.audio) Module.audio = new AudioContext();
        if (Module.audio.state === 'suspended') Module.audio.resume();
    } catch (e) {
        Module.audio = null;
    }
});
// clang-format on

namespace
{

struct Samples {
    std::vector<float> mono;
    int32_t rate = 0;
};

// Mixed down to one channel.
bool LoadWave(const char* path, Samples* out)
{
    WaveData wave;
    if (!ReadWaveFile(path, &wave))
        return false;
    const size_t width = wave.bits / 8;
    const size_t count = wave.samples.size() / (wave.channels * width);
    out->mono.assign(count, 0.0f);
    out->rate = static_cast<int32_t>(wave.rate);
    const uint8_t* p = wave.samples.data();
    for (size_t i = 0; i < count; ++i) {
        float sum = 0.0f;
        for (uint32_t c = 0; c < wave.channels; ++c, p += width)
            sum += wave.bits == 8 ? (static_cast<float>(*p) - 128.0f) / 128.0f
                                  : static_cast<float>(static_cast<int16_t>(ReadLittle(p, 2))) / 32768.0f;
        out->mono[i] = sum / static_cast<float>(wave.channels);
    }
    return true;
}

// The stand-in for a missing sound.
void Chime(Samples* out)
{
    out->rate = CHIME_RATE;
    out->mono.clear();
    for (double v : ChimeWave())
        out->mono.push_back(static_cast<float>(v * 0.27));
}

} // namespace

void PlatformPlaySound(const char* path)
{
    if (!AudioFree())
        return;
    Samples samples;
    if (!LoadWave(path, &samples))
        Chime(&samples);
    PlayMono(samples.mono.data(), static_cast<int>(samples.mono.size()), samples.rate);
}
