#include "dialogue/font.h"

#include "console/say.h"

FontChoice ask_font_choice() {
  say("\nWhich font do you wish to use?\n"
      "Please type either 'y' for Geneva or 'n' for the original Arial.");
  const KeyAnswer answer = wait_yes_no();
  return {answer, answer == KeyAnswer::yes ? "Geneva" : answer == KeyAnswer::no ? "Arial" : ""};
}

KeyAnswer ask_font_write() {
  say("\nDo you wish to write the font change to the file? 'y' to write, 'n' to leave unchanged.");
  return wait_yes_no();
}
