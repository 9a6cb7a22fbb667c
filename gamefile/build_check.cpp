#include "gamefile/build_check.h"

#include <algorithm>
#include <string_view>

namespace {

// Longer than any font name the field could sensibly hold, so that a name is
// shown whole.
constexpr std::size_t field_length = 32;

bool printable(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

}  // namespace

std::string unknown_build_finding(GameFile& game) {
  const GameFile::Peeked peeked = game.peek(static_cast<std::uint64_t>(font_name_offset), field_length);
  if (!peeked.why.ok()) {  // a failing disk, not a short file
    return "nothing I could read: " + peeked.why.system_text;
  }
  const std::string& field = peeked.bytes;
  const std::string_view held(field);
  const auto holds_name = [held](std::string_view font) {
    return held.substr(0, font.size()) == font && held.size() > font.size() && held[font.size()] == '\0';
  };
  if (holds_name(original_font) || holds_name(other_font)) {
    return "";
  }
  if (field.empty()) {
    return "nothing: the file ends before that place";
  }
  const std::size_t end = held.find('\0');
  const std::string_view name = held.substr(0, end);
  if (name.empty()) {
    return "zero bytes";
  }
  if (!printable(name)) {
    return "bytes that are not text";
  }
  if (end == std::string_view::npos) {
    return "the text \"" + std::string(name) + "...\", longer than any font name";
  }
  return "the name \"" + std::string(name) + "\"";
}
