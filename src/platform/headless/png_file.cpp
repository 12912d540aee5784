// PNG files of the shots, on zlib alone: the same bytes from every build,
// Windows included, where no PNG library is packaged for the cross compiler.
// Written as 8-bit RGB without filters; read back as 8-bit RGB or RGBA,
// not interlaced, with any of the five row filters.
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/headless/headless.h"

namespace
{
const uint8_t PNG_SIGNATURE[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
// Larger pictures are refused when reading: a hostile header must not make us allocate gigabytes.
constexpr uint32_t PNG_MAX_SIDE = 16384;

void PutBig32(std::string* out, uint32_t v)
{
    const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
    out->append(b, 4);
}

uint32_t GetBig32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

void PutChunk(std::string* out, const char* type, const uint8_t* data, size_t size)
{
    PutBig32(out, static_cast<uint32_t>(size));
    size_t start = out->size();
    out->append(type, 4);
    out->append(reinterpret_cast<const char*>(data), size);
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(out->data() + start), static_cast<uInt>(size + 4));
    PutBig32(out, static_cast<uint32_t>(crc));
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>* data)
{
    std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f)
        return false;
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0)
        data->insert(data->end(), block, block + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

uint8_t Paeth(uint8_t a, uint8_t b, uint8_t c)
{
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes the row filters in place; false on an unknown filter type.
bool Unfilter(std::vector<uint8_t>* raw, size_t stride, uint32_t height, size_t bpp)
{
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = raw->data() + y * (stride + 1);
        uint8_t* line = row + 1;
        const uint8_t* up = y > 0 ? line - (stride + 1) : nullptr;
        for (size_t i = 0; i < stride; ++i) {
            uint8_t a = i >= bpp ? line[i - bpp] : 0, b = up ? up[i] : 0, c = up && i >= bpp ? up[i - bpp] : 0;
            switch (row[0]) {
            case 0: break;
            case 1: line[i] += a; break;
            case 2: line[i] += b; break;
            case 3: line[i] += static_cast<uint8_t>((a + b) / 2); break;
            case 4: line[i] += Paeth(a, b, c); break;
            default: return false;
            }
        }
    }
    return true;
}
} // namespace

bool WritePng(const char* path, const uint8_t* rgba, int32_t width, int32_t height)
{
    if (!path || !rgba || width <= 0 || height <= 0)
        return false;
    // The picture's top row is the buffer's last; alpha is left out (cleared pixels have 0).
    size_t stride = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> raw((stride + 1) * height);
    uint8_t* out = raw.data();
    for (int32_t y = height - 1; y >= 0; --y) {
        *out++ = 0; // no filter
        const uint8_t* src = rgba + static_cast<size_t>(y) * width * 4;
        for (int32_t x = 0; x < width; ++x, out += 3, src += 4) {
            out[0] = src[0];
            out[1] = src[1];
            out[2] = src[2];
        }
    }
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packed_size);
    if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), Z_DEFAULT_COMPRESSION) !=
        Z_OK)
        return false;

    std::string file(reinterpret_cast<const char*>(PNG_SIGNATURE), sizeof PNG_SIGNATURE);
    std::string header;
    PutBig32(&header, static_cast<uint32_t>(width));
    PutBig32(&header, static_cast<uint32_t>(height));
    header.append("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, adaptive filters, not interlaced
    PutChunk(&file, "IHDR", reinterpret_cast<const uint8_t*>(header.data()), header.size());
    PutChunk(&file, "IDAT", packed.data(), packed_size);
    PutChunk(&file, "IEND", nullptr, 0);

    std::FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    return std::fclose(f) == 0 && ok;
}

bool ReadPng(const char* path, std::vector<uint8_t>* rgb, int32_t* width, int32_t* height)
{
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, &data) || data.size() < 8 || std::memcmp(data.data(), PNG_SIGNATURE, 8) != 0)
        return false;
    uint32_t w = 0, h = 0;
    size_t bpp = 0;
    std::vector<uint8_t> packed;
    bool ended = false;
    for (size_t at = 8; !ended;) {
        if (data.size() - at < 12)
            return false;
        uint32_t size = GetBig32(&data[at]);
        if (size > data.size() - at - 12)
            return false;
        const uint8_t* type = &data[at + 4];
        const uint8_t* body = type + 4;
        if (crc32(0L, type, size + 4) != GetBig32(body + size))
            return false;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (size != 13 || body[8] != 8 || (body[9] != 2 && body[9] != 6) || body[10] != 0 || body[11] != 0 ||
                body[12] != 0)
                return false;
            w = GetBig32(body);
            h = GetBig32(body + 4);
            bpp = body[9] == 6 ? 4 : 3;
        } else if (std::memcmp(type, "IDAT", 4) == 0)
            packed.insert(packed.end(), body, body + size);
        else if (std::memcmp(type, "IEND", 4) == 0)
            ended = true;
        at += size + 12;
    }
    if (w == 0 || h == 0 || w > PNG_MAX_SIDE || h > PNG_MAX_SIDE)
        return false;
    size_t stride = w * bpp;
    std::vector<uint8_t> raw((stride + 1) * h);
    uLongf raw_size = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &raw_size, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
        raw_size != raw.size() || !Unfilter(&raw, stride, h, bpp))
        return false;
    rgb->resize(static_cast<size_t>(w) * h * 3);
    uint8_t* out = rgb->data();
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* line = raw.data() + y * (stride + 1) + 1;
        for (uint32_t x = 0; x < w; ++x, out += 3, line += bpp)
            std::memcpy(out, line, 3);
    }
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
    return true;
}
