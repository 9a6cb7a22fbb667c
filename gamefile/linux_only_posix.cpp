// What only Linux can tell, on other POSIX systems (macOS): they have no
// leases, no /proc and no mountinfo, so a game running under Wine there is
// not seen, and a read-only NTFS disk is said as any read-only disk.

#include "gamefile/file_facts_posix.h"

bool held_elsewhere(int /*fd*/, const struct stat& /*file*/) { return false; }

bool on_ntfs(const char* /*name*/, const struct stat& /*file*/) { return false; }
