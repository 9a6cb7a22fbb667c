#include "dialogue/font.h"

#include "console/say.h"

KeyAnswer ask_font_choice(std::string_view& font_choice) {
  say("\nWhich font do you wish to use?\n"
      "Please type either 'y' for Geneva or 'n' for the original Arial.");
  const KeyAnswer answer = wait_yes_no();
  if (answer == KeyAnswer::yes || answer == KeyAnswer::no) {
    font_choice = answer == KeyAnswer::yes ? "Geneva" : "Arial";
  }
  return answer;
}

KeyAnswer offer_font_write(GameFile& file, std::string_view font_choice) {
  say("\nDo you wish to write the font change to the file? 'y' to write, 'n' to leave unchanged.");
  const KeyAnswer answer = wait_yes_no();
  if (answer == KeyAnswer::yes) {
    file.write_font_name(font_choice);
  }
  return answer;
}
