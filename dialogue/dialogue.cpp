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
#include "dialogue/where.h"
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

// Every question fits the longest line, with its current value at its
// widest ("unreadable").
constexpr bool questions_fit() {
  for (const Prompt& prompt : prompts) {
    const std::string_view last = prompt.head.substr(prompt.head.rfind('\n') + 1);
    if (longest_line_of(prompt.head) > longest_dialogue_line ||
        last.size() + std::string_view("unreadable").size() + longest_line_of(prompt.tail) >
            longest_dialogue_line) {
      return false;
    }
  }
  return true;
}
static_assert(questions_fit());

constexpr int status_failed = 1;
constexpr int status_interrupted = 130;

bool answered(KeyAnswer answer) { return answer == KeyAnswer::yes || answer == KeyAnswer::no; }

// In a window that closes with the tool, the last words must not vanish
// unread under a key typed before they were shown.
int closing_prompt(int status) {
  drop_keys_typed_ahead();
  say_verbatim("Press any key to close this program.");
  wait_any_key();
  return status;
}

// How far a run got before it stopped early.
enum class Stage { nothing_written, sizes_written };

// Input ended or the player pressed Ctrl-C before answering: nothing more is
// written. Writes already confirmed stay, and if one of them failed, that is
// still said. The closing prompt comes only where the window would close with
// the tool and take these lines with it; a Ctrl-C there is the closing key.
int stop_early(GameFile& file, KeyAnswer why, Stage stage, const Backup& backup) {
  const bool written = file.close();
  const std::string_view cause =
      why == KeyAnswer::interrupted ? "Interrupted: " : "Input ended before an answer: ";
  const std::string_view effect =
      stage == Stage::sizes_written ? "the font name was not written." : "Halvane.exe was not changed.";
  say_wrapped(std::string(cause) + std::string(effect));
  if (stage == Stage::sizes_written && !written && file.first_failure()) {
    say_wrapped(failure_words(*file.first_failure(), backup));
  }
  const int status = why == KeyAnswer::interrupted ? status_interrupted : status_failed;
  if (!window_closes_with_tool()) {
    return status;
  }
  forget_interrupt();
  return closing_prompt(status);
}

void show_banner() {
  say_verbatim("Welcome to Brem's exceedingly basic Halvane Resolution Hacking Program:");
  say_verbatim(
      "USE AT YOUR OWN RISK: Brem has provided this free of charge, \n"
      "free like free beer, \n"
      "but more like 'free beer' you find opened, on the side of the road.\n\n"
      "There is absolutely no warranty on this product, \n"
      "including merchantability or fitness for any particular purpose.");
  say_verbatim(
      "\nThis tool absolutely might break your installation of Halvane unless it is \n"
      "1.0.10 for Windows (and you can break it even then if you try hard enough).\n"
      "It does, however, TRY to make a backup (Halvane.bak) - so you can TRY to\n"
      "restore from that.  Otherwise, reinstall Halvane.");
}

// The five answers, in question order, or how the asking stopped short.
struct Sizes {
  std::array<std::uint16_t, site_count> answers{};
  std::optional<KeyAnswer> stopped;
};

// Shows each size's current value and asks for a new one. Every current
// value is read and shown before anything is written; a read that fails is
// said at once, before its question.
Sizes ask_sizes(GameFile& file) {
  Sizes sizes;
  for (std::size_t i = 0; i < site_count; ++i) {
    const bool readable_so_far = !file.first_failure();
    const std::optional<std::uint16_t> current = file.read_value(numeric_sites[i]);
    if (readable_so_far && !current) {
      say_wrapped(read_failed_now(file.first_failure()->why));
    }
    say_verbatim(std::string(prompts[i].head) + (current ? decimal_text(*current) : "unreadable") +
                 std::string(prompts[i].tail));
    const NumberAnswer answer = read_typed_number();
    if (answer.stopped) {
      if (*answer.stopped == KeyAnswer::interrupted) {
        std::cout << '\n';  // the line being typed (and a terminal's ^C) stays above
      }
      sizes.stopped = answer.stopped;
      return sizes;
    }
    sizes.answers[i] = answer.value;
  }
  return sizes;
}

}  // namespace

