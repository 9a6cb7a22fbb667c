// Fuzzes number entry with arbitrary typing. The contract: only 0 to 65535 or
// end of input comes back, and every attempt uses up input, so that a run of
// questions always ends (each answer needs a digit and each complaint a
// character of its own).
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "console/number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::ostringstream out;
  std::size_t answers = 0;
  while (const std::optional<std::uint16_t> answer = read_number(in, out)) {
    if (*answer > 65535 || ++answers > size) {
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
