#pragma once
// File names and the programs on PATH, as a shell finds them: the helpers
// that the window code uses to find terminals, message boxes and itself.

#include <string>

// The program's full path, if it is on PATH (or is a path itself); else "".
std::string on_path(const std::string& program);

// The last part of a path: the file's own name.
std::string base_name(const std::string& path);

// The path the tool was started by (argv[0]), made whole: a link to the
// tool in the game's folder counts as being there. Started by a bare name
// (from PATH), the file itself (Linux's /proc/self/exe).
struct ToolPath {
  std::string path;        // "" where it cannot be known
  std::string failure;     // then why, in the system's words
  std::string started_as;  // argv[0] as it came
};
ToolPath tool_path(const char* started_as);
