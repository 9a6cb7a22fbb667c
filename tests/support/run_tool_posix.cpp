#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "support/run_tool.h"

namespace {

struct Child {
  pid_t pid = -1;
  int input = -1;   // its standard input
  int output = -1;  // its standard output
};

// This process's environment without a display: a harness that writes its
// answers late would look like a desktop launcher's idle pipe, and the tool
// would open a window.
std::vector<std::string> child_environment() {
  std::vector<std::string> kept;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string_view name(*variable);
    if (name.rfind("DISPLAY=", 0) != 0 && name.rfind("WAYLAND_DISPLAY=", 0) != 0) {
      kept.emplace_back(*variable);
    }
  }
  return kept;
}

// Starts `program` in `folder` on two pipes, in a session of its own so that
// it has no controlling terminal: keys come from standard input.
Child start_child(const std::string& program, const std::string& folder,
                  const std::function<void()>& before_start) {
  int to_child[2];
  int from_child[2];
  if (pipe(to_child) != 0 || pipe(from_child) != 0) {
    return {};
  }
  // Made before the fork: a forked child may call only what is safe
  // between fork and exec, which setenv and unsetenv are not.
  std::vector<std::string> environment = child_environment();
  std::vector<char*> variables;
  variables.reserve(environment.size() + 1);
  for (std::string& variable : environment) {
    variables.push_back(variable.data());
  }
  variables.push_back(nullptr);
  char* const arguments[] = {const_cast<char*>(program.c_str()), nullptr};
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();
    dup2(to_child[0], 0);
    dup2(from_child[1], 1);
    close(to_child[0]);
    close(to_child[1]);
    close(from_child[0]);
    close(from_child[1]);
    if (chdir(folder.c_str()) != 0) {
      _exit(126);
    }
    (void)signal(SIGPIPE, SIG_DFL);
    if (before_start) {
      before_start();
    }
    execve(program.c_str(), arguments, variables.data());
    _exit(127);
  }
  close(to_child[0]);
  close(from_child[1]);
  return {pid, to_child[1], from_child[0]};
}

}  // namespace

ToolRun run_tool(const std::string& folder, const std::string& input,
                 const std::function<void()>& before_start, int seconds, const std::string& tool) {
  const Child started = start_child(tool, folder, before_start);
  if (started.pid < 0) {
    return {};
  }
  const pid_t child = started.pid;
  fcntl(started.input, F_SETFL, O_NONBLOCK);
  // The tool may stop reading before the input ends: for this run alone, a
  // write to it then fails rather than ending the test.
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);

  ToolRun run;
  std::size_t sent = 0;
  int input_fd = started.input;
  if (input.empty()) {
    close(input_fd);
    input_fd = -1;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    pollfd watched[2] = {{started.output, POLLIN, 0}, {input_fd, POLLOUT, 0}};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      run.timed_out = true;
      kill(child, SIGKILL);
      break;
    }
    if (poll(watched, input_fd >= 0 ? 2 : 1, static_cast<int>(left.count())) < 0) {
      if (errno == EINTR) {
        continue;
      }
      break;
    }
    if (input_fd >= 0 && (watched[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
      const ssize_t wrote = write(input_fd, input.data() + sent, input.size() - sent);
      if (wrote > 0) {
        sent += static_cast<std::size_t>(wrote);
      }
      if (sent == input.size() || (wrote < 0 && errno != EAGAIN)) {
        close(input_fd);
        input_fd = -1;
      }
    }
    if ((watched[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      char piece[4096];
      const ssize_t got = read(started.output, piece, sizeof piece);
      if (got <= 0) {
        break;  // the tool closed its output: it has ended
      }
      run.output.append(piece, static_cast<std::size_t>(got));
    }
  }
  if (input_fd >= 0) {
    close(input_fd);
  }
  sigaction(SIGPIPE, &previous, nullptr);
  close(started.output);
  int status = 0;
  waitpid(child, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string tool_failing_at(const std::string& folder, const std::string& path,
                            const std::vector<std::string>& injections) {
  if (access("/usr/bin/strace", X_OK) != 0) {
    return "";
  }
  std::string calls;
  std::string injected;
  for (const std::string& injection : injections) {
    calls += (calls.empty() ? "" : ",") + injection.substr(0, injection.find(':'));
    injected += " -e inject=" + injection;
  }
  std::string tool = folder + "/failing";
  // The tool names its files relative to its folder, and strace matches a
  // name as given; a file descriptor it matches by the full path.
  // LeakSanitizer cannot work under ptrace, and would end a sanitized build with status 1.
  std::ofstream(tool) << "#!/bin/sh\nexec env ASAN_OPTIONS=detect_leaks=0 strace -f -o /dev/null -P " << path
                      << " -P " << std::filesystem::path(path).filename().string() << " -e trace=" << calls
                      << injected << " " HALVANE_RES_PATH "\n";
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  return tool;
}

std::string tool_as_nobody(const std::string& folder) {
  std::string tool = folder + "/halvane-res";
  std::filesystem::copy_file(HALVANE_RES_PATH, tool);
  const passwd* nobody = getpwnam("nobody");
  if (geteuid() != 0 || nobody == nullptr) {
    return tool;
  }
  std::string script = folder + "/as-nobody";
  std::ofstream(script) << "#!/bin/sh\nexec setpriv --reuid=" << nobody->pw_uid
                        << " --regid=" << nobody->pw_gid << " --clear-groups " << tool << "\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  return script;
}

Background::Background(const std::string& program, const std::string& folder, const std::string& ready_text,
                       const std::string& typed) {
  const Child started = start_child(program, folder, {});
  if (started.pid < 0 ||
      write(started.input, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) {
    return;
  }
  process = started.pid;
  input = started.input;
  std::string output;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (output.find(ready_text) == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd watched{started.output, POLLIN, 0};
    char piece[4096];
    if (left.count() <= 0 || poll(&watched, 1, static_cast<int>(left.count())) <= 0) {
      break;
    }
    const ssize_t got = read(started.output, piece, sizeof piece);
    if (got <= 0) {
      break;
    }
    output.append(piece, static_cast<std::size_t>(got));
  }
  ready = output.find(ready_text) != std::string::npos;
  close(started.output);  // what it writes later is not read: a write then ends it with SIGPIPE
}

void Background::kill() {
  if (process > 0) {
    ::kill(static_cast<pid_t>(process), SIGKILL);
    waitpid(static_cast<pid_t>(process), nullptr, 0);
    process = -1;
  }
}

Background::~Background() {
  kill();
  if (input >= 0) {
    close(static_cast<int>(input));
  }
}
