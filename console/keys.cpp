#include "console/keys.h"

#include <array>
#include <iostream>
#include <streambuf>

#include "console/console_keys.h"
#include "console/number.h"

namespace {

constexpr int ctrl_c = 3;

// Standard input, read through read_standard_input so that Ctrl-C ends a
// wait for a line whenever it is pressed. Numbers and piped keys share it.
class StandardInput : public std::streambuf {
 protected:
  int_type underflow() override {
    const std::size_t got = read_standard_input(buffer.data(), buffer.size());
    if (got == 0) {
      return traits_type::eof();
    }
    setg(buffer.data(), buffer.data(), buffer.data() + got);
    return traits_type::to_int_type(buffer[0]);
  }

 private:
  std::array<char, 4096> buffer{};
};

std::istream& typed() {
  static StandardInput buffer;
  static std::istream stream(&buffer);
  return stream;
}

// Without a console, keys come from the same buffered standard input as the
// numbers, so a scripted run's answers are used in the order they were given.
// Only a console has a Ctrl-C key: a byte 3 in piped input is an ordinary
// character.
int next_key(bool console) {
  if (console) {
    const int key = read_console_key();
    return key == ctrl_c ? key_interrupted : key;
  }
  const auto key = typed().get();
  return key == std::char_traits<char>::eof() ? key_ended : key;
}

}  // namespace

KeyAnswer wait_yes_no() {
  if (interrupted()) {
    return KeyAnswer::interrupted;  // pressed while no question was waiting
  }
  const bool console = begin_console_keys();
  KeyAnswer answer = KeyAnswer::input_ended;
  for (int key = next_key(console); key != key_ended; key = next_key(console)) {
    if (key == 'y' || key == 'n' || key == key_interrupted) {
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
    drop_pending_keys();
    end_console_keys();
  }
}

void drop_keys_typed_ahead() {
  if (begin_console_keys()) {
    drop_pending_keys();
    end_console_keys();
  }
}

NumberAnswer read_typed_number() {
  if (!interrupted()) {
    if (const std::optional<std::uint16_t> number = read_number(typed(), std::cout)) {
      return {*number, std::nullopt};
    }
  }
  return {0, input_ended_by_interrupt() ? KeyAnswer::interrupted : KeyAnswer::input_ended};
}
