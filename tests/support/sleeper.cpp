// A stand-in for the running game: says it is up, then waits for its input
// to close, so that a test can keep it running for as long as it needs.
#include <cstdio>

int main() {
  (void)std::puts("ready");
  (void)std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  return 0;
}
