#include "gamefile/wine_holders_windows.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include "gamefile/maps_line.h"

namespace {

// Wine's view of the Unix root: "\\?\unix\proc" is Linux's /proc.
const std::wstring unix_root = L"\\\\?\\unix";

// The whole of a /proc file, read through Wine; "" where it cannot be.
std::string read_whole(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  std::string text;
  if (file == INVALID_HANDLE_VALUE) {
    return text;
  }
  char piece[65536];
  for (DWORD got = 0; ReadFile(file, piece, sizeof piece, &got, nullptr) && got > 0;) {
    text.append(piece, got);
  }
  CloseHandle(file);
  return text;
}

// Whether `path` ends in `/name`, the name compared case-insensitively as
// Windows does: the game file HALVANE.EXE is opened as Halvane.exe.
bool path_names(std::string_view path, const std::string& name) {
  return path.size() > name.size() && path[path.size() - name.size() - 1] == '/' &&
         std::equal(name.begin(), name.end(), path.end() - static_cast<std::ptrdiff_t>(name.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

// Whether a /proc/PID/maps text maps a file of inode `inode` whose name
// ends in `/name`: the device's number is not known here, so the name
// stands in for it.
bool maps_file(const std::string& maps, unsigned long long inode, const std::string& name) {
  for (const char* line = maps.c_str(); *line != '\0';) {
    const std::optional<MappedFile> mapped = parsed_maps_line(line);
    if (mapped && mapped->inode == inode && path_names(mapped->path, name)) {
      return true;
    }
    const char* next = std::strchr(line, '\n');
    if (next == nullptr) {
      break;
    }
    line = next + 1;
  }
  return false;
}

// Whether a wineserver other than this prefix's runs: each holds a POSIX
// lock on its prefix's lock file, which /proc/locks lists with its process.
// Reading the few locks' holders costs nothing per process; true where the
// locks cannot be read, so that the maps are searched then.
bool another_wineserver_runs() {
  std::istringstream locks(read_whole(unix_root + L"\\proc\\locks"));
  if (locks.str().empty()) {
    return true;
  }
  std::set<std::string> servers;  // a server holds this run's lock too
  // "1: POSIX  ADVISORY  WRITE PID MAJOR:MINOR:INODE START END"; a waiter's
  // line has "->" before POSIX.
  for (std::string line; servers.size() < 2 && std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string number, kind, advisory, access, pid;
    if (fields >> number >> kind >> advisory >> access >> pid && kind == "POSIX" && servers.count(pid) == 0) {
      const std::wstring process(pid.begin(), pid.end());
      if (read_whole(unix_root + L"\\proc\\" + process + L"\\comm").rfind("wineserver", 0) == 0) {
        servers.insert(pid);
      }
    }
  }
  return servers.size() >= 2;
}

}  // namespace

bool mapped_by_another_wine_prefix(HANDLE file, const wchar_t* name) {
  // Wine's ntdll alone has this export (Wine's own documented way to tell).
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) {
    return false;
  }
  // The game in this prefix is seen by the sharing rules already; only
  // another prefix, which has a wineserver of its own, needs the search.
  if (!another_wineserver_runs()) {
    return false;
  }
  // Wine gives a file's inode as its index.
  BY_HANDLE_FILE_INFORMATION facts{};
  if (!GetFileInformationByHandle(file, &facts)) {
    return false;
  }
  const unsigned long long inode =
      (static_cast<unsigned long long>(facts.nFileIndexHigh) << 32) | facts.nFileIndexLow;
  const std::string plain_name(name, name + std::wcslen(name));  // an ASCII name
  WIN32_FIND_DATAW entry{};
  const HANDLE processes = FindFirstFileW((unix_root + L"\\proc\\*").c_str(), &entry);
  if (processes == INVALID_HANDLE_VALUE) {
    return false;
  }
  bool found = false;
  do {
    const std::wstring pid = entry.cFileName;
    if (pid.find_first_not_of(L"0123456789") == std::wstring::npos) {
      found = maps_file(read_whole(unix_root + L"\\proc\\" + pid + L"\\maps"), inode, plain_name);
    }
  } while (!found && FindNextFileW(processes, &entry));
  FindClose(processes);
  return found;
}
