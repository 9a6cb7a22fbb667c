#pragma once
// The interface font: the game ships with Arial; Geneva is the alternative.

#include <string_view>

#include "console/keys.h"
#include "gamefile/game_file.h"

// Asks which font to use: 'y' sets font_choice to "Geneva", 'n' to "Arial".
// Any other result is how the wait stopped, and font_choice is left alone.
KeyAnswer ask_font_choice(std::string_view& font_choice);

// Asks whether to write the chosen name to the file, and writes it on 'y'.
// Returns the answer, or how the wait stopped.
KeyAnswer offer_font_write(GameFile& file, std::string_view font_choice);
