#pragma once
// Number entry: the screen sizes are typed as lines on standard input.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

// Reads one number from 0 to 65535 from `in`. Each invalid entry gets one
// complaint line on `out` and another attempt; what follows a valid number on
// its line stays buffered for the next question. Returns nullopt once `in`
// has ended, since then no attempt can ever succeed.
std::optional<std::uint16_t> read_number(std::istream& in, std::ostream& out);

// The value as plain decimal digits: no sign, padding or grouping.
std::string decimal_text(std::uint16_t value);
