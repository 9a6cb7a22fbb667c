#pragma once
// The backup's two calls that POSIX lacks and Linux has: the kernel's copy
// between files, and a rename that never replaces. Each fails with errno
// ENOSYS where the system has no such call (linux_only_posix.cpp).

#include <cstddef>
#include <cstdint>

// Copies up to `count` bytes at `offset` in `from` to the same place in
// `to`, the data never passing through this process: the bytes copied, or
// -1 with errno.
long long kernel_copy_range(int from, int to, std::uint64_t offset, std::size_t count);

// Renames `from` to `to` unless `to` exists: 0, or -1 with errno.
int rename_without_replacing(const char* from, const char* to);
