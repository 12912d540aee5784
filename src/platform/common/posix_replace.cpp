// Whole files written under a temporary name and moved into place, on POSIX hosts.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/common/posix_files.h"
#include "platform/platform.h"

// The player's save folder is made on the first save, not before.
std::FILE* OpenFileTruncated(const char* path)
{
    std::string p = HostPath(path);
    std::FILE* f = std::fopen(p.c_str(), "wb");
    if (!f && errno == ENOENT && MakeSaveFolder())
        f = std::fopen(p.c_str(), "wb");
    return f;
}

// fsync through a fresh descriptor; a directory needs O_RDONLY too.
static bool SyncPath(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool ReplaceFileAtomically(const char* temporary_path, const char* final_path)
{
    std::string from = HostPath(temporary_path);
    std::string to = HostPath(final_path);
    // The data must reach the disk before the name does, or a power cut could
    // leave the new name on an empty file.
    if (!SyncPath(from))
        return false;
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return false;
    size_t slash = to.find_last_of('/');
    SyncPath(slash == std::string::npos ? std::string(".") : to.substr(0, slash + 1));
    return true;
}
