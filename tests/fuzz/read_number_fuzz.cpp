// Fuzzes number entry with arbitrary typing. The range 0 to 65535 holds by
// type (read_number returns a 16-bit value); what can go wrong is the value
// itself, so each one must be the number typed for it: the digits (and sign)
// just before where reading stopped. And every attempt uses up input, so
// that a run of questions always ends (each answer needs a digit and each
// complaint a character of its own).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "console/number.h"

namespace {

// The value of the number typed right before `end`, as the extraction gives
// it: a minus sign wraps it modulo 2^32.
std::uint64_t typed_before(const std::string& typed, std::size_t end) {
  const std::size_t start = typed.find_last_not_of("0123456789", end - 1) + 1;  // npos + 1 is 0
  const std::uint64_t value = std::strtoull(typed.c_str() + start, nullptr, 10);
  constexpr std::uint64_t wrap = std::uint64_t{1} << 32;
  return start > 0 && typed[start - 1] == '-' ? (wrap - value) % wrap : value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string typed(reinterpret_cast<const char*>(data), size);
  std::istringstream in(typed);
  std::ostringstream out;
  std::size_t answers = 0;
  while (const std::optional<std::uint16_t> answer = read_number(in, out)) {
    const std::streamoff stopped = in.tellg();  // -1 where the number ended the input
    const std::size_t end = stopped < 0 ? size : static_cast<std::size_t>(stopped);
    if (typed_before(typed, end) != *answer || ++answers > size) {
      __builtin_trap();
    }
  }
  const std::string complaint = "Please input valid numbers, followed by ENTER\n";
  const std::string complaints = out.str();
  if (complaints.size() % complaint.size() != 0 || complaints.size() / complaint.size() > size) {
    __builtin_trap();
  }
  for (std::size_t at = 0; at < complaints.size(); at += complaint.size()) {
    if (complaints.compare(at, complaint.size(), complaint) != 0) {
      __builtin_trap();
    }
  }
  return 0;
}
