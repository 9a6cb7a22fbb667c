#pragma once
// How the run was started: from a terminal, by a script, or by a desktop's
// launcher that left nobody to answer the questions.

#include <sys/stat.h>
#include <sys/types.h>

// No controlling terminal, and standard input gives no answers: it is
// /dev/null, closed, or a launcher's idle pipe. Where the output goes does
// not count: a desktop session sends it to its log.
bool nobody_to_talk_to();

// Whether `process` holds a writing end of the pipe `pipe`, as read from
// /proc: each of its open descriptors that is that pipe, and the access mode
// in its fdinfo. False for another account's process, whose /proc entries
// are closed to us.
bool writes_to(pid_t process, const struct stat& pipe);
