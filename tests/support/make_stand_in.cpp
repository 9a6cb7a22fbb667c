// Writes a stand-in game file, for trying the tool without the game:
//   make-stand-in PATH [SIZE]
#include <cstdio>
#include <cstdlib>

#include "support/stand_in.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    (void)std::fprintf(stderr, "usage: make-stand-in PATH [SIZE]\n");
    return 2;
  }
  const std::uint64_t size = argc == 3 ? std::strtoull(argv[2], nullptr, 10) : stand_in_size;
  if (!write_stand_in(argv[1], size)) {
    (void)std::fprintf(stderr, "make-stand-in: could not write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
