#include <iostream>

#include "console/say.h"

// Terminals here take UTF-8 as it stands.
void say_verbatim(std::string_view text) { std::cout << text << '\n' << std::flush; }
