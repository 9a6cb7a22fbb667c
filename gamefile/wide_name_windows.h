#pragma once
// Between our UTF-8 texts and the UTF-16 that Windows' functions take. The
// file names are plain ASCII, so each character widens as it stands.

#include <windows.h>

#include <string>
#include <string_view>

inline std::wstring wide(const char* name) {
  return std::wstring(name, name + std::char_traits<char>::length(name));
}

// Text from the system (its words, a folder's name) as UTF-8.
inline std::string utf8(std::wstring_view text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                      nullptr);
  return result;
}
