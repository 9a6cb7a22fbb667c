#include "console/window.h"
#include "dialogue/dialogue.h"

// Arguments are ignored: the tool always works on the game in the current
// folder (on a Linux desktop, the folder that holds it).
int main() {
  switch (find_a_window()) {
    case WindowLook::opened:
      return 0;
    case WindowLook::none_found:
      return 1;
    case WindowLook::here:
      break;
  }
  return run_dialogue();
}
