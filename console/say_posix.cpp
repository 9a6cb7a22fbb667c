#include <iostream>

#include "console/say.h"

// Terminals here take UTF-8 as it stands.
void say(std::string_view text) { std::cout << text << '\n' << std::flush; }
