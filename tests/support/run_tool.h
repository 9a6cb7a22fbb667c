#pragma once
// Runs the built tool as a player's script would: in a given folder, with the
// answers piped into standard input and no console to read keys from.

#include <functional>
#include <string>

struct ToolRun {
  std::string output;  // standard output, line ends as LF
  int status = -1;     // exit status, or -1 when the tool did not exit normally
  bool timed_out = false;
};

// `before_start` runs in the child just before the tool starts (POSIX only),
// for tests that take something away from it: a file-size limit, a user.
// `tool` is the built tool unless a test runs a copy of it.
ToolRun run_tool(const std::string& folder, const std::string& input,
                 const std::function<void()>& before_start = {}, int seconds = 20,
                 const std::string& tool = HALVANE_RES_PATH);
