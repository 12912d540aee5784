// The saved files of the browser build (the map folder) are kept outside
// Emscripten's file system, as their non-zero stretches (web_slots.js): the
// file system would copy a file each time it grows and hold every byte of it,
// 144 MB for a route file. Other files stay in the file system.
#include <emscripten.h>

#include <cstdio>
#include <string>

#include "platform/common/posix_files.h"
#include "platform/platform.h"
#include "platform/web/web_files.h"

// clang-format off
EM_JS(void, GatherStart, (void* id), {
    Module.slotFiles.begin(id);
});

EM_JS(void, GatherBytes, (void* id, const char* data, size_t size), {
    Module.slotFiles.add(id, HEAPU8.subarray(data, data + size));
});

EM_JS(void, GatherFinish, (void* id, const char* name), {
    Module.slotFiles.finish(id, UTF8ToString(name));
});

EM_JS(int, RenameKept, (const char* from, const char* to), {
    return Module.slotFiles.rename(UTF8ToString(from), UTF8ToString(to));
});

EM_JS(void, ClosedKept, (const char* name), {
    Module.slotFiles.closed(UTF8ToString(name));
});

// -1 when no such file is kept.
EM_JS(double, KeptSize, (const char* name), {
    const file = Module.slotFiles.files.get(UTF8ToString(name));
    return file ? file.size : -1;
});

EM_JS(size_t, ReadKept, (const char* name, double from, char* data, size_t size), {
    return Module.slotFiles.read(Module.slotFiles.files.get(UTF8ToString(name)), from, HEAPU8.subarray(data, data + size));
});
// clang-format on

namespace
{
const char MAP_FOLDER[] = "./map/";

// The file's name in the map folder, or empty for a file elsewhere.
std::string KeptName(const std::string& host_path)
{
    if (host_path.rfind(MAP_FOLDER, 0) != 0)
        return std::string();
    return host_path.substr(sizeof MAP_FOLDER - 1);
}

struct Kept {
    std::string name;
    off_t at;
    off_t size;
};

ssize_t GatherWrite(void* cookie, const char* data, size_t size)
{
    GatherBytes(cookie, data, size);
    return static_cast<ssize_t>(size);
}

int GatherClose(void* cookie)
{
    Kept* k = static_cast<Kept*>(cookie);
    GatherFinish(cookie, k->name.c_str());
    delete k;
    return 0;
}

ssize_t KeptRead(void* cookie, char* data, size_t size)
{
    Kept* k = static_cast<Kept*>(cookie);
    size_t got = ReadKept(k->name.c_str(), static_cast<double>(k->at), data, size);
    k->at += static_cast<off_t>(got);
    return static_cast<ssize_t>(got);
}

int KeptSeek(void* cookie, off_t* offset, int whence)
{
    Kept* k = static_cast<Kept*>(cookie);
    off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? k->at : k->size;
    if (base + *offset < 0)
        return -1;
    *offset = k->at = base + *offset;
    return 0;
}

int KeptClose(void* cookie)
{
    Kept* k = static_cast<Kept*>(cookie);
    ClosedKept(k->name.c_str());
    delete k;
    return 0;
}
} // namespace

std::FILE* OpenKeptFile(const std::string& host_path)
{
    std::string name = KeptName(host_path);
    if (name.empty())
        return nullptr;
    FetchSavedFile(name.c_str());
    double size = KeptSize(name.c_str());
    if (size < 0)
        return nullptr;
    Kept* k = new Kept{name, 0, static_cast<off_t>(size)};
    std::FILE* f = fopencookie(k, "rb", cookie_io_functions_t{KeptRead, nullptr, KeptSeek, KeptClose});
    if (!f)
        delete k;
    return f;
}

std::FILE* OpenFileTruncated(const char* path)
{
    std::string host = HostPath(path);
    // Created empty in the file system too, so that a missing folder fails here as elsewhere.
    std::FILE* empty = std::fopen(host.c_str(), "wb");
    std::string name = KeptName(host);
    if (!empty || name.empty())
        return empty;
    std::fclose(empty);
    Kept* k = new Kept{name, 0, 0};
    GatherStart(k);
    std::FILE* f = fopencookie(k, "wb", cookie_io_functions_t{nullptr, GatherWrite, nullptr, GatherClose});
    if (!f)
        GatherClose(k);
    return f;
}

bool ReplaceFileAtomically(const char* temporary_path, const char* final_path)
{
    std::string from = HostPath(temporary_path);
    std::string to = HostPath(final_path);
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return false;
    std::string name = KeptName(to);
    if (name.empty())
        return true;
    if (!RenameKept(KeptName(from).c_str(), name.c_str()))
        return false;
    KeepSavedFile(name.c_str());
    return true;
}
