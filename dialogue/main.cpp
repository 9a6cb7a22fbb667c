#include <filesystem>
#include <string>
#include <system_error>

#include "dialogue/dialogue.h"
#include "window/window.h"

// Arguments are ignored: the tool always works on the game in the current
// folder.
int main(int argc, char** argv) {
  const WindowLook look = look_for_window();
  if (look != WindowLook::here) {
    // Started by a double-click: the game is in the tool's folder, not in
    // the one the file manager or the terminal started it in.
    const std::string tool = tool_path(argc > 0 ? argv[0] : nullptr);
    std::error_code ignored;  // a folder that cannot be entered leaves "Halvane not found" to say so
    std::filesystem::current_path(std::filesystem::path(tool).parent_path(), ignored);
    if (look == WindowLook::wanted) {
      return open_own_window(tool) ? 0 : 1;
    }
    if (!window_may_run()) {
      return 1;
    }
  }
  fit_window_to_dialogue();
  return run_dialogue();
}
