#include "window/programs_linux.h"

#include <spawn.h>
#include <unistd.h>

pid_t start(const std::vector<std::string>& command, bool own_session) {
  std::vector<char*> arguments;
  arguments.reserve(command.size() + 1);
  for (const std::string& argument : command) {
    arguments.push_back(const_cast<char*>(argument.c_str()));
  }
  arguments.push_back(nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  (void)posix_spawnattr_setflags(&attributes, own_session ? POSIX_SPAWN_SETSID : 0);
  pid_t started = -1;
  if (posix_spawn(&started, command.front().c_str(), nullptr, &attributes, arguments.data(), environ) != 0) {
    started = -1;
  }
  posix_spawnattr_destroy(&attributes);
  return started;
}
