#include "dialogue/dialogue.h"

#include <array>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string_view>

#include "console/keys.h"
#include "console/number.h"
#include "console/say.h"
#include "dialogue/font.h"
#include "gamefile/backup.h"
#include "gamefile/game_file.h"
#include "gamefile/patch_sites.h"

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

constexpr std::string_view write_failed =
    "Writing Halvane.exe failed: it may be only partly changed. Restore it from Halvane.bak.";

constexpr int status_failed = 1;
constexpr int status_interrupted = 130;

bool answered(KeyAnswer answer) { return answer == KeyAnswer::yes || answer == KeyAnswer::no; }

int closing_prompt(int status) {
  say("Press any key to close this program.");
  wait_any_key();
  return status;
}

// Input ended or the player pressed Ctrl-C before answering: nothing more is
// written and there is no closing prompt. Writes already confirmed stay, and
// if one of them failed, that is still said.
int stop_early(GameFile& file, KeyAnswer why, bool after_writes) {
  const bool written = file.flush();
  file.close();
  const std::string_view cause =
      why == KeyAnswer::interrupted ? "Interrupted: " : "Input ended before an answer: ";
  const std::string_view effect =
      after_writes ? "the font name was not written." : "Halvane.exe was not changed.";
  std::cout << cause << effect << '\n' << std::flush;
  if (after_writes && !written) {
    say(write_failed);
  }
  return why == KeyAnswer::interrupted ? status_interrupted : status_failed;
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
  GameFile file;
  if (!file.open()) {
    say("Halvane not found - make sure you put me in the correct directory!");
    return closing_prompt(0);
  }
  show_banner();
  if (make_backup()) {
    say("I've sucessfully made a backup.");
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
    const std::optional<std::uint16_t> answer = read_number(std::cin, std::cout);
    if (!answer) {
      return stop_early(file, KeyAnswer::input_ended, false);
    }
    answers[i] = *answer;
  }

  std::string_view font_choice;
  const KeyAnswer font = ask_font_choice(font_choice);
  if (!answered(font)) {
    return stop_early(file, font, false);
  }

  say("Now, do you wish to make the above changes?  'y' or 'n'");
  const KeyAnswer confirm = wait_yes_no();
  if (!answered(confirm)) {
    return stop_early(file, confirm, false);
  }
  if (confirm == KeyAnswer::no) {
    say("Ok, I didn't change the file.");
    file.close();
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
    return stop_early(file, write, true);
  }

  // Only a run in which every read and write succeeded is called finished.
  int status = 0;
  if (file.flush()) {
    say("Ok, I think I finished.  Go see if it worked.");
  } else {
    say(write_failed);
    status = status_failed;
  }
  file.close();
  return closing_prompt(status);
}
