#include "dialogue/dialogue.h"

#include <array>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "console/keys.h"
#include "console/number.h"
#include "console/say.h"
#include "dialogue/font.h"
#include "dialogue/refusal.h"
#include "gamefile/backup.h"
#include "gamefile/build_check.h"
#include "gamefile/game_file.h"
#include "gamefile/patch_sites.h"
#include "window/window.h"

namespace {

// Each size question is written as head, current value, tail.
struct Prompt {
  std::string_view head;
  std::string_view tail;
};

// In question order, one for each of numeric_sites.
constexpr std::array<Prompt, site_count> prompts{{
    {"\nPlease enter your desired screen large width (set to desired resolution)\n"
     "(default 1024, current value ",
     ", 0 for no change) then press Enter"},
    {"\nPlease enter the desired screen large height (set to desired resolution)\n"
     "(default 768, current value ",
     ", 0 for no change), followed by ENTER."},
    {"\nPlease enter the desired screen small width (can probably ignore)\n"
     "(default 800, current value ",
     ", 0 for no change), followed by ENTER."},
    {"\nPlease enter the desired screen small height (can probably ignore)\n"
     "(default 600, current value ",
     ", 0 for no change), followed by ENTER."},
    {"\nPlease enter the desired width offset check (ignore or set to large width)\n"
     "(default 1024, current value ",
     ", 0 for no change), followed by ENTER."},
}};

// After confirmed writes that did not all succeed. A size that could not be
// read stops every write after it: the file is too short to hold the sizes,
// or reading it failed. Halvane.bak is offered only when a whole one is there
// to restore from.
std::string write_failed(const FileStatus& unread, bool whole_backup) {
  if (unread.problem == FileProblem::short_copy) {
    return "Halvane.exe is too short to hold the screen sizes, so I didn't change it.";
  }
  if (unread.problem != FileProblem::none) {
    return "Reading Halvane.exe failed: " + unread.system_text +
           ". I didn't change it. Check the disk or the network share it is on, and run me again.";
  }
  return whole_backup
             ? "Writing Halvane.exe failed: it may be only partly changed. Restore it from Halvane.bak."
             : "Writing Halvane.exe failed: it may be only partly changed, and there is no backup of "
               "it. Reinstall Halvane if it no longer starts.";
}

// Why Halvane.exe, which is there, cannot be patched, and what the player can do.
std::string refusal(const FileStatus& status) {
  switch (status.problem) {
    case FileProblem::read_only:
    case FileProblem::access_denied:
      return permission_refusal(status);
    case FileProblem::read_only_disk:
      return "Halvane.exe is on a read-only disk, so I can't change it. Make the disk writable, or copy the "
             "game to a writable disk, and run me again.";
    case FileProblem::in_use:
      return "Halvane.exe is in use: the game is running, another program has it open, or I am already "
             "running on it. Close that and run me again.";
    case FileProblem::not_a_file:
      return "Halvane.exe here is not a file (it is a folder or a device), so there is nothing to patch. "
             "Put me next to the game's own Halvane.exe.";
    default:
      return "I can't open Halvane.exe: " + status.system_text + ".";
  }
}

// What became of the backup, where the first run says it made one. An
// existing backup that may be whole stays unmentioned.
std::string backup_line(const Backup& backup) {
  switch (backup.state) {
    case BackupState::made:
      return "I've sucessfully made a backup.";
    case BackupState::kept:
      return "";
    case BackupState::kept_not_a_file:
      return "Halvane.bak exists but is not a file; I left it alone and made no new backup. Rename it and "
             "run me again to get a fresh backup.";
    case BackupState::kept_wrong_size:
      return "Halvane.bak exists but is not the size of Halvane.exe, so it is no copy of it; I left it "
             "alone and made no new backup. Rename it and run me again to get a fresh backup.";
    case BackupState::kept_same_file:
      return "Halvane.bak is Halvane.exe itself, through a link, so it is no backup; I left it alone and "
             "made no new backup. Rename it and run me again to get a fresh backup.";
    case BackupState::failed:
      break;
  }
  std::string cause;
  switch (backup.why.problem) {
    case FileProblem::access_denied:
      cause = "this folder does not let me create files";
      break;
    case FileProblem::read_only_disk:
      cause = "the disk is read-only";
      break;
    case FileProblem::disk_full:
      cause = "there is not enough room on the disk";
      break;
    case FileProblem::short_copy:
      cause = "the copy came out shorter than Halvane.exe";
      break;
    case FileProblem::leftover_stuck:
      cause = "a leftover Halvane.bak.partial from an earlier run could not be removed: " +
              backup.why.system_text;
      break;
    default:
      cause = backup.why.system_text;
  }
  return "I couldn't make a backup (Halvane.bak): " + cause +
         ". Nothing is changed unless you confirm below.";
}

constexpr int status_failed = 1;
constexpr int status_interrupted = 130;

bool answered(KeyAnswer answer) { return answer == KeyAnswer::yes || answer == KeyAnswer::no; }

int closing_prompt(int status) {
  say("Press any key to close this program.");
  wait_any_key();
  return status;
}

// Input ended or the player pressed Ctrl-C before answering: nothing more is
// written. Writes already confirmed stay, and if one of them failed, that is
// still said. The closing prompt comes only where the window would close with
// the tool and take these lines with it; a Ctrl-C there is the closing key.
int stop_early(GameFile& file, KeyAnswer why, bool after_writes, bool backed_up) {
  const bool written = file.close();
  const std::string_view cause =
      why == KeyAnswer::interrupted ? "Interrupted: " : "Input ended before an answer: ";
  const std::string_view effect =
      after_writes ? "the font name was not written." : "Halvane.exe was not changed.";
  std::cout << cause << effect << '\n' << std::flush;
  if (after_writes && !written) {
    say(write_failed(file.read_failure(), backed_up));
  }
  const int status = why == KeyAnswer::interrupted ? status_interrupted : status_failed;
  if (!window_closes_with_tool()) {
    return status;
  }
  forget_interrupt();
  return closing_prompt(status);
}

void show_banner() {
  say("Welcome to Brem's exceedingly basic Halvane Resolution Hacking Program:");
  say("USE AT YOUR OWN RISK: Brem has provided this free of charge, \n"
      "free like free beer, \n"
      "but more like 'free beer' you find opened, on the side of the road.\n\n"
      "There is absolutely no warranty on this product, \n"
      "including merchantability or fitness for any particular purpose.");
  say("\nThis tool absolutely might break your installation of Halvane unless it is \n"
      "1.0.10 for Windows (and you can break it even then if you try hard enough).\n"
      "It does, however, TRY to make a backup (Halvane.bak) - so you can TRY to\n"
      "restore from that.  Otherwise, reinstall Halvane.");
}

}  // namespace

