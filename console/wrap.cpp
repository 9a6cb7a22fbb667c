#include <algorithm>
#include <array>
#include <iterator>
#include <utility>
#include <vector>

#include "console/say.h"

namespace {

// One character of UTF-8 text: where it starts and how many columns a
// console gives it.
struct Character {
  std::size_t at;
  std::size_t columns;
};

bool continues_character(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The code point of the character whose bytes are `bytes`; a stray byte is
// taken as itself.
char32_t code_of(std::string_view bytes) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const std::size_t extra = bytes.size() - 1;
  char32_t code = extra == 0 ? lead : lead & (0x3Fu >> extra);
  for (std::size_t i = 1; i < bytes.size(); ++i) {
    code = code << 6 | (static_cast<unsigned char>(bytes[i]) & 0x3F);
  }
  return code;
}

using CodeRange = std::pair<char32_t, char32_t>;

// The columns a console gives a character, as wcwidth counts them, for any
// script a system's words may come in: zero_width and double_width, sorted.
#include "console/wrap_tables.inc"

template <std::size_t count>
bool in(char32_t code, const std::array<CodeRange, count>& ranges) {
  // The ranges are sorted and apart: only the last that starts at or before
  // `code` can hold it.
  const auto after = std::upper_bound(ranges.begin(), ranges.end(), code,
                                      [](char32_t c, const CodeRange& range) { return c < range.first; });
  return after != ranges.begin() && code <= std::prev(after)->second;
}

std::size_t columns_of(std::string_view bytes) {
  const char32_t code = code_of(bytes);
  return in(code, zero_width) ? 0 : in(code, double_width) ? 2 : 1;
}

std::vector<Character> characters_of(std::string_view text) {
  std::vector<Character> found;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = at + 1;
    while (end < text.size() && end - at < 4 && continues_character(text[end])) {
      ++end;
    }
    found.push_back({at, columns_of(text.substr(at, end - at))});
    at = end;
  }
  return found;
}

// A piece of a line that is never broken inside: a word, or, in text with
// no spaces (Chinese, Japanese), one wide character; with the spaces
// before it, which stand only between pieces on one line.
struct Piece {
  std::string_view text;
  std::size_t columns;
  std::size_t spaces;
};

std::vector<Piece> pieces_of(std::string_view line) {
  std::vector<Piece> pieces;
  Piece piece{{}, 0, 0};
  std::size_t start = 0;
  bool last_wide = false;
  const auto end_piece = [&](std::size_t at) {
    piece.text = line.substr(start, at - start);
    if (!piece.text.empty() || (at == line.size() && piece.spaces > 0)) {
      pieces.push_back(piece);
      piece = {{}, 0, 0};
    }
  };
  for (const Character& character : characters_of(line)) {
    const bool wide = character.columns == 2;
    if (line[character.at] == ' ') {
      end_piece(character.at);
      ++piece.spaces;
      start = character.at + 1;
      last_wide = false;
      continue;
    }
    if (wide && last_wide) {  // a line may break between two wide characters
      end_piece(character.at);
      start = character.at;
    }
    last_wide = character.columns > 0 ? wide : last_wide;
    piece.columns += character.columns;
  }
  end_piece(line.size());
  return pieces;
}

// How much of `piece` fits in `room` columns: at least one character, never
// a part of one, and a combining mark with the character it marks.
std::pair<std::size_t, std::size_t> fitting(std::string_view text, std::size_t room) {
  const std::vector<Character> characters = characters_of(text);
  std::size_t count = 0;
  std::size_t columns = 0;
  while (count < characters.size() && (columns + characters[count].columns <= room || count == 0)) {
    columns += characters[count++].columns;
  }
  return {count < characters.size() ? characters[count].at : text.size(), columns};
}

void wrap_line(std::string_view line, std::size_t width, std::string& out) {
  std::size_t used = 0;  // columns on the output line so far
  bool started = false;  // anything on it yet
  for (Piece piece : pieces_of(line)) {
    const std::size_t gap = started ? piece.spaces : 0;
    if (started && used + gap + piece.columns > width) {
      out += '\n';
      used = 0;
    } else {
      out.append(gap, ' ');
      used += gap;
    }
    while (piece.columns > width - used) {  // too long for any line: cut
      const auto [bytes, columns] = fitting(piece.text, width - used);
      out.append(piece.text.substr(0, bytes)).append("\n");
      piece.text.remove_prefix(bytes);
      piece.columns -= columns;
      used = 0;
    }
    out.append(piece.text);
    used += piece.columns;
    started = true;
  }
}

}  // namespace

std::string wrapped(std::string_view text, std::size_t width) {
  if (width == 0) {
    return std::string(text);  // no line is that narrow: left as it is
  }
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

void say_wrapped(std::string_view text) {
  // A window can be narrower than any console (QTerminal at its own size,
  // 58 columns, where its settings could not be written; one the player
  // made narrower): there the lines are broken at the window's width.
  const std::size_t columns = output_columns();
  say_verbatim(wrapped(text, columns > 1 && columns <= widest_line ? columns - 1 : widest_line));
}
