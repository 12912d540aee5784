// Whole files written by the browser build, in Emscripten's in-memory file system; the map
// folder is backed by IndexedDB (see web_pre.js). A file written for
// ReplaceFileAtomically is gathered outside the file system and handed to it
// whole when closed: the file system copies a file each time it grows, which
// for a 144 MB route file takes seconds.
#include <emscripten.h>

#include <cstdio>
#include <string>

#include "platform/common/posix_files.h"
#include "platform/platform.h"

// clang-format off
EM_JS(void, GatherStart, (void* id), {
    (Module.gathering || (Module.gathering = new Map())).set(id, []);
});

EM_JS(void, GatherBytes, (void* id, const char* data, size_t size), {
    Module.gathering.get(id).push(HEAPU8.slice(data, data + size));
});

// True when the file now holds the gathered bytes.
EM_JS(int, GatherFinish, (void* id, const char* path), {
    const parts = Module.gathering.get(id);
    Module.gathering.delete(id);
    const whole = new Uint8Array(parts.reduce((size, part) => size + part.length, 0));
    let at = 0;
    for (const part of parts) {
        whole.set(part, at);
        at += part.length;
    }
    try {
        FS.writeFile(UTF8ToString(path), whole, {canOwn: true});
        return 1;
    } catch (e) {
        return 0;
    }
});

// The saves folder reaches IndexedDB before the game goes on.
EM_ASYNC_JS(void, StoreSaves, (), {
    await new Promise(resolve => FS.syncfs(false, error => {
        if (error) console.warn('GAMEVRAK: saves not stored:', error);
        resolve();
    }));
    Module.savesStored = (Module.savesStored || 0) + 1;
});
// clang-format on

namespace
{
struct Gathered {
    std::string path;
};

ssize_t GatherWrite(void* cookie, const char* data, size_t size)
{
    GatherBytes(cookie, data, size);
    return static_cast<ssize_t>(size);
}

int GatherClose(void* cookie)
{
    Gathered* g = static_cast<Gathered*>(cookie);
    bool ok = GatherFinish(cookie, g->path.c_str()) != 0;
    delete g;
    return ok ? 0 : -1;
}
} // namespace

std::FILE* OpenFileTruncated(const char* path)
{
    Gathered* g = new Gathered{HostPath(path)};
    // Created empty now, so that a missing folder fails here as elsewhere.
    std::FILE* empty = std::fopen(g->path.c_str(), "wb");
    if (!empty) {
        delete g;
        return nullptr;
    }
    std::fclose(empty);
    GatherStart(g);
    std::FILE* f = fopencookie(g, "wb", cookie_io_functions_t{nullptr, GatherWrite, nullptr, GatherClose});
    if (!f)
        GatherClose(g);
    return f;
}

bool ReplaceFileAtomically(const char* temporary_path, const char* final_path)
{
    if (std::rename(HostPath(temporary_path).c_str(), HostPath(final_path).c_str()) != 0)
        return false;
    StoreSaves();
    return true;
}
