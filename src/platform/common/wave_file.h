// The one reader of wave files: the chunks are walked to the format and the
// data, whatever other chunks stand between; anything but uncompressed 8- or
// 16-bit samples is refused.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/byte_order.h"

struct WaveData {
    uint32_t channels = 0;
    uint32_t rate = 0;            // frames a second
    uint32_t byte_rate = 0;       // as the file states it
    uint32_t bits = 0;            // 8 (unsigned) or 16 (signed, little-endian)
    std::vector<uint8_t> samples; // whole frames of the data chunk
};

inline bool DecodeWave(const uint8_t* file, size_t size, WaveData* out)
{
    if (size < 12 || std::memcmp(file, "RIFF", 4) != 0 || std::memcmp(file + 8, "WAVE", 4) != 0)
        return false;
    bool format = false;
    for (size_t at = 12; at + 8 <= size;) {
        const uint8_t* chunk = file + at;
        const size_t body = at + 8;
        const size_t length = std::min<size_t>(ReadLittle(chunk + 4, 4), size - body);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && length >= 16) {
            if (ReadLittle(chunk + 8, 2) != 1)
                return false;
            out->channels = ReadLittle(chunk + 10, 2);
            out->rate = ReadLittle(chunk + 12, 4);
            out->byte_rate = ReadLittle(chunk + 16, 4);
            out->bits = ReadLittle(chunk + 22, 2);
            format = out->channels > 0 && out->channels <= 8 && out->rate > 0 && out->rate <= 384000 &&
                     (out->bits == 8 || out->bits == 16);
            if (!format)
                return false;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!format)
                return false;
            const size_t frame = out->channels * (out->bits / 8);
            out->samples.assign(file + body, file + body + length / frame * frame);
            return !out->samples.empty();
        }
        at = body + length + (length & 1);
    }
    return false;
}

// `path` with backslashes as separators; at most 64 MB are read.
inline bool ReadWaveFile(const char* path, WaveData* out)
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
    return DecodeWave(file.data(), file.size(), out);
}
