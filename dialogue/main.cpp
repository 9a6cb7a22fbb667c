#include "console/window.h"
#include "dialogue/dialogue.h"

// Arguments are ignored: the tool always works on the game in the current
// folder (on a Linux desktop, the folder that holds it).
int main(int argc, char** argv) {
  switch (find_a_window(argc > 0 ? argv[0] : nullptr)) {
    case WindowLook::opened:
      return 0;
    case WindowLook::none_opened:
    case WindowLook::too_late:
      return 1;
    case WindowLook::here:
      break;
  }
  return run_dialogue();
}
