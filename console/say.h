#pragma once
// A console message: the text, a line end, and a flush, so that each prompt is
// on the screen before an answer is awaited.

#include <iostream>
#include <string_view>

inline void say(std::string_view text) { std::cout << text << '\n' << std::flush; }
