// The game's backslash paths on POSIX hosts.
#pragma once
#include <string>

std::string HostPath(const char* path);
// Makes the player's save folder and those above it when saves go there (an
// installed game); false otherwise or when it cannot be made.
bool MakeSaveFolder();
