// The console: keys in, text out. Keys come through _getch, which reads
// them unechoed and bypasses standard input, as the game's players know from
// other tools. The console's 8-bit functions use the OEM code page, while
// the system's words come as UTF-8, so such a text is written as UTF-16 to a
// console and in the console's own code page to a pipe or file. The
// console's code page is never changed: that would outlast the tool in the
// player's window.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <conio.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string>

#include "console/console_keys.h"
#include "console/keys.h"
#include "console/say.h"
#include "console/script_windows.h"

namespace {

std::atomic<bool> interrupt_pressed{false};
std::atomic<bool> ever_interrupted{false};
HANDLE interrupt_event = nullptr;  // set with interrupt_pressed, for a read to wait on
void (*before_forced_end)() = nullptr;

// What the handler's thread may reach in the main thread's waits. Held by
// the handler while it wakes a wait, and by the main thread while it marks or
// unmarks one.
std::mutex waits;
bool waiting_for_key = false;
bool waiting_for_line = false;
bool keys_closed = false;  // the process is ending: nothing more is written to the console's input

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

// Ctrl-Break (and under some consoles Ctrl-C) arrives as a signal while the
// main thread waits in the console; a key event written to the console's
// input ends that wait: Ctrl-C for _getch, Enter for a line read. Windows'
// console ends a line read on Ctrl-C by itself, with no bytes; Wine's keeps
// it waiting, and a read cancelled with CancelSynchronousIo leaves Wine's
// console unable to serve a key read afterwards. A key event can reach
// nothing but a console read, and one written before the read begins waits
// for it in the console's input.
void wake_wait(wchar_t code, WORD key_code, DWORD control_keys) {
  const HANDLE input = open_console_input();
  if (input == INVALID_HANDLE_VALUE) {
    return;
  }
  INPUT_RECORD key{};
  key.EventType = KEY_EVENT;
  key.Event.KeyEvent.bKeyDown = TRUE;
  key.Event.KeyEvent.wRepeatCount = 1;
  key.Event.KeyEvent.wVirtualKeyCode = key_code;
  key.Event.KeyEvent.uChar.UnicodeChar = code;
  key.Event.KeyEvent.dwControlKeyState = control_keys;
  DWORD written = 0;
  (void)WriteConsoleInputW(input, &key, 1, &written);
  CloseHandle(input);
}

// The console's input buffer is shared with the shell that started us: a
// wake-up event written after _getch had returned would reach it as a stray
// Ctrl-C. Keys typed ahead go with it, which a Ctrl-C has asked for anyway.
void drop_console_input() {
  const HANDLE input = open_console_input();
  if (input != INVALID_HANDLE_VALUE) {
    (void)FlushConsoleInputBuffer(input);
    CloseHandle(input);
  }
}

// On every way out after a Ctrl-C: no more wake-ups, and none left behind.
void leave_no_wake_up() {
  {
    const std::lock_guard<std::mutex> hold(waits);
    keys_closed = true;
  }
  if (ever_interrupted) {
    drop_console_input();
  }
}

// Runs on a thread of its own that the system starts for each event.
BOOL WINAPI on_console_event(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
    // All under the lock: a press is then wholly before forget_interrupt
    // (and forgotten with its wake-up) or wholly after it (and the key that
    // ends the closing prompt), never half of each.
    const std::lock_guard<std::mutex> hold(waits);
    interrupt_pressed = true;
    ever_interrupted = true;
    SetEvent(interrupt_event);
    if (waiting_for_key && !keys_closed) {
      wake_wait(3, 'C', LEFT_CTRL_PRESSED);  // what _getch returns for Ctrl-C
    } else if (waiting_for_line && !keys_closed) {
      wake_wait(L'\r', VK_RETURN, 0);
    }
    return TRUE;  // handled: the dialogue ends in order
  }
  // The console window is closing (or End task): the process ends when this
  // returns, or after about five seconds. Console output "may not work
  // reliably" here, so nothing is said; the file work under way finishes.
  // Logoff and shutdown events reach services only: a program in a console
  // window is ended then without this, and relies on its write order alone.
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
  {
    const std::lock_guard<std::mutex> hold(waits);
    waiting_for_key = true;
  }
  // Checked after announcing the wait: an interrupt either is seen here or
  // wakes the _getch below.
  const int key = interrupt_pressed ? key_interrupted : _getch();
  {
    const std::lock_guard<std::mutex> hold(waits);
    waiting_for_key = false;
  }
  if (interrupt_pressed) {
    return key_interrupted;
  }
  return key < 0 ? key_ended : key & 0xFF;
}

