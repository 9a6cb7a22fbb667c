#pragma once
// The dialogue as a player sees it. Its fixed texts are written out here a
// second time, by hand, so that any change to a single character of them
// fails a test. The tool's own lines (causes, refusals, the way back) are
// asserted by what they must say: the file named, the cause, the way back.

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/stand_in.h"

namespace transcript {

// Lines of the tool's own that must say each of `must_say`, in this order,
// in place of their exact text. A console may break them at any space, so
// their line ends count as spaces; every line's width is checked apart.
inline std::string own(std::initializer_list<std::string> must_say) {
  std::string part = "\x01";
  for (const std::string& words : must_say) {
    part += words + "\x1f";
  }
  return part + "\x02";
}
// Any text, or none.
inline const std::string anything = own({});

// "" where `output` is `expected`: its fixed text byte for byte, and each
// own() part a run of text, up to the fixed text after it, that says what
// it must. Otherwise, what differs.
inline std::string mismatch(const std::string& output, const std::string& expected) {
  std::size_t at = 0;
  for (std::size_t part = 0; part < expected.size();) {
    std::vector<std::string> must_say;
    const bool own_part = expected[part] == '\x01';
    for (; part < expected.size() && expected[part] == '\x01'; part = expected.find('\x02', part) + 1) {
      for (std::size_t word = part + 1; expected[word] != '\x02'; word = expected.find('\x1f', word) + 1) {
        must_say.push_back(expected.substr(word, expected.find('\x1f', word) - word));
      }
    }
    const std::string fixed = expected.substr(part, expected.find('\x01', part) - part);
    part += fixed.size();
    const std::size_t end = fixed.empty() ? output.size() : output.find(fixed, at);
    if (end == std::string::npos || (!own_part && end != at)) {
      return "after " + output.substr(0, at) + "\nexpected:\n" + fixed + "\nbut got:\n" + output.substr(at);
    }
    std::string said;  // the tool's own text, its line ends as spaces
    for (std::size_t i = at; i < end; ++i) {
      if (output[i] != '\r') {
        said += output[i] == '\n' ? ' ' : output[i];
      }
    }
    std::size_t found = 0;
    for (const std::string& words : must_say) {
      found = said.find(words, found);
      if (found == std::string::npos) {
        return "\"" + words + "\" is not said, in order, in:\n" + output.substr(at, end - at);
      }
      found += words.size();
    }
    if (!must_say.empty() && end == at) {
      return "nothing said before:\n" + fixed;
    }
    at = end + fixed.size();
  }
  return at == output.size() ? "" : "more than expected:\n" + output.substr(at);
}

// The last `count` lines of `text`, which ends with a line end.
inline std::string last_lines(const std::string& text, int count) {
  std::size_t start = text.size() - 1;
  for (int line = 0; line < count && start != std::string::npos && start > 0; ++line) {
    start = text.rfind('\n', start - 1);
  }
  return start == std::string::npos ? text : text.substr(start + 1);
}

// Whether `output` says `expected` anywhere in it.
inline bool says(const std::string& output, const std::string& expected) {
  return mismatch(output, anything + expected + anything).empty();
}

inline const std::string not_found = "Halvane not found - make sure you put me in the correct directory!\n";
// Followed by the folder, whole.
inline const std::string looked_in = "I looked for Halvane.exe in this folder:\n";

inline const std::string banner =
    "Welcome to Brem's exceedingly basic Halvane Resolution Hacking Program:\n"
    "USE AT YOUR OWN RISK: Brem has provided this free of charge, \n"
    "free like free beer, \n"
    "but more like 'free beer' you find opened, on the side of the road.\n"
    "\n"
    "There is absolutely no warranty on this product, \n"
    "including merchantability or fitness for any particular purpose.\n"
    "\n"
    "This tool absolutely might break your installation of Halvane unless it is \n"
    "1.0.10 for Windows (and you can break it even then if you try hard enough).\n"
    "It does, however, TRY to make a backup (Halvane.bak) - so you can TRY to\n"
    "restore from that.  Otherwise, reinstall Halvane.\n";

inline const std::string backup_made = "I've sucessfully made a backup.\n";

inline const std::string instructions =
    "\n"
    "I'm about to ask a series of questions - \n"
    "please note that replying with 0 will result in NUMERIC values being unchanged.\n"
    "The \"typical\" user will change only 'large width', 'large height', \n"
    "and maybe 'widthcheck'.\n";

inline const std::string complaint = "Please input valid numbers, followed by ENTER\n";

// The five size questions, each showing the value given (a number or "unreadable").
inline std::string question(int index, const std::string& current) {
  switch (index) {
    case 0:
      return "\nPlease enter your desired screen large width (set to desired resolution)\n"
             "(default 1024, current value " +
             current + ", 0 for no change) then press Enter\n";
    case 1:
      return "\nPlease enter the desired screen large height (set to desired resolution)\n"
             "(default 768, current value " +
             current + ", 0 for no change), followed by ENTER.\n";
    case 2:
      return "\nPlease enter the desired screen small width (can probably ignore)\n"
             "(default 800, current value " +
             current + ", 0 for no change), followed by ENTER.\n";
    case 3:
      return "\nPlease enter the desired screen small height (can probably ignore)\n"
             "(default 600, current value " +
             current + ", 0 for no change), followed by ENTER.\n";
    default:
      return "\nPlease enter the desired width offset check (ignore or set to large width)\n"
             "(default 1024, current value " +
             current + ", 0 for no change), followed by ENTER.\n";
  }
}

inline std::string questions(const std::array<std::string, 5>& current) {
  std::string all;
  for (int i = 0; i < 5; ++i) {
    all += question(i, current[i]);
  }
  return all;
}

inline const std::array<std::string, 5> stock_values{"1024", "768", "800", "600", "1024"};

inline const std::string font_question =
    "\nWhich font do you wish to use?\n"
    "Please type either 'y' for Geneva or 'n' for the original Arial.\n";
inline const std::string confirm = "Now, do you wish to make the above changes?  'y' or 'n'\n";
inline const std::string declined = "Ok, I didn't change the file.\n";
inline const std::string font_write_question =
    "\nDo you wish to write the font change to the file? 'y' to write, 'n' to leave unchanged.\n";
inline const std::string finished = "Ok, I think I finished.  Go see if it worked.\n";
inline const std::string closing = "Press any key to close this program.\n";

// Our own lines, for the ways a run can stop short or fail.
inline const std::string ended_unchanged = own({"Input ended", "Halvane.exe was not changed"});
inline const std::string ended_font = own({"Input ended", "the font name was not written"});
inline const std::string interrupted_unchanged = own({"Interrupted", "Halvane.exe was not changed"});
inline const std::string interrupted_font = own({"Interrupted", "the font name was not written"});
// A failed write, flush or close, with the system's words.
inline std::string write_failed(const std::string& cause, const std::string& access = "Writing Halvane.exe") {
  return own({access + " failed", cause, "partly changed", "Restore it from Halvane.bak"});
}
inline std::string write_failed_no_backup(const std::string& cause) {
  return own({"Writing Halvane.exe failed", cause, "partly changed", "no backup", "Reinstall Halvane",
              "no longer starts"});
}
// A failed write before any byte reached the file.
inline std::string not_changed(const std::string& cause) {
  return own({"Writing Halvane.exe failed", cause, "Halvane.exe was not changed"});
}
inline const std::string past_the_end = "the file ends before that place";
inline std::string backup_failed(const std::string& cause) {
  return own({"couldn't make a backup (Halvane.bak)", cause, "Nothing is changed unless you confirm"});
}
inline const std::string backup_wrong_size =
    own({"Halvane.bak", "not the size of Halvane.exe", "made no new backup", "Rename it", "fresh backup"});
// `differing` bytes apart from Halvane.exe, beyond the sizes and the font.
inline std::string backup_not_a_copy(const std::string& differing) {
  return own({"Halvane.bak is not a copy of this Halvane.exe", "made no new backup",
              differing + " of its bytes differ", "Rename it", "fresh backup"});
}
// Right before the confirmation, when no whole backup exists.
inline const std::string no_backup_reminder = own({"no backup of Halvane.exe", "'y' changes your only copy"});
inline const std::string too_short = own({"Halvane.exe is too short", "didn't change it"});
// Said at once, before the first size question that cannot show its value.
inline std::string read_failed_now(const std::string& cause) {
  return own({"couldn't read Halvane.exe", cause, "Nothing will be changed"});
}
inline const std::string too_short_now = read_failed_now("it ends before the screen sizes");

inline std::string unknown_build(const std::string& finding) {
  return own({"Halvane.exe does not look like 1.0.10", finding, "Answer 'n'"});
}
inline const std::string ends_before_font = unknown_build("the file ends before that place");

// Halvane.exe is there but cannot be patched.
inline const std::string in_use = own({"Halvane.exe is in use", "the game is running", "run me again"});
// Linux and macOS, for a file of root's that another account runs me on.
inline const std::string read_only_of_root =
    own({"Halvane.exe is read-only", "belongs to root", "chmod u+w Halvane.exe", "write access"});
inline const std::string two_spellings =
    own({"more than one Halvane.exe", "HALVANE.EXE and halvane.exe", "changed nothing", "rename the others"});
inline const std::string not_a_file = own({"Halvane.exe", "not a file", "the game's own Halvane.exe"});

// The sizes most runs here answer, and the game file they leave: 1920, 1080
// and 1920 at the large width, large height and width offset check.
inline const std::string sizes = "1920\n1080\n0\n0\n1920\n";
inline std::string sizes_written(const std::string& bytes) {
  return with_value(with_value(with_value(bytes, at::large_width, 1920), at::large_height, 1080),
                    at::width_check, 1920);
}
inline constexpr std::uint64_t font_offset = at::font;

// Everything up to the first size question, on a first run.
inline const std::string opening = banner + backup_made + instructions;

// The lines of what the tool printed that are wider than its own lines may
// be, 79 columns (UTF-8 counted by character), leaving the dialogue's own
// texts as they stand.
inline std::string too_wide(const std::string& output) {
  const std::string fixed =
      "\n" + opening + font_question + confirm + font_write_question + finished + closing;
  std::string found;
  for (std::size_t start = 0, end = 0; start < output.size(); start = end + 1) {
    end = std::min(output.find('\n', start), output.size());
    const std::string line = output.substr(start, end - start);
    const auto columns = std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
    if (columns > 79 && fixed.find("\n" + line + "\n") == std::string::npos) {
      found += line + "\n";
    }
  }
  return found;
}

}  // namespace transcript
