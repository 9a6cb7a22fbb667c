// A stand-in for the game running under Wine, which maps Halvane.exe into
// memory (readable and executable, private) instead of executing it, and
// takes no lock on it. Says it is up, then waits for its input to close.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

int main() {
  const int file = open("Halvane.exe", O_RDONLY | O_CLOEXEC);
  if (file < 0 || mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE, file, 0) == MAP_FAILED) {
    return 1;
  }
  close(file);  // the mapping alone keeps the file in use, as under Wine
  (void)std::puts("ready");
  (void)std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  return 0;
}
