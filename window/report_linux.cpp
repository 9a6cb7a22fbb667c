#include "window/report_linux.h"

#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// How long a terminal may take to show the window before the next is tried:
// gnome-terminal's server, say, starting on a slow disk.
constexpr auto window_bound = std::chrono::seconds(10);
constexpr char window_opened = 'y';

// A name no other program can guess. Terminals that hand the window to a
// running instance of theirs pass neither open descriptors nor, reliably,
// the environment: the name travels in the command itself.
struct Address {
  explicit Address(const std::string& name) {
    where.sun_family = AF_UNIX;
    const std::size_t size = std::min(name.size(), sizeof where.sun_path - 1);
    std::memcpy(where.sun_path + 1, name.data(), size);  // sun_path[0] stays 0: abstract
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
  }
  const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&where); }

  sockaddr_un where{};
  socklen_t length = 0;
};

// A peer of the same account: another user's program cannot stand in for
// either run.
bool same_account(int connection) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
}

std::string failed_call(const char* call) { return std::string(call) + ": " + std::strerror(errno); }

}  // namespace

Descriptor::~Descriptor() {
  if (fd >= 0) {
    close(fd);
  }
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
  std::swap(fd, other.fd);
  return *this;
}

WindowReport::WindowReport() {
  unsigned char random[12] = {};
  if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    why_not = failed_call("getrandom");
    return;
  }
  report_name = "halvane-res-" + std::to_string(getpid()) + "-";
  for (const unsigned char byte : random) {
    report_name += "0123456789abcdef"[byte >> 4];
    report_name += "0123456789abcdef"[byte & 15];
  }
  Descriptor socket_made(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  const Address address(report_name);
  if (socket_made.get() < 0) {
    why_not = failed_call("socket");
  } else if (bind(socket_made.get(), address.get(), address.length) != 0) {
    why_not = failed_call("bind");
  } else if (listen(socket_made.get(), 4) != 0) {
    why_not = failed_call("listen");
  } else {
    listener = std::move(socket_made);
  }
}

bool WindowReport::window_reported(pid_t terminal) {
  // Lets one window that has reported go on. A window that reported but has
  // gone again does not count.
  const auto let_window_run = [this] {
    const Descriptor connection(accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    return connection.get() >= 0 && same_account(connection.get()) &&
           send(connection.get(), &window_opened, 1, MSG_NOSIGNAL) == 1;
  };
  const auto deadline = Clock::now() + window_bound;
  bool running = true;
  while (Clock::now() < deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd report{listener.get(), POLLIN, 0};
    // While the terminal runs, a glance at it every 50 ms: one that failed is
    // left at once.
    if (poll(&report, 1, static_cast<int>(running ? std::min<long long>(left, 50) : left)) > 0 &&
        let_window_run()) {
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

bool report_to_first_run(const std::string& name) {
  const Descriptor connection(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const Address address(name);
  if (connection.get() < 0 || connect(connection.get(), address.get(), address.length) != 0 ||
      !same_account(connection.get())) {
    return false;
  }
  pollfd word{connection.get(), POLLIN, 0};
  char got = 0;
  return poll(&word, 1, static_cast<int>(std::chrono::milliseconds(window_bound).count())) > 0 &&
         read(connection.get(), &got, 1) == 1 && got == window_opened;
}
