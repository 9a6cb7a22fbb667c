#include "console/keys.h"

#include <iostream>

#include "console/console_keys.h"

namespace {

constexpr int ctrl_c = 3;

// Without a console, keys come from the same buffered standard input as the
// numbers, so a scripted run's answers are used in the order they were given.
int next_key(bool console) {
  if (console) {
    return read_console_key();
  }
  const auto key = std::cin.get();
  return key == std::char_traits<char>::eof() ? -1 : key;
}

}  // namespace

KeyAnswer wait_yes_no() {
  const bool console = begin_console_keys();
  KeyAnswer answer = KeyAnswer::input_ended;
  for (int key = next_key(console); key != -1; key = next_key(console)) {
    if (key == 'y' || key == 'n' || key == ctrl_c) {
      answer = key == 'y' ? KeyAnswer::yes : key == 'n' ? KeyAnswer::no : KeyAnswer::interrupted;
      break;
    }
  }
  if (console) {
    end_console_keys();
  }
  return answer;
}

void wait_any_key() {
  const bool console = begin_console_keys();
  next_key(console);
  if (console) {
    end_console_keys();
  }
}
