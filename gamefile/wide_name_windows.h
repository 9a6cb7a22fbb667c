#pragma once
// The file names are plain ASCII, so each character widens as it stands into
// the UTF-16 that Windows' file functions take.

#include <string>

inline std::wstring wide(const char* name) {
  return std::wstring(name, name + std::char_traits<char>::length(name));
}
