// Files, folders and the game directory on POSIX hosts, the browser's among them
// (its own writes of whole files are in web_files.cpp).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/common/posix_files.h"
#include "platform/platform.h"

std::string HostPath(const char* path)
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
    // A folder opens for reading here, but not on Windows: the same "cannot be opened".
    struct stat st;
    if (f && fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return nullptr;
    }
    if (f)
        return f;
    // Open-always on a missing file leaves an empty file behind.
    std::FILE* created = std::fopen(p.c_str(), "ab");
    if (!created)
        return nullptr;
    std::fclose(created);
    return std::fopen(p.c_str(), "rb");
}

bool RemoveFile(const char* path) { return std::remove(HostPath(path).c_str()) == 0; }

bool FolderExists(const char* path)
{
    struct stat st;
    return stat(HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace
{
const char* const DATA_FOLDERS[] = {".\\bmp_cross",     ".\\bmp_unit", ".\\bmp_land", ".\\bmp_dungeon",
                                    ".\\bmp_structure", ".\\bmp_item", ".\\sound"};

bool HasDataFolders()
{
    for (const char* folder : DATA_FOLDERS)
        if (!FolderExists(folder))
            return false;
    return true;
}

// The folder holding the running executable; argv[0] serves when /proc is missing.
std::string ExecutableFolder(const char* argv0)
{
    std::string exe;
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0)
        exe.assign(buffer, static_cast<size_t>(n));
    else if (argv0 && std::strchr(argv0, '/'))
        exe = argv0;
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}
} // namespace

void PlatformEnterGameDirectory(const char* argv0)
{
    if (HasDataFolders())
        return;
    std::string folder = ExecutableFolder(argv0);
    if (!folder.empty() && chdir(folder.c_str()) != 0)
        std::fprintf(stderr, "cannot enter %s\n", folder.c_str());
}
