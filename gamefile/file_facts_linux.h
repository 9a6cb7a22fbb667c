#pragma once
// What the Linux open asks of the system beside the open itself: whether
// another process holds the game file, and the facts that name a refusal's
// cause exactly.

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <string>

#include "gamefile/file_io.h"

// The problem behind the last failed call's errno.
inline FileStatus status_of_errno() { return status_of_error(static_cast<unsigned long>(errno)); }

// Whether another process, of any account, has the file open or mapped.
bool held_elsewhere(int fd, const struct stat& file);  // holders_linux.cpp

// Whether `name` is on an NTFS disk.
bool on_ntfs(const char* name, const struct stat& file);  // ntfs_linux.cpp

// The account name of `uid`, or "user N" for an account /etc/passwd lacks.
std::string account_name(uid_t uid);  // account_posix.cpp
