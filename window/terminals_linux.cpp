// Each terminal emulator is started with the command form its own
// documentation gives for running a program in a new window, and the
// window's size in characters where it takes one (window_size.h).

#include "window/terminals_linux.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>
#include <sstream>

#include "window/paths_linux.h"
#include "window/window_size.h"

struct Terminal {
  const char* name;
  std::vector<std::string> options;  // what comes before the command
  bool command_as_text = false;      // the command is one argument, split as a shell would
};

namespace {

const std::string columns = std::to_string(window_columns);
const std::string rows = std::to_string(window_rows);
const std::string size = columns + "x" + rows;

// In the order they are tried: the desktop-neutral launchers, then the
// desktops' own terminals. Where each form is documented:
const Terminal terminals[] = {
    {"xdg-terminal-exec", {}},        // xdg-terminal-exec's README: the command as plain arguments
    {"x-terminal-emulator", {"-e"}},  // Debian Policy 11.8.3
    // Konsole handbook (-e, -p property=value); TerminalColumns/Rows are profile properties
    {"konsole", {"-p", "TerminalColumns=" + columns, "-p", "TerminalRows=" + rows, "-e"}},
    {"gnome-terminal", {"--geometry=" + size, "--"}},  // gnome-terminal(1); -e and -x are deprecated
    {"ptyxis", {"--new-window", "--"}},                // ptyxis(1): [--new-window] [-- PROGRAM ARGUMENTS]
    {"kgx", {"--"}},                                   // GNOME Console's --help
    // cosmic-term has no manual: its argument parser ends options at "--" and
    // takes --no-daemon, which keeps it from detaching (it ignores words it
    // does not know)
    {"cosmic-term", {"--no-daemon", "--"}},
    {"xfce4-terminal", {"--geometry=" + size, "-x"}},    // Xfce Terminal's manual: -x runs the rest
    {"mate-terminal", {"--geometry=" + size, "-x"}},     // mate-terminal(1)
    {"lxterminal", {"--geometry=" + size, "-e"}, true},  // lxterminal(1): -e takes one string
    {"qterminal", {"-e"}},                    // qterminal(1): -e <command>; the words after it join it
    {"tilix", {"--geometry=" + size, "-e"}},  // tilix(1): COLSxROWS; -e takes all that follows
    {"terminator", {"-x"}},                   // terminator(1): -x runs the rest; its --geometry is in pixels
    {"kitty",
     {"-o", "initial_window_width=" + columns + "c", "-o",
      "initial_window_height=" + rows + "c"}},  // kitty docs
    {"alacritty",
     {"-o", "window.dimensions.columns=" + columns, "-o", "window.dimensions.lines=" + rows, "-e"}},
    // ghostty(1) -e; ghostty(5): window-width and window-height are in cells,
    // and every setting may be given as --name=value
    {"ghostty", {"--window-width=" + columns, "--window-height=" + rows, "-e"}},
    {"foot", {"--window-size-chars=" + size}},  // foot(1)
    {"wezterm", {"--config", "initial_cols=" + columns, "--config", "initial_rows=" + rows, "start", "--"}},
    {"xterm", {"-geometry", size, "-e"}},  // xterm(1): -e comes last
};

// Debian's NAME.wrapper, which offers NAME as x-terminal-emulator, stands
// for NAME, which lies beside it.
std::string unwrapped(std::string path) {
  const std::string wrapper = ".wrapper";
  if (path.size() > wrapper.size() &&
      path.compare(path.size() - wrapper.size(), wrapper.size(), wrapper) == 0) {
    path.resize(path.size() - wrapper.size());
  }
  return path;
}

// The listed terminal called `name`; uxterm and lxterm(1) pass their options
// to xterm.
const Terminal* listed(std::string name) {
  name = unwrapped(name);
  if (name == "uxterm" || name == "lxterm") {
    name = "xterm";
  }
  for (const Terminal& terminal : terminals) {
    if (name == terminal.name) {
      return &terminal;
    }
  }
  return nullptr;
}

// One argument that a shell would split back into `text` alone.
std::string shell_quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

// What starting `program` (found as `name`) comes to: a link to a listed
// terminal starts that terminal itself, with its own options and size;
// anything else is started as `name`, with -e unless it is listed.
FoundTerminal resolved(const std::string& program, const std::string& name) {
  static const Terminal plain{"", {"-e"}};  // the convention that most terminals follow
  char real[PATH_MAX] = {};
  if (realpath(program.c_str(), real) != nullptr) {
    const std::string target = unwrapped(real);
    if (const Terminal* terminal = listed(base_name(target));
        terminal != nullptr && access(target.c_str(), X_OK) == 0) {
      return {target, terminal, {}};
    }
  }
  const Terminal* own = listed(base_name(name));
  return {program, own != nullptr ? own : &plain, {}};
}

}  // namespace

std::vector<FoundTerminal> terminals_found() {
  std::vector<std::vector<std::string>> names;  // each a program's name and the player's options
  if (const char* chosen = std::getenv("TERMINAL"); chosen != nullptr) {
    std::istringstream words(chosen);
    std::vector<std::string> chosen_words;
    for (std::string word; words >> word;) {
      chosen_words.push_back(word);
    }
    if (!chosen_words.empty()) {
      names.push_back(chosen_words);
    }
  }
  for (const Terminal& terminal : terminals) {
    names.push_back({terminal.name});
  }
  std::vector<FoundTerminal> terminals_here;
  std::set<std::string> programs;
  for (const std::vector<std::string>& name : names) {
    if (const std::string program = on_path(name.front()); !program.empty()) {
      FoundTerminal terminal = resolved(program, name.front());
      terminal.own_options.assign(name.begin() + 1, name.end());
      if (programs.insert(terminal.program).second) {
        terminals_here.push_back(std::move(terminal));
      }
    }
  }
  return terminals_here;
}

std::vector<std::string> command_line(const FoundTerminal& terminal,
                                      const std::vector<std::string>& command) {
  std::vector<std::string> arguments{terminal.program};
  arguments.insert(arguments.end(), terminal.own_options.begin(), terminal.own_options.end());
  arguments.insert(arguments.end(), terminal.form->options.begin(), terminal.form->options.end());
  if (!terminal.form->command_as_text) {
    arguments.insert(arguments.end(), command.begin(), command.end());
    return arguments;
  }
  std::string text;
  for (const std::string& word : command) {
    text += (text.empty() ? "" : " ") + shell_quoted(word);
  }
  arguments.push_back(text);
  return arguments;
}
