#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>

#include "console/say.h"

std::size_t output_columns() {
  winsize size{};
  return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

// Terminals here take UTF-8 as it stands.
void say_verbatim(std::string_view text) { std::cout << text << '\n' << std::flush; }
