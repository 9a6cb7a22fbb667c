// A double-click gives the tool a console of its own; started from cmd,
// PowerShell or a script it shares theirs, which stays when it ends.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <string_view>

#include "window/window.h"
#include "window/window_size.h"

namespace {

// A console of its own is made as wide as the window opened on a Linux desktop.
constexpr auto longest_line = static_cast<SHORT>(longest_dialogue_line);
constexpr auto own_width = static_cast<SHORT>(window_columns);

// Whether the console has a window of its own that the size calls move.
// Under a pseudo-console (Windows Terminal, the default on Windows 11; an
// ssh session) GetConsoleWindow gives a hidden stand-in of the class
// PseudoConsoleWindow, and the size calls change only the pseudo-console's
// buffer, never the terminal's window (microsoft/terminal #5094); Wine's
// console on a terminal has no window at all.
bool has_own_window() {
  const HWND window = GetConsoleWindow();
  wchar_t name[32] = {};
  return window != nullptr && IsWindowVisible(window) && GetClassNameW(window, name, 32) > 0 &&
         std::wstring_view(name) != L"PseudoConsoleWindow";
}

// A console's own window takes the system's default width: 80 columns on
// Windows 7 and 8 and in Wine's console window, where the longest line would
// break mid-word. It is widened only where the window can follow: a buffer
// wider than its window would push the ends of the questions out of sight,
// behind a scroll bar, instead of breaking them.
void fit_window_to_dialogue() {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!window_closes_with_tool() || !has_own_window() || !GetConsoleScreenBufferInfo(out, &info) ||
      info.srWindow.Right - info.srWindow.Left + 1 >= longest_line) {
    return;
  }
  // The widest window the screen and the console's font allow; 0 where unknown.
  const SHORT width = std::min<SHORT>(own_width, GetLargestConsoleWindowSize(out).X);
  if (width < longest_line) {
    return;
  }
  const COORD found = info.dwSize;
  const bool buffer_widened = found.X < width;
  // The window may never be wider than its buffer, so the buffer goes first.
  if (buffer_widened && !SetConsoleScreenBufferSize(out, COORD{width, found.Y})) {
    return;
  }
  SMALL_RECT window = info.srWindow;
  window.Left = 0;
  window.Right = static_cast<SHORT>(width - 1);
  if (!SetConsoleWindowInfo(out, TRUE, &window) && buffer_widened) {
    (void)SetConsoleScreenBufferSize(out, found);
  }
}

}  // namespace

// A double-click's console is already the tool's own, in its own folder.
std::optional<int> ready_window_for_questions(const char* /*started_as*/) {
  fit_window_to_dialogue();
  return std::nullopt;
}

// "A console is closed when the last process attached to it terminates": a
// console holding this process alone closes as it ends. With room for one
// entry the call still returns how many there are.
bool window_closes_with_tool() {
  DWORD process = 0;
  return GetConsoleProcessList(&process, 1) == 1;
}
