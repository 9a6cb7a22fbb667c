#include "console/number.h"

#include <istream>
#include <limits>
#include <locale>
#include <ostream>
#include <sstream>

std::optional<std::uint16_t> read_number(std::istream& in, std::ostream& out) {
  for (;;) {
    // Only a failed extraction leaves the stream failed: then the rest of
    // that line is thrown away, however long it is.
    if (in.fail()) {
      in.clear();
      in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    // 32 bits wide on purpose: 65536 to 4294967295 extract cleanly and fail
    // only the range test, so the rest of their line is kept.
    std::uint32_t value = 0;
    in >> value;
    if (!in.fail() && value <= std::numeric_limits<std::uint16_t>::max()) {
      return static_cast<std::uint16_t>(value);
    }
    if (in.fail() && in.eof()) {
      return std::nullopt;
    }
    out << "Please input valid numbers, followed by ENTER" << '\n' << std::flush;
  }
}

std::string decimal_text(std::uint16_t value) {
  std::ostringstream text;
  text.imbue(std::locale::classic());  // never a thousands separator
  text << value;
  return text.str();
}
