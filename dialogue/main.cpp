#include <optional>

#include "dialogue/dialogue.h"
#include "window/window.h"

// Arguments are ignored. The tool works on Halvane.exe in the current
// folder, which for a double-clicked run is first made the tool's own.
int main(int argc, char** argv) {
  if (const std::optional<int> ended = ready_window_for_questions(argc > 0 ? argv[0] : nullptr)) {
    return *ended;
  }
  return run_dialogue();
}
