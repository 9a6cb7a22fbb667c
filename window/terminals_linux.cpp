// Each terminal emulator is started with the command form its own
// documentation gives for running a program in a new window, and the
// window's size in characters where it takes one (window_size.h).

#include "window/terminals_linux.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include "window/paths_linux.h"
#include "window/window_size.h"

struct Terminal {
  const char* name;
  std::vector<std::string> options;  // what comes before the command
  bool command_as_text = false;      // the command is one argument, split as a shell would
  // For a terminal that takes a size in pixels alone: writes settings of the
  // tool's own that name a font, whose cell is then known, and gives the
  // options that read them with a window that holds the dialogue; none
  // where they could not be written, and the window opens at its own size.
  std::vector<std::string> (*sized)() = nullptr;
  // With those settings, set in the terminal's environment (env(1)).
  const char* sized_environment = nullptr;
};

namespace {

// A folder of the tool's own among the player's settings, never the
// player's own settings: QTerminal reads a profile from there alone
// (--profile NAME is $XDG_CONFIG_HOME/NAME.conf). "" where it cannot be made.
std::string settings_folder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  const std::string base = config != nullptr && config[0] == '/' ? config
                           : home != nullptr && home[0] == '/'   ? std::string(home) + "/.config"
                                                                 : "";
  std::error_code failed;
  std::filesystem::create_directories(base + "/halvane-res", failed);
  return base.empty() || failed ? "" : base + "/halvane-res";
}

bool written(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::trunc);
  return static_cast<bool>(file << text << std::flush);
}

// A monospace font 13 pixels high (a size in pixels, which the screen's DPI
// does not scale) draws cells about 8 pixels wide: 880 by 560 pixels hold
// about 108 columns and 31 rows.
std::vector<std::string> terminator_settings() {  // terminator(1) --config; terminator_config(5)
  const std::string folder = settings_folder();
  const std::string file = folder + "/terminator.config";
  if (folder.empty() || !written(file,
                                 "[global_config]\n[profiles]\n  [[default]]\n    use_system_font = False\n"
                                 "    font = Monospace 13px\n[layouts]\n[plugins]\n")) {
    return {};
  }
  return {"--config", file, "--geometry=880x560"};
}

// QTerminal's font size is in points: at 96 DPI a 10-point monospace font
// draws the same 8-pixel cells, and 880 pixels hold about 107 columns. Qt
// takes the points at the screen's Xft.dpi, which does not scale the window
// (at 144, 71 columns), so QTerminal is given 96 for its fonts alone
// (QT_FONT_DPI); a desktop that scales Qt's windows too scales both.
std::vector<std::string> qterminal_settings() {  // qterminal --help: -p, --profile NAME
  const std::string folder = settings_folder();
  if (folder.empty() || !written(folder + "/qterminal.conf",
                                 "[General]\nfontFamily=Monospace\nfontSize=10\nSaveSizeOnExit=false\n"
                                 "SavePosOnExit=false\n\n[MainWindow]\nsize=@Size(880 560)\n"
                                 "fixedSize=@Size(880 560)\n")) {
    return {};
  }
  return {"--profile", "halvane-res/qterminal"};
}

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
    // qterminal(1): -e <command>; the words after it join it
    {"qterminal", {"-e"}, false, qterminal_settings, "QT_FONT_DPI=96"},
    {"tilix", {"--geometry=" + size, "-e"}},             // tilix(1): COLSxROWS; -e takes all that follows
    {"terminator", {"-x"}, false, terminator_settings},  // terminator(1): -x runs the rest
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
  if (const std::vector<std::string> sized =
          terminal.form->sized != nullptr ? terminal.form->sized() : std::vector<std::string>();
      !sized.empty()) {
    arguments.insert(arguments.end(), sized.begin(), sized.end());
    if (terminal.form->sized_environment != nullptr) {
      arguments.insert(arguments.begin(), {"/usr/bin/env", terminal.form->sized_environment});
    }
  }
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
