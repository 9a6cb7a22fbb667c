#include "dialogue/refusal.h"

std::string permission_refusal(const FileStatus& status) {
  if (status.problem == FileProblem::read_only) {
    return "Halvane.exe is read-only, so I can't change it. Clear its read-only setting and run me again.";
  }
  return "I'm not allowed to change Halvane.exe (access denied). If the game is under Program Files, "
         "right-click me and choose \"Run as administrator\"; otherwise give your account write access "
         "to Halvane.exe.";
}
