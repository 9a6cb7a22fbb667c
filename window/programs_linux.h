#pragma once
// Starting another program: a terminal emulator, a message box.

#include <sys/types.h>

#include <string>
#include <vector>

// Starts a program (its path first), in a session of its own where it is
// to outlive this process; its pid, or -1.
pid_t start(const std::vector<std::string>& command, bool own_session);