int run_dialogue() {
  catch_interrupts(stop_file_work_for_good);
  GameFile file;
  const FileStatus opened = file.open();
  if (opened.problem == FileProblem::missing) {
    say_verbatim("Halvane not found - make sure you put me in the correct directory!");
    say_wrapped(looked_in_line());
    return closing_prompt(0);
  }
  if (!opened.ok()) {
    say_wrapped(refusal(opened));
    return closing_prompt(status_failed);
  }
  show_banner();
  const Backup backup = make_backup(file);
  if (const std::string refused = blocked_backup_refusal(backup); !refused.empty()) {
    say_wrapped(refused);
    (void)file.close();  // nothing was written
    return closing_prompt(status_failed);
  }
  if (const std::string line = backup_line(backup); !line.empty()) {
    say_wrapped(line);
  }
  // A warning only: the player may know better, and the confirmation still
  // guards every write.
  if (const std::string finding = unknown_build_finding(file); !finding.empty()) {
    say_wrapped(
        "Warning: this Halvane.exe does not look like 1.0.10 for Windows.\n"
        "Where 1.0.10 keeps its font name (Arial or Geneva), this file holds " +
        finding + ".\nAnswer 'n' at the confirmation to leave it alone.");
  }
  say_verbatim(
      "\nI'm about to ask a series of questions - \n"
      "please note that replying with 0 will result in NUMERIC values being unchanged.");
  say_verbatim(
      "The \"typical\" user will change only 'large width', 'large height', \n"
      "and maybe 'widthcheck'.");

  const Sizes sizes = ask_sizes(file);
  if (sizes.stopped) {
    return stop_early(file, *sizes.stopped, Stage::nothing_written, backup);
  }
  const FontChoice font = ask_font_choice();
  if (!answered(font.answer)) {
    return stop_early(file, font.answer, Stage::nothing_written, backup);
  }

  // The backup's line has scrolled away by now; the decision is made here.
  bool warned = false;
  if (!whole_backup(backup)) {
    say_wrapped("Remember: I have no backup of Halvane.exe, so 'y' changes your only copy.");
    warned = true;
  }
  if (const std::string warning = patched_game_warning(whole_backup(backup)); !warning.empty()) {
    say_wrapped(warning);
    warned = true;
  }
  // A 'y' typed twice at the font question must not confirm before a
  // warning about the only copy could be read. Keys typed ahead answer
  // every other question, as they always have.
  if (warned) {
    drop_keys_typed_ahead();
  }
  say_verbatim("Now, do you wish to make the above changes?  'y' or 'n'");
  const KeyAnswer confirm = wait_yes_no();
  if (!answered(confirm)) {
    return stop_early(file, confirm, Stage::nothing_written, backup);
  }
  // Declined after a failed read, the run still failed: a script is told so.
  if (confirm == KeyAnswer::no) {
    say_verbatim("Ok, I didn't change the file.");
    (void)file.close();  // nothing was written
    return closing_prompt(file.first_failure() ? status_failed : 0);
  }

  // 0 leaves a site as it is; any other answer is written, even when it
  // equals the current value.
  for (const std::size_t i : write_order) {
    if (sizes.answers[i] != 0) {
      file.write_value(numeric_sites[i], sizes.answers[i]);
    }
  }
  // After a failed read or write nothing more can be written: no question
  // about the font, straight to the closing words.
  if (!file.first_failure()) {
    const KeyAnswer write = ask_font_write();
    if (!answered(write)) {
      return stop_early(file, write, Stage::sizes_written, backup);
    }
    if (write == KeyAnswer::yes) {
      file.write_font_name(font.name);
    }
  }

  // Finished means every read and write succeeded and the file is on disk
  // and closed.
  if (!file.close() && file.first_failure()) {
    say_wrapped(failure_words(*file.first_failure(), backup));
    return closing_prompt(status_failed);
  }
  say_verbatim("Ok, I think I finished.  Go see if it worked.");
  return closing_prompt(0);
}
