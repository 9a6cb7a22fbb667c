#include <sys/types.h>

#include <fstream>
#include <string>

#include "gamefile/file_facts_linux.h"

// The account name of `uid` from /etc/passwd, read by hand: the release build
// is linked statically, where glibc's getpwuid would load NSS modules at run
// time. Accounts known only to a directory service are named by number.
std::string account_name(uid_t uid) {
  std::ifstream passwd("/etc/passwd");
  std::string line;
  while (std::getline(passwd, line)) {
    const std::size_t name_end = line.find(':');
    const std::size_t uid_start = line.find(':', name_end + 1);
    if (name_end == std::string::npos || uid_start == std::string::npos) {
      continue;
    }
    const std::size_t uid_end = line.find(':', uid_start + 1);
    if (line.compare(uid_start + 1, uid_end - uid_start - 1, std::to_string(uid)) == 0) {
      return line.substr(0, name_end);
    }
  }
  return "user " + std::to_string(uid);
}
