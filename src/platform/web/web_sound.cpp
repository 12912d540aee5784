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

uint32_t Little(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// Uncompressed 8- or 16-bit wave data, mixed down to one channel. False for
// anything else, which then plays as a missing file does.
bool DecodeWave(const std::vector<uint8_t>& file, Samples* out)
{
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WAVE", 4) != 0)
        return false;
    uint32_t channels = 0, rate = 0, bits = 0;
    size_t at = 12;
    while (at + 8 <= file.size()) {
        const uint8_t* chunk = file.data() + at;
        size_t size = Little(chunk + 4, 4);
        size_t body = at + 8;
        if (size > file.size() - body)
            size = file.size() - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            if (Little(chunk + 8, 2) != 1)
                return false;
            channels = Little(chunk + 10, 2);
            rate = Little(chunk + 12, 4);
            bits = Little(chunk + 22, 2);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (channels == 0 || rate == 0 || rate > 384000 || (bits != 8 && bits != 16))
                return false;
            size_t frame = channels * (bits / 8);
            size_t count = size / frame;
            out->mono.assign(count, 0.0f);
            out->rate = static_cast<int32_t>(rate);
            const uint8_t* p = file.data() + body;
            for (size_t i = 0; i < count; ++i) {
                float sum = 0.0f;
                for (uint32_t c = 0; c < channels; ++c, p += bits / 8)
                    sum += bits == 8 ? (static_cast<float>(*p) - 128.0f) / 128.0f
                                     : static_cast<float>(static_cast<int16_t>(Little(p, 2))) / 32768.0f;
                out->mono[i] = sum / static_cast<float>(channels);
            }
            return count > 0;
        }
        at = body + size + (size & 1);
    }
    return false;
}

bool LoadWave(const char* path, Samples* out)
{
    std::string host(path ? path : "");
    std::replace(host.begin(), host.end(), '\\', '/');
    std::FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
    if (!f)
        return false;
    std::vector<uint8_t> file;
    uint8_t block[4096];
    size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0 && file.size() < (64u << 20))
        file.insert(file.end(), block, block + n);
    std::fclose(f);
    return DecodeWave(file, out);
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
