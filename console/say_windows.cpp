// The console's 8-bit functions use the OEM code page, while the system's
// words come as UTF-8, so such a text is written as UTF-16 to a console and
// in the console's own code page to a pipe or file. The console's code page
// is never changed: that would outlast the tool in the player's window.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <iostream>
#include <string>

#include "console/say.h"

namespace {

std::wstring utf16(std::string_view text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string in_code_page(const std::wstring& text, UINT code_page) {
  const int length = WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                      nullptr);
  return bytes;
}

}  // namespace

// A console breaks its lines at its buffer's width, whatever the window shows.
std::size_t output_columns() {
  CONSOLE_SCREEN_BUFFER_INFO facts{};
  return GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &facts) && facts.dwSize.X > 0
             ? static_cast<std::size_t>(facts.dwSize.X)
             : 0;
}

void say_verbatim(std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
  if (ascii) {
    std::cout << text << '\n' << std::flush;
    return;
  }
  std::cout << std::flush;
  const std::wstring wide = utf16(text);
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(output, &mode)) {
    const std::wstring line = wide + L"\n";
    DWORD written = 0;
    (void)WriteConsoleW(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return;
  }
  // A pipe or file: what the console would show, or the ANSI code page where
  // there is no console at all.
  const UINT console_page = GetConsoleOutputCP();
  std::cout << in_code_page(wide, console_page != 0 ? console_page : GetACP()) << '\n' << std::flush;
}
