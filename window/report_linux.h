#pragma once
// The word between the first run and the run in the window it opened: the
// window's run reports that it has opened, the first run lets one window go
// on and ends. Each waits 10 s at most for the other.

#include <sys/types.h>

#include <string>

// An open descriptor, closed on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd(fd) {}
  ~Descriptor();
  Descriptor(Descriptor&& other) noexcept : fd(other.fd) { other.fd = -1; }
  Descriptor& operator=(Descriptor&& other) noexcept;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd; }

 private:
  int fd;
};

// The first run's side: listens for one window's report under a fresh name,
// a socket in the abstract namespace that leaves no file behind however the
// run ends. Each terminal tried gets a report of its own, so that a window
// that comes after the tool gave up on it finds nobody listening.
class WindowReport {
 public:
  WindowReport();

  // Empty while listening; else what failed, in the system's words.
  const std::string& failure() const { return why_not; }
  // What the window's run is given, to report under.
  const std::string& name() const { return report_name; }

  // Whether the window of `terminal` reports within the bound. A terminal
  // that exits with a failure has shown nothing; one that exits with success
  // at once (a launcher that hands the window to a running instance) may
  // still report. The report ends the wait the moment it comes.
  bool window_reported(pid_t terminal);

 private:
  Descriptor listener;
  std::string report_name;
  std::string why_not;
};

// The run in the window: reports to the first run and waits for its word to
// go on. A window that comes after the first run gave up on it, or after
// another window was let run, is refused or cut off.
bool report_to_first_run(const std::string& name);
