// Keys come from the console through _getch, which reads them unechoed and
// bypasses standard input, as the game's players know from other tools.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <conio.h>
#include <windows.h>

#include <atomic>

#include "console/console_keys.h"
#include "console/keys.h"

namespace {

std::atomic<bool> interrupt_pressed{false};
std::atomic<bool> waiting_for_key{false};
std::atomic<bool> waiting_for_line{false};
HANDLE main_thread = nullptr;      // the one that reads standard input
HANDLE interrupt_event = nullptr;  // set with interrupt_pressed, for a read to wait on
void (*before_forced_end)() = nullptr;

// A process without a console (a pipe, a service, CI) cannot open CONIN$.
HANDLE open_console_input() {
  return CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

bool has_console() {
  const HANDLE input = open_console_input();
  if (input == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD mode = 0;
  const bool console = GetConsoleMode(input, &mode) != 0;
  CloseHandle(input);
  return console;
}

// Ctrl-Break (and under some consoles Ctrl-C) arrives as a signal while
// _getch waits; a key event written to the console's input ends that wait.
void wake_key_wait() {
  const HANDLE input = open_console_input();
  if (input == INVALID_HANDLE_VALUE) {
    return;
  }
  INPUT_RECORD key{};
  key.EventType = KEY_EVENT;
  key.Event.KeyEvent.bKeyDown = TRUE;
  key.Event.KeyEvent.wRepeatCount = 1;
  key.Event.KeyEvent.wVirtualKeyCode = 'C';
  key.Event.KeyEvent.uChar.UnicodeChar = 3;  // what _getch returns for Ctrl-C
  key.Event.KeyEvent.dwControlKeyState = LEFT_CTRL_PRESSED;
  DWORD written = 0;
  (void)WriteConsoleInputW(input, &key, 1, &written);
  CloseHandle(input);
}

// Runs on a thread of its own that the system starts for each event.
BOOL WINAPI on_console_event(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
    interrupt_pressed = true;
    SetEvent(interrupt_event);
    if (waiting_for_key) {
      wake_key_wait();
    }
    // Windows' console ends a line read on Ctrl-C by itself; other consoles
    // (Wine's) keep waiting, so the read is cancelled until the dialogue has
    // left it, for at most a second.
    for (int tries = 0; waiting_for_line && tries < 50; ++tries) {
      (void)CancelSynchronousIo(main_thread);
      Sleep(20);
    }
    return TRUE;  // handled: the dialogue ends in order
  }
  // The window is closing, or the user logging off: the process ends when
  // this returns (or after about five seconds). Console output "may not work
  // reliably" here, so nothing is said; the file work under way finishes.
  if (before_forced_end != nullptr) {
    before_forced_end();
  }
  return FALSE;
}

}  // namespace

bool begin_console_keys() {
  static const bool console = has_console();
  return console;
}

int read_console_key() {
  waiting_for_key = true;
  // Checked after announcing the wait: an interrupt either is seen here or
  // wakes the _getch below.
  const int key = interrupt_pressed ? key_interrupted : _getch();
  waiting_for_key = false;
  if (interrupt_pressed) {
    return key_interrupted;
  }
  return key < 0 ? key_ended : key & 0xFF;
}

// The rest of a multi-code key waits in the C runtime's own buffer, which
// ends with the process.
void drop_pending_keys() {}

void end_console_keys() {}

void mark_line_wait(bool waiting) { waiting_for_line = waiting; }

void catch_interrupts(void (*on_forced_end)()) {
  before_forced_end = on_forced_end;
  (void)DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &main_thread, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
  interrupt_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  (void)SetConsoleCtrlHandler(on_console_event, TRUE);
}

bool interrupted() { return interrupt_pressed; }

// Ctrl-C cuts a console read short at once, while the system reports it on
// another thread, which may not have run yet.
bool input_ended_by_interrupt() {
  return interrupt_pressed ||
         (interrupt_event != nullptr && WaitForSingleObject(interrupt_event, 100) == WAIT_OBJECT_0);
}
