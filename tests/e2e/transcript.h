#pragma once
// The dialogue as a player sees it, written out here a second time, by hand,
// so that any change to a single character of the tool's texts fails a test.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "support/stand_in.h"

namespace transcript {

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
inline const std::string ended_unchanged = "Input ended before an answer: Halvane.exe was not changed.\n";
inline const std::string ended_font = "Input ended before an answer: the font name was not written.\n";
inline const std::string interrupted_unchanged = "Interrupted: Halvane.exe was not changed.\n";
inline const std::string interrupted_font = "Interrupted: the font name was not written.\n";
// A failed write, flush or close, with the system's words.
inline std::string write_failed(const std::string& cause, const std::string& access = "Writing Halvane.exe") {
  return access + " failed: " + cause + ".\nIt may be only partly changed. Restore it from Halvane.bak.\n";
}
inline std::string write_failed_no_backup(const std::string& cause) {
  return "Writing Halvane.exe failed: " + cause +
         ".\n"
         "It may be only partly changed, and there is no backup of it. Reinstall Halvane\n"
         "if it no longer starts.\n";
}
// A failed write before any byte reached the file.
inline std::string not_changed(const std::string& cause) {
  return "Writing Halvane.exe failed: " + cause + ".\nNothing reached it: Halvane.exe was not changed.\n";
}
inline const std::string past_the_end = "the file ends before that place";
inline std::string backup_failed(const std::string& cause) {
  return "I couldn't make a backup (Halvane.bak): " + cause +
         ".\nNothing is changed unless you confirm below.\n";
}
inline const std::string backup_wrong_size =
    "Halvane.bak exists but is not the size of Halvane.exe, so it is no copy of it;\n"
    "I left it alone and made no new backup. Rename it and run me again to get a\n"
    "fresh backup.\n";
// `differing` bytes apart from Halvane.exe, beyond the sizes and the font.
inline std::string backup_not_a_copy(const std::string& differing) {
  return "Halvane.bak is not a copy of this Halvane.exe, so I left it alone and made no\nnew backup: " +
         differing +
         " of its bytes differ, beyond the screen sizes\nand the font name. It may be a backup of another "
         "build, "
         "or a copy the disk did\nnot keep whole. Rename it and run me again to get a fresh backup.\n";
}
// Right before the confirmation, when no whole backup exists.
inline const std::string no_backup_reminder =
    "Remember: I have no backup of Halvane.exe, so 'y' changes your only copy.\n";
inline const std::string too_short =
    "Halvane.exe is too short to hold the screen sizes, so I didn't change it.\n";
// Said at once, before the first size question that cannot show its value.
inline std::string read_failed_now(const std::string& cause) {
  return "I couldn't read Halvane.exe: " + cause + ".\nNothing will be changed.\n";
}
inline const std::string too_short_now = read_failed_now("it ends before the screen sizes");

inline std::string unknown_build(const std::string& finding) {
  return "Warning: this Halvane.exe does not look like 1.0.10 for Windows.\n"
         "Where 1.0.10 keeps its font name (Arial or Geneva), this file holds " +
         finding + ".\nAnswer 'n' at the confirmation to leave it alone.\n";
}
// A file that ends before the font name: its line is broken at 79 columns.
inline const std::string ends_before_font = unknown_build("nothing:\nthe file ends before that place");

// Halvane.exe is there but cannot be patched.
inline const std::string in_use =
    "Halvane.exe is in use: the game is running, another program has it open, or I\n"
    "am already running on it. Close that and run me again.\n";
// Linux and macOS, for a file of root's that another account runs me on.
inline const std::string read_only_of_root =
    "Halvane.exe is read-only and belongs to root, so I can't change it. Its owner\n"
    "can make it writable (chmod u+w Halvane.exe) and run me, or give your account\n"
    "write access to it.\n";
inline const std::string two_spellings =
    "There is more than one Halvane.exe here, in different letters: HALVANE.EXE and\n"
    "halvane.exe. I can't tell which is the game, so I changed nothing. Keep the\n"
    "game's own, rename the others, and run me again.\n";
inline const std::string not_a_file =
    "Halvane.exe here is not a file (it is a folder or a device), so there is\n"
    "nothing to patch. Put me next to the game's own Halvane.exe.\n";

// The sizes most runs here answer, and the game file they leave: 1920, 1080
// and 1920 at the large width, large height and width offset check.
inline const std::string sizes = "1920\n1080\n0\n0\n1920\n";
inline std::string sizes_written(const std::string& bytes) {
  return with_value(with_value(with_value(bytes, 735781, 1920), 735776, 1080), 735766, 1920);
}
inline constexpr std::uint64_t font_offset = 1491820;

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
