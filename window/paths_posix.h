#pragma once
// File names and the programs on PATH, as a shell finds them: the helpers
// that the window code uses to find terminals, message boxes and itself.

#include <string>

// The program's full path, if it is on PATH (or is a path itself); else "".
std::string on_path(const std::string& program);

// The last part of a path: the file's own name.
std::string base_name(const std::string& path);
