#include "dialogue/font.h"

#include "console/say.h"
#include "dialogue/dialogue.h"
#include "gamefile/patch_sites.h"

namespace {

constexpr std::string_view font_question =
    "\nWhich font do you wish to use?\n"
    "Please type either 'y' for Geneva or 'n' for the original Arial.";
constexpr std::string_view font_write_question =
    "\nDo you wish to write the font change to the file? 'y' to write, 'n' to leave unchanged.";
static_assert(longest_line_of(font_question) <= longest_dialogue_line);
static_assert(longest_line_of(font_write_question) == longest_dialogue_line);

}  // namespace

FontChoice ask_font_choice() {
  say_verbatim(font_question);
  const KeyAnswer answer = wait_yes_no();
  return {answer, answer == KeyAnswer::yes ? other_font : answer == KeyAnswer::no ? original_font : ""};
}

KeyAnswer ask_font_write() {
  say_verbatim(font_write_question);
  return wait_yes_no();
}
