// A double-click gives the tool a console of its own; started from cmd,
// PowerShell or a script it shares theirs, which stays when it ends.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>

#include "window/window.h"

namespace {

// The dialogue's longest line is 87 characters; a console of its own is made
// 100 wide, as the window opened on a Linux desktop is.
constexpr SHORT longest_line = 87;
constexpr SHORT own_width = 100;

}  // namespace

WindowLook look_for_window() { return WindowLook::here; }

ToolPath tool_path(const char* started_as) {
  const std::string as_given = started_as != nullptr ? started_as : "";
  return {as_given, "", as_given};
}

bool open_own_window(const ToolPath& /*tool*/) { return false; }

bool window_may_run() { return false; }

// A console's own window takes the system's default width: 80 columns on
// Windows 7 and 8 and in Wine's console window, where the longest line would
// break mid-word. The buffer is widened first, since the window may never be
// wider than its buffer.
void fit_window_to_dialogue() {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!window_closes_with_tool() || !GetConsoleScreenBufferInfo(out, &info) ||
      info.dwSize.X >= longest_line) {
    return;
  }
  if (!SetConsoleScreenBufferSize(out, COORD{own_width, info.dwSize.Y})) {
    return;
  }
  const SHORT widest = std::min<SHORT>(own_width, GetLargestConsoleWindowSize(out).X);
  SMALL_RECT window = info.srWindow;
  window.Left = 0;
  window.Right = static_cast<SHORT>(std::max<SHORT>(widest, info.srWindow.Right + 1) - 1);
  (void)SetConsoleWindowInfo(out, TRUE, &window);
}

// "A console is closed when the last process attached to it terminates": a
// console holding this process alone closes as it ends. With room for one
// entry the call still returns how many there are.
bool window_closes_with_tool() {
  DWORD process = 0;
  return GetConsoleProcessList(&process, 1) == 1;
}
