#include "window/message_box_linux.h"

#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

#include "window/paths_linux.h"
#include "window/programs_linux.h"

// zenity comes with GNOME, Xfce, Cinnamon, MATE and SteamOS (Steam uses it),
// kdialog with KDE Plasma, xmessage with almost any X server; a
// notification, which may pass unseen, is the last resort. One box is
// enough: the first tool that showed one ends the search, however it was
// closed (Esc makes zenity and kdialog exit with 1). A tool that exits with
// a failure at once could not reach the display; a shown box stays up
// longer, until a person has read it.
// zenity and notifications read their text as markup, where a folder named
// "Tom & Jerry" would be an error: zenity is told not to, and the
// notification's text is escaped, as it has no such option.
void show_message_box(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  }
  const std::vector<std::vector<std::string>> boxes = {
      {"zenity", "--error", "--no-markup", "--title=halvane-res", "--text=" + text},  // zenity(1)
      {"kdialog", "--title", "halvane-res", "--error", text},                         // kdialog --help
      {"xmessage", "-center", "-buttons", "OK:0", "-default", "OK", text},            // xmessage(1)
      {"notify-send", "--urgency=critical", "--app-name=halvane-res", "halvane-res",
       escaped},  // notify-send(1)
  };
  using Clock = std::chrono::steady_clock;
  constexpr auto read_by_a_person = std::chrono::milliseconds(500);
  for (auto box : boxes) {
    box.front() = on_path(box.front());
    const auto shown_at = Clock::now();
    const pid_t shown = box.front().empty() ? -1 : start(box, false);
    int status = 0;
    if (shown > 0 && waitpid(shown, &status, 0) == shown &&
        ((WIFEXITED(status) && WEXITSTATUS(status) == 0) || Clock::now() - shown_at >= read_by_a_person)) {
      return;
    }
  }
}
