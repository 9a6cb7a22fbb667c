#include <filesystem>
#include <system_error>

#include "window/window.h"

std::optional<int> enter_tool_folder_if_double_clicked(const char* started_as) {
  const WindowLook look = look_for_window();
  if (look != WindowLook::here) {
    const ToolPath tool = tool_path(started_as);
    std::error_code ignored;  // a folder that cannot be entered leaves "Halvane not found" to say so
    std::filesystem::current_path(std::filesystem::path(tool.path).parent_path(), ignored);
    if (look == WindowLook::wanted) {
      return open_own_window(tool) ? 0 : 1;
    }
    if (!window_may_run()) {
      return 1;
    }
  }
  fit_window_to_dialogue();
  return std::nullopt;
}
