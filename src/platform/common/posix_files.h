// The game's backslash paths on POSIX hosts.
#pragma once
#include <cstdio>
#include <string>

std::string HostPath(const char* path);
// Makes the player's save folder and those above it when saves go there (an
// installed game); false otherwise or when it cannot be made.
bool MakeSaveFolder();
// A file the host keeps outside its file system (the browser's saves), opened
// for reading; nullptr when there is none by that name, the file system's then.
std::FILE* OpenKeptFile(const std::string& host_path);
