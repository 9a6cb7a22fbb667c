#pragma once
// What keeps the player from changing Halvane.exe, said in the terms of their
// platform: Windows has Program Files and "Run as administrator", Linux and
// macOS have file owners and modes.

#include <string>

#include "gamefile/file_io.h"

// The line for a file that is read-only or that the account may not write.
std::string permission_refusal(const FileStatus& status);
