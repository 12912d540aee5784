// Files, folders and the game directory on POSIX hosts, the browser's among them
// (its own writes of whole files are in web_files.cpp).
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/common/posix_files.h"
#include "platform/platform.h"

namespace
{
// Empty unless the game runs from an installed package, whose data folder is
// read-only and shared: the saves then live in the player's own data folder.
std::string SaveFolder;
const char* const SAVE_PREFIX = "./map/";
} // namespace

std::string HostPath(const char* path)
{
    std::string p(path ? path : "");
    for (char& c : p)
        if (c == '\\')
            c = '/';
    if (!SaveFolder.empty() && p.rfind(SAVE_PREFIX, 0) == 0)
        return SaveFolder + p.substr(std::strlen(SAVE_PREFIX) - 1);
    return p;
}

bool MakeSaveFolder()
{
    if (SaveFolder.empty())
        return false;
    // Each folder on the way down, the last one included (npos takes the whole path).
    for (size_t slash = SaveFolder.find('/', 1);; slash = SaveFolder.find('/', slash + 1)) {
        if (mkdir(SaveFolder.substr(0, slash).c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
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
    if (std::FILE* kept = OpenKeptFile(p))
        return kept;
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

// Hosts that keep files elsewhere define their own.
__attribute__((weak)) std::FILE* OpenKeptFile(const std::string&) { return nullptr; }

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

// $XDG_DATA_HOME/gamevrak/map, or ~/.local/share/gamevrak/map; a relative
// XDG_DATA_HOME is to be ignored.
std::string PlayerSaveFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/gamevrak/map";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* entry = getpwuid(getuid());
        home = entry ? entry->pw_dir : "/";
    }
    return std::string(home) + "/.local/share/gamevrak/map";
}
} // namespace

void PlatformEnterGameDirectory(const char* argv0)
{
    if (HasDataFolders())
        return;
    std::string folder = ExecutableFolder(argv0);
    if (folder.empty())
        return;
    if (chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "cannot enter %s\n", folder.c_str());
        return;
    }
    // Installed: the executable in <prefix>/games, its data in <prefix>/share/games/gamevrak.
    if (HasDataFolders() || chdir("../share/games/gamevrak") != 0)
        return;
    if (HasDataFolders())
        SaveFolder = PlayerSaveFolder();
    else if (chdir(folder.c_str()) != 0)
        std::fprintf(stderr, "cannot enter %s\n", folder.c_str());
}
