// PNG files of the shots through stb_image_write: the same bytes from every
// build, Windows and the browser included, with no library to link.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO // the file is written here, so that a failed close fails the shot
#include <stb_image_write.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/headless/headless.h"

bool WritePng(const char* path, const uint8_t* rgba, int32_t width, int32_t height)
{
    if (!path || !rgba || width <= 0 || height <= 0)
        return false;
    // The picture's top row is the buffer's last; alpha is left out (cleared pixels have 0).
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    uint8_t* out = rgb.data();
    for (int32_t y = height - 1; y >= 0; --y) {
        const uint8_t* src = rgba + static_cast<size_t>(y) * width * 4;
        for (int32_t x = 0; x < width; ++x, out += 3, src += 4) {
            out[0] = src[0];
            out[1] = src[1];
            out[2] = src[2];
        }
    }
    std::string file;
    auto append = [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
    };
    if (!stbi_write_png_to_func(append, &file, width, height, 3, rgb.data(), width * 3))
        return false;
    std::FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    return std::fclose(f) == 0 && ok;
}
