#include <optional>

#include "dialogue/dialogue.h"
#include "window/window.h"

// Arguments are ignored. The tool works on Halvane.exe in the current
// folder, which for a double-clicked run is first made the tool's own.
int main(int argc, char** argv) {
  if (const std::optional<int> ended = enter_tool_folder_if_double_clicked(argc > 0 ? argv[0] : nullptr)) {
    return *ended;
  }
  return run_dialogue();
}