// The console's unread input events go; the rest of a multi-code key that
// _getch has begun waits in the C runtime's own buffer, which ends with the
// process.
void drop_pending_keys() { drop_console_input(); }

void end_console_keys() {}

namespace {

// What the look at standard input read of it, to come first in its reads.
struct FirstRead {
  HANDLE input;
  char byte;
  DWORD got;
  bool given = false;
};
FirstRead first_read{};

DWORD WINAPI read_first_byte(void* /*unused*/) {
  (void)ReadFile(first_read.input, &first_read.byte, 1, &first_read.got, nullptr);
  return 0;
}

}  // namespace

// A byte is read, on a thread of its own, since Wine's PeekNamedPipe does
// not look into a Unix pipe (ERROR_NOT_SUPPORTED), which is what a Linux
// launcher gives. On an idle pipe the thread stays in its read, which takes
// nothing from the console that the run goes on with.
bool standard_input_stays_idle() {
  first_read.input = GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE reader = CreateThread(nullptr, 0, read_first_byte, nullptr, 0, nullptr);
  if (reader == nullptr) {
    return false;
  }
  const bool idle = WaitForSingleObject(reader, 100) == WAIT_TIMEOUT;
  CloseHandle(reader);
  first_read.given = !idle && first_read.got == 1;
  return idle;
}

std::size_t read_standard_input(char* bytes, std::size_t count) {
  if (first_read.given && count > 0) {
    first_read.given = false;
    bytes[0] = first_read.byte;
    return 1;
  }
  {
    const std::lock_guard<std::mutex> hold(waits);
    if (interrupt_pressed) {
      return 0;
    }
    waiting_for_line = true;
  }
  // The C runtime's read, as std::cin's: in text mode CR LF becomes LF, and
  // Ctrl-Z at the start of a line ends input.
  const int got = _read(0, bytes, static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30)));
  {
    const std::lock_guard<std::mutex> hold(waits);
    waiting_for_line = false;
  }
  // A line that Ctrl-C ended (with our Enter) is not an answer.
  return got > 0 && !interrupt_pressed ? static_cast<std::size_t>(got) : 0;
}

void catch_interrupts(void (*on_forced_end)()) {
  before_forced_end = on_forced_end;
  interrupt_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  (void)std::atexit(leave_no_wake_up);
  // A process started with Ctrl-C ignored (start /b, or by a launcher using
  // CREATE_NEW_PROCESS_GROUP) inherits that, and no handler would hear it.
  (void)SetConsoleCtrlHandler(nullptr, FALSE);
  (void)SetConsoleCtrlHandler(on_console_event, TRUE);
}

bool interrupted() { return interrupt_pressed; }

// A wake-up written for the press that is forgotten must not answer the
// next wait.
void forget_interrupt() {
  const std::lock_guard<std::mutex> hold(waits);
  drop_console_input();
  interrupt_pressed = false;
  (void)ResetEvent(interrupt_event);
}

// Ctrl-C cuts a console read short at once, while the system reports it on
// another thread, which may not have run yet; only a real end of input
// (Ctrl-Z) waits the whole second.
bool input_ended_by_interrupt() {
  return interrupt_pressed ||
         (interrupt_event != nullptr && WaitForSingleObject(interrupt_event, 1000) == WAIT_OBJECT_0);
}

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
