#pragma once
// What the POSIX open asks of the system beside the open itself: whether
// another process holds the game file, and the facts that name a refusal's
// cause exactly. Linux answers the first two; other systems answer "no".

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

// Whether another process, of any account, has the file open or mapped.
bool held_elsewhere(int fd, const struct stat& file);  // holders_linux.cpp

// Whether `name` is on an NTFS disk.
bool on_ntfs(const char* name, const struct stat& file);  // ntfs_linux.cpp

// The account name of `uid`, or "user N" for an account /etc/passwd lacks.
std::string account_name(uid_t uid);  // account_posix.cpp
