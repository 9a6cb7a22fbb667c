#include "window/report_linux.h"

#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// How long a terminal may take to show the window before the next is tried:
// gnome-terminal's server, say, starting on a slow disk.
constexpr auto window_bound = std::chrono::seconds(10);
constexpr char window_opened = 'y';

// Where the window's run reports: a socket in the abstract namespace, which
// leaves no file behind however the first run ends, under a name no other
// program can guess. Terminals that hand the window to a running instance
// of theirs pass neither open descriptors nor, reliably, the environment:
// the name travels in the command itself.
sockaddr_un report_address(const std::string& name, socklen_t& length) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t size = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), size);  // sun_path[0] stays 0: abstract
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
  return address;
}

// A peer of the same account: another user's program cannot stand in for
// either run.
bool same_account(int connection) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
}

// Lets one window that has reported go on. A window that reported but has
// gone again does not count.
bool let_window_run(int listener) {
  const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (connection < 0) {
    return false;
  }
  const bool told = same_account(connection) && send(connection, &window_opened, 1, MSG_NOSIGNAL) == 1;
  close(connection);
  return told;
}

}  // namespace

int listen_for_window(std::string& name) {
  unsigned char random[12] = {};
  if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    return -1;
  }
  name = "halvane-res-" + std::to_string(getpid()) + "-";
  for (const unsigned char byte : random) {
    name += "0123456789abcdef"[byte >> 4];
    name += "0123456789abcdef"[byte & 15];
  }
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  socklen_t length = 0;
  const sockaddr_un address = report_address(name, length);
  if (listener < 0 || bind(listener, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
      listen(listener, 4) != 0) {
    if (listener >= 0) {
      close(listener);
    }
    return -1;
  }
  return listener;
}

// A terminal that
// exits with a failure has shown nothing; one that exits with success at
// once (a launcher that hands the window to a running instance) may still
// report. The report ends the wait the moment it comes.
bool window_reports(int listener, pid_t terminal) {
  const auto deadline = Clock::now() + window_bound;
  bool running = true;
  while (Clock::now() < deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd report{listener, POLLIN, 0};
    // While the terminal runs, a glance at it every 50 ms: one that failed is
    // left at once.
    if (poll(&report, 1, static_cast<int>(running ? std::min<long long>(left, 50) : left)) > 0 &&
        let_window_run(listener)) {
      return true;
    }
    int status = 0;
    if (running && waitpid(terminal, &status, WNOHANG) == terminal) {
      running = false;
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return false;
      }
    }
  }
  return false;
}

// A window that comes after the first run gave up on it, or after
// another window was let run, is refused or cut off, and ends.
bool report_to_first_run(const std::string& name) {
  const int connection = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  socklen_t length = 0;
  const sockaddr_un address = report_address(name, length);
  bool may_run = false;
  if (connection >= 0 && connect(connection, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
      same_account(connection)) {
    pollfd word{connection, POLLIN, 0};
    char got = 0;
    may_run = poll(&word, 1, static_cast<int>(std::chrono::milliseconds(window_bound).count())) > 0 &&
              read(connection, &got, 1) == 1 && got == window_opened;
  }
  if (connection >= 0) {
    close(connection);
  }
  return may_run;
}
