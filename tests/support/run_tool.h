#pragma once
// Runs the built tool as a player's script would: in a given folder, with the
// answers piped into standard input and no console to read keys from.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ToolRun {
  std::string output;  // standard output, line ends as LF
  int status = -1;     // exit status, or -1 when the tool did not exit normally
  bool timed_out = false;
};

// `before_start` runs in the child just before the tool starts (POSIX only),
// for tests that take something away from it: a file-size limit.
// `tool` is the built tool unless a test runs a copy of it.
ToolRun run_tool(const std::string& folder, const std::string& input,
                 const std::function<void()>& before_start = {}, int seconds = 20,
                 const std::string& tool = HALVANE_RES_PATH);

// A script in `folder` that runs the tool under strace, which makes the
// tool's calls on the file `path` fail as each of `injections` says
// ("pwrite64:error=EIO:when=3": the third write fails), as a failing disk or
// a network mount would; "" where strace is not installed. POSIX only.
std::string tool_failing_at(const std::string& folder, const std::string& path,
                            const std::vector<std::string>& injections);

// A copy of the tool made in `folder`, which nobody can enter where the
// build tree may not let it, and a script there that runs it as nobody
// where the tests run as root (root ignores permission bits); the copy
// itself otherwise. POSIX only.
std::string tool_as_nobody(const std::string& folder);

// A program left running in a folder while a test runs the tool beside it:
// a stand-in for the game, or a first run of the tool waiting at a question.
// Its standard input stays open, so it waits there; it is killed at the end.
class Background {
 public:
  // Starts `program` in `folder`, gives it `typed` at once, as a script
  // would (an idle pipe is a launcher's), and waits until its output shows
  // `ready`.
  Background(const std::string& program, const std::string& folder, const std::string& ready,
             const std::string& typed = "");
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

  bool ready = false;  // `ready` was seen before the program ended or 20 seconds passed

  // Ends it at once, as a closed window or a power cut would.
  void kill();

 private:
  std::intptr_t process = -1;
  std::intptr_t input = -1;
};
