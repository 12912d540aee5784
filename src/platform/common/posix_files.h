// The game's backslash paths on POSIX hosts.
#pragma once
#include <string>

std::string HostPath(const char* path);
