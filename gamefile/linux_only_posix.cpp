// What only Linux has, on other POSIX systems (macOS): they have no leases,
// no /proc and no mountinfo, so a game running under Wine there is not seen,
// and a read-only NTFS disk is said as any read-only disk; the backup is
// read and written, and named by macOS's own exclusive rename.

#include <cerrno>
#include <cstdio>  // renamex_np on macOS

#include "gamefile/file_facts_linux.h"
#include "gamefile/kernel_calls_posix.h"

bool held_elsewhere(int /*fd*/, const struct stat& /*file*/) { return false; }

bool on_ntfs(const char* /*name*/, const struct stat& /*file*/) { return false; }

long long kernel_copy_range(int /*from*/, int /*to*/, std::uint64_t /*offset*/, std::size_t /*count*/) {
  errno = ENOSYS;  // read and written instead
  return -1;
}

int rename_without_replacing(const char* from, const char* to) {
#if defined(__APPLE__)
  return renamex_np(from, to, RENAME_EXCL);
#else
  (void)from, (void)to;
  errno = ENOSYS;
  return -1;
#endif
}
