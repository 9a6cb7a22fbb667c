#include <fcntl.h>   // AT_FDCWD, RENAME_NOREPLACE
#include <unistd.h>  // copy_file_range

#include <cstdio>  // renameat2

#include "gamefile/kernel_calls_posix.h"

long long kernel_copy_range(int from, int to, std::uint64_t offset, std::size_t count) {
  auto from_offset = static_cast<off_t>(offset);
  auto to_offset = static_cast<off_t>(offset);
  return copy_file_range(from, &from_offset, to, &to_offset, count, 0);
}

int rename_without_replacing(const char* from, const char* to) {
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
