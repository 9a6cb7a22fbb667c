#include "dialogue/where.h"

#include <algorithm>
#include <cctype>

namespace {

bool separator(char c) { return c == '\\' || c == '/'; }

// Windows compares names without regard to case.
bool same_letters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool starts_with(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && same_letters(text.substr(0, start.size()), start);
}

bool all_of(std::string_view text, int (*test)(int)) {
  return std::all_of(text.begin(), text.end(),
                     [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

int hex_or_dash(int c) { return std::isxdigit(c) != 0 || c == '-' ? 1 : 0; }

// The names that archive tools give the folder they unpack a program into
// when it is started from inside an archive.
bool archive_copy_name(std::string_view name) {
  const std::size_t underscore = name.find('_');
  if (underscore == std::string_view::npos) {
    // 7-Zip's 7zO1A2B3C4D, WinRAR's Rar$EXa12.345.
    return starts_with(name, "7zO") || starts_with(name, "Rar$EX");
  }
  const std::string_view head = name.substr(0, underscore);
  // Explorer's compressed folders, Windows XP to 11: Temp1_NAME.zip, the number counting up.
  if (head.size() > 4 && starts_with(head, "Temp") && all_of(head.substr(4), std::isdigit)) {
    return true;
  }
  // Windows 11's newer Explorer: an identifier of hex digits and dashes, then
  // _NAME.zip.NAME.zip (a player's path in HactarCE/Hyperspeedcube issue 114).
  return head.size() >= 8 && all_of(head, hex_or_dash) &&
         name.find(".zip", underscore) != std::string_view::npos;
}

// A folder without the separators it may end in (C:\Temp\ is C:\Temp).
std::string_view trimmed(std::string_view folder) {
  while (!folder.empty() && separator(folder.back())) {
    folder.remove_suffix(1);
  }
  return folder;
}

// The part of `folder` below `outer`: "" where it is not inside it.
std::string_view below(std::string_view folder, std::string_view outer) {
  outer = trimmed(outer);
  if (outer.empty() || folder.size() <= outer.size() + 1 || !starts_with(folder, outer) ||
      !separator(folder[outer.size()])) {
    return {};
  }
  return folder.substr(outer.size() + 1);
}

}  // namespace

bool within(std::string_view folder, std::string_view outer) { return !below(folder, outer).empty(); }

bool inside_archive_copy(std::string_view folder, std::string_view temp) {
  const std::string_view inside = below(folder, temp);
  return !inside.empty() && archive_copy_name(inside.substr(
                                0, std::find_if(inside.begin(), inside.end(), separator) - inside.begin()));
}

std::string looked_in_line() {
  const std::string folder = current_folder();
  if (inside_archive_copy(folder, temp_folder())) {
    return "I am running from inside a zip or other archive, in a temporary folder:\n" + folder +
           "\nExtract me into the game's folder first, and run me there.";
  }
  // The folder on a line of its own, so that a long one is cut only where it must be.
  std::string line = folder.empty() ? "I looked for Halvane.exe in the folder I was started in."
                                    : "I looked for Halvane.exe in this folder:\n" + folder;
  const std::string tool = tool_file();
  const std::size_t slash = tool.find_last_of("\\/");
  const std::string mine = slash == std::string::npos ? "" : slash == 0 ? "/" : tool.substr(0, slash);
  if (!mine.empty() && !same_letters(trimmed(mine), trimmed(folder)) && game_in(mine)) {
    line += "\nBut Halvane.exe is in my own folder:\n" + mine + "\n" + start_there();
  }
  return line;
}
