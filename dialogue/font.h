#pragma once
// The interface font: the game ships with Arial; Geneva is the alternative.

#include <string_view>

#include "console/keys.h"

// The answer to the font question, and the name it chose: "Geneva" for 'y',
// "Arial" for 'n', nothing where the wait stopped without an answer.
struct FontChoice {
  KeyAnswer answer;
  std::string_view name;
};

// Asks which font to use.
FontChoice ask_font_choice();

// Asks whether to write the chosen name to the file: the answer, or how the
// wait stopped. The driver writes on 'y'.
KeyAnswer ask_font_write();