int run_dialogue() {
  catch_interrupts(finish_file_work);
  GameFile file;
  const FileStatus opened = file.open();
  if (opened.problem == FileProblem::missing) {
    say("Halvane not found - make sure you put me in the correct directory!");
    return closing_prompt(0);
  }
  if (opened.problem != FileProblem::none) {
    say(refusal(opened));
    return closing_prompt(status_failed);
  }
  show_banner();
  const Backup backup = make_backup(file);
  if (const std::string line = backup_line(backup); !line.empty()) {
    say(line);
  }
  const bool backed_up = whole_backup(backup);  // the closing lines offer Halvane.bak only then
  // A warning only: the player may know better, and the confirmation still
  // guards every write.
  if (const std::string finding = unknown_build_finding(file); !finding.empty()) {
    say("Warning: this Halvane.exe does not look like 1.0.10 for Windows.\n"
        "Where 1.0.10 keeps its font name (Arial or Geneva), this file holds " +
        finding + ".\nAnswer 'n' at the confirmation to leave it alone.");
  }
  say("\nI'm about to ask a series of questions - \n"
      "please note that replying with 0 will result in NUMERIC values being unchanged.");
  say("The \"typical\" user will change only 'large width', 'large height', \n"
      "and maybe 'widthcheck'.");

  // Every current value is read and shown before anything is written.
  std::array<std::uint16_t, site_count> answers{};
  for (std::size_t i = 0; i < site_count; ++i) {
    const std::optional<std::uint16_t> current = file.read_value(numeric_sites[i]);
    std::cout << prompts[i].head << (current ? decimal_text(*current) : "unreadable") << prompts[i].tail
              << '\n'
              << std::flush;
    const std::optional<std::uint16_t> answer = read_typed_number();
    if (!answer) {
      const bool by_interrupt = input_ended_by_interrupt();
      if (by_interrupt) {
        std::cout << '\n';  // the line being typed (and a terminal's ^C) stays above
      }
      return stop_early(file, by_interrupt ? KeyAnswer::interrupted : KeyAnswer::input_ended, false,
                        backed_up);
    }
    answers[i] = *answer;
  }

  std::string_view font_choice;
  const KeyAnswer font = ask_font_choice(font_choice);
  if (!answered(font)) {
    return stop_early(file, font, false, backed_up);
  }

  // The backup's line has scrolled away by now; the decision is made here.
  if (!backed_up) {
    say("Remember: I have no backup of Halvane.exe, so 'y' changes your only copy.");
  }
  say("Now, do you wish to make the above changes?  'y' or 'n'");
  const KeyAnswer confirm = wait_yes_no();
  if (!answered(confirm)) {
    return stop_early(file, confirm, false, backed_up);
  }
  if (confirm == KeyAnswer::no) {
    say("Ok, I didn't change the file.");
    (void)file.close();  // nothing was written
    return closing_prompt(0);
  }

  // 0 leaves a site as it is; any other answer is written, even when it
  // equals the current value.
  for (const std::size_t i : write_order) {
    if (answers[i] != 0) {
      file.write_value(numeric_sites[i], answers[i]);
    }
  }
  const KeyAnswer write = offer_font_write(file, font_choice);
  if (!answered(write)) {
    return stop_early(file, write, true, backed_up);
  }

  // Finished means every read and write succeeded and the file is on disk
  // and closed.
  if (!file.close()) {
    say(write_failed(file.read_failure(), backed_up));
    return closing_prompt(status_failed);
  }
  say("Ok, I think I finished.  Go see if it worked.");
  return closing_prompt(0);
}
