#pragma once
// A message on screen for a run that has no window: what the session log
// alone would hide from the player.

#include <string>

// Shows `text` in a message box of whatever the desktop has, and waits until
// the player has closed it.
void show_message_box(const std::string& text);
