// Files, folders and the game directory on POSIX hosts.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

static std::string HostPath(const char* path)
{
    std::string p(path ? path : "");
    for (char& c : p)
        if (c == '\\')
            c = '/';
    return p;
}

std::FILE* OpenFileAlways(const char* path, bool for_writing)
{
    std::string p = HostPath(path);
    if (for_writing) {
        std::FILE* f = std::fopen(p.c_str(), "r+b");
        if (!f)
            f = std::fopen(p.c_str(), "w+b");
        return f;
    }
    std::FILE* f = std::fopen(p.c_str(), "rb");
    if (f)
        return f;
    // Open-always on a missing file leaves an empty file behind.
    std::FILE* created = std::fopen(p.c_str(), "ab");
    if (!created)
        return nullptr;
    std::fclose(created);
    return std::fopen(p.c_str(), "rb");
}

bool ReplaceFileAtomically(const char* temporary_path, const char* final_path)
{
    std::string from = HostPath(temporary_path);
    return std::rename(from.c_str(), HostPath(final_path).c_str()) == 0;
}

bool FolderExists(const char* path)
{
    struct stat st;
    return stat(HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void PlatformEnterGameDirectory(const char*)
{
    if (FolderExists(".\\bmp_unit") && FolderExists(".\\sound"))
        return;
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return;
    exe[n] = 0;
    char* slash = std::strrchr(exe, '/');
    if (!slash)
        return;
    *slash = 0;
    if (chdir(exe) != 0)
        return;
}
