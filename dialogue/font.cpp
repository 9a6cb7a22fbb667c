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
constexpr std::string_view geneva = "Geneva";
constexpr std::string_view arial = "Arial";
// What a backup may differ in reaches no further: each name and its zero byte.
static_assert(geneva.size() + 1 <= font_name_field && arial.size() + 1 <= font_name_field);

}  // namespace

FontChoice ask_font_choice() {
  say_verbatim(font_question);
  const KeyAnswer answer = wait_yes_no();
  return {answer, answer == KeyAnswer::yes ? geneva : answer == KeyAnswer::no ? arial : ""};
}

KeyAnswer ask_font_write() {
  say_verbatim(font_write_question);
  return wait_yes_no();
}
