// Keys come from the console through _getch, which reads them unechoed and
// bypasses standard input, as the game's players know from other tools.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <conio.h>
#include <windows.h>

#include "console/console_keys.h"

namespace {

// A process without a console (a pipe, a service, CI) cannot open CONIN$.
bool has_console() {
  const HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (input == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD mode = 0;
  const bool console = GetConsoleMode(input, &mode) != 0;
  CloseHandle(input);
  return console;
}

}  // namespace

bool begin_console_keys() {
  static const bool console = has_console();
  return console;
}

int read_console_key() {
  const int key = _getch();
  return key < 0 ? -1 : key & 0xFF;
}

void end_console_keys() {}
