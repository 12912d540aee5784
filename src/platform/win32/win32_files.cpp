// Win32 backend: files, folders and the game directory.
// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

// Open-always: a missing file is created empty, an existing one is kept whole.
// Sharing is left open both ways because other programs may read or write the
// file meanwhile. The handle is then wrapped in a stdio stream.
std::FILE* OpenFileAlways(const char* path, bool for_writing)
{
    if (!path)
        return nullptr;
    DWORD access = for_writing ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;
    HANDLE handle = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), (for_writing ? _O_RDWR : _O_RDONLY) | _O_BINARY);
    if (fd == -1) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, for_writing ? "r+b" : "rb");
    if (!stream)
        _close(fd); // also closes the handle
    return stream;
}

std::FILE* OpenFileTruncated(const char* path)
{
    if (!path)
        return nullptr;
    return std::fopen(path, "wb");
}

// The data must reach the disk before the name does, or a power cut could
// leave the new name on an empty file; write-through then makes the move itself
// durable before it returns. While another program holds the old file open the
// move is refused: the file is then written in place, as the game always did,
// rather than the save lost.
bool ReplaceFileAtomically(const char* temporary_path, const char* final_path)
{
    if (!temporary_path || !final_path)
        return false;
    HANDLE handle = CreateFileA(temporary_path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    bool flushed = FlushFileBuffers(handle) != 0;
    CloseHandle(handle);
    if (!flushed)
        return false;
    if (MoveFileExA(temporary_path, final_path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DWORD refused = GetLastError();
    if (refused != ERROR_SHARING_VIOLATION && refused != ERROR_ACCESS_DENIED)
        return false;
    HANDLE from = CreateFileA(temporary_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE to = CreateFileA(final_path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    bool copied = from != INVALID_HANDLE_VALUE && to != INVALID_HANDLE_VALUE;
    char block[16384];
    DWORD got = 0, put = 0;
    while (copied) {
        copied = ReadFile(from, block, sizeof block, &got, nullptr) != 0;
        if (!copied || got == 0)
            break;
        copied = WriteFile(to, block, got, &put, nullptr) && put == got;
    }
    copied = copied && SetEndOfFile(to) && FlushFileBuffers(to);
    if (from != INVALID_HANDLE_VALUE)
        CloseHandle(from);
    if (to != INVALID_HANDLE_VALUE)
        CloseHandle(to);
    if (copied)
        DeleteFileA(temporary_path);
    return copied;
}

bool RemoveFile(const char* path) { return path && DeleteFileA(path) != 0; }

bool FolderExists(const char* path)
{
    if (!path)
        return false;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void PlatformEnterGameDirectory(const char*)
{
    if (FolderExists(".\\bmp_unit") && FolderExists(".\\sound"))
        return;
    char exe[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    exe[n] = 0;
    char* slash = std::strrchr(exe, '\\');
    if (!slash)
        return;
    *slash = 0;
    SetCurrentDirectoryA(exe);
}
