#include <algorithm>

#include "console/say.h"

namespace {

bool continues_character(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

std::size_t characters(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return !continues_character(c); }));
}

// The first `count` characters of `text`, in bytes.
std::size_t bytes_of(std::string_view text, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t seen = 0; at < text.size(); ++at) {
    if (!continues_character(text[at]) && seen++ == count) {
      break;
    }
  }
  return at;
}

void wrap_line(std::string_view line, std::size_t width, std::string& out) {
  std::size_t used = 0;  // characters on the output line so far
  while (!line.empty()) {
    const std::size_t space = line.find(' ');
    std::string_view word = line.substr(0, space);
    line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    while (characters(word) > width) {  // a word too long for any line is cut
      if (used > 0) {
        out += '\n';
      }
      const std::size_t cut = bytes_of(word, width);
      out.append(word.substr(0, cut));
      word.remove_prefix(cut);
      used = width;
    }
    const std::size_t length = characters(word);
    if (used > 0 && used + 1 + length > width) {
      out += '\n';
      used = 0;
    } else if (used > 0) {
      out += ' ';
      ++used;
    }
    out.append(word);
    used += length;
  }
}

}  // namespace

std::string wrapped(std::string_view text, std::size_t width) {
  std::string out;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find('\n', start);
    wrap_line(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start), width,
              out);
    if (end == std::string_view::npos) {
      return out;
    }
    out += '\n';
    start = end + 1;
  }
}

void tell(std::string_view text) {
  const std::string lines = wrapped(text);
  say(lines);
}
