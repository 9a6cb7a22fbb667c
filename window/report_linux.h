#pragma once
// The word between the first run and the run in the window it opened: the
// window's run reports that it has opened, the first run lets one window go
// on and ends. Each waits 10 s at most for the other.

#include <sys/types.h>

#include <string>

// Listens for the window's report under a fresh name; -1 if it cannot.
int listen_for_window(std::string& name);

// Whether the window of `terminal` reports within the bound.
bool window_reports(int listener, pid_t terminal);

// The run in the window: reports to the first run and waits for its word to
// go on.
bool report_to_first_run(const std::string& name);
