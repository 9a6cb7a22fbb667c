// A double-click gives the tool a console of its own; started from cmd,
// PowerShell or a script it shares theirs, which stays when it ends. A
// launcher that starts it with no console (DETACHED_PROCESS on Windows;
// under Wine, any start whose three streams are no terminal, as Lutris,
// Heroic and protontricks start tools) leaves nobody to answer: the tool
// then opens a console window of its own, as a double-click would give it.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "console/script_windows.h"
#include "gamefile/file_io.h"
#include "gamefile/wide_name_windows.h"
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

// Nobody can answer here: no console window of any kind (a pseudo-console's
// stand-in window counts), no console reading standard input, and standard
// input no script's: nothing, the NUL device, or an idle pipe.
bool nobody_to_talk_to() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleWindow() != nullptr || GetConsoleMode(input, &mode)) {
    return false;
  }
  const DWORD type =
      input == nullptr || input == INVALID_HANDLE_VALUE ? FILE_TYPE_UNKNOWN : GetFileType(input);
  return type == FILE_TYPE_PIPE ? standard_input_stays_idle() : type != FILE_TYPE_DISK;
}

// A console window of the tool's own, with every standard stream on it: ""
// once it is there, else why not. Under Wine the process holds a console
// with no window, which AllocConsole will not replace: it is let go first;
// and with no display Wine's console gets no window either. The C runtime's
// streams are opened afresh on the console too; nothing has read a key yet.
std::string open_own_console() {
  (void)FreeConsole();
  if (!AllocConsole()) {
    return status_of_error(GetLastError()).system_text;
  }
  if (GetConsoleWindow() == nullptr) {
    return "there is no display to show it on";
  }
  const HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  const HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (input == INVALID_HANDLE_VALUE || output == INVALID_HANDLE_VALUE) {
    return status_of_error(GetLastError()).system_text;
  }
  // The C runtime sets the standard handles to its own, write-only for
  // output, on which the console's size can be neither read nor changed:
  // ours, which can, are set after it.
  (void)std::freopen("CONIN$", "r", stdin);
  (void)std::freopen("CONOUT$", "w", stdout);
  (void)std::freopen("CONOUT$", "w", stderr);
  (void)SetStdHandle(STD_INPUT_HANDLE, input);
  (void)SetStdHandle(STD_OUTPUT_HANDLE, output);
  (void)SetStdHandle(STD_ERROR_HANDLE, output);
  return "";
}

// The tool's own file, whole: its folder is where the game is, and its name
// is the one to run again.
std::wstring tool_file() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length < path.size() ? length : 0);
  return path;
}

}  // namespace

// A double-click's console is already the tool's own, in its own folder. A
// console opened for a launcher's start is made so too: the launcher's
// working folder (Lutris's is the Wine prefix) plays no part.
std::optional<int> ready_window_for_questions(const char* /*started_as*/) {
  if (nobody_to_talk_to()) {
    const std::wstring tool = tool_file();
    const std::size_t slash = tool.find_last_of(L"\\/");
    if (const std::string why = open_own_console(); !why.empty()) {
      // Said on the standard error as it was, which a launcher keeps in its log.
      std::cerr << "I need a window to ask my questions, and could not open one (" << why
                << "). Run me with \"wine start " << utf8(std::wstring_view(tool).substr(slash + 1))
                << "\" in the game's folder, or from a terminal there; on Windows, double-click me."
                << std::endl;
      return 1;
    }
    if (slash != std::wstring::npos) {
      (void)SetCurrentDirectoryW(tool.substr(0, slash).c_str());
    }
  }
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
