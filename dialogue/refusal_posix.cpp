#include "dialogue/refusal.h"

std::string permission_refusal(const FileStatus& status) {
  const std::string& owner = status.owner;
  if (status.problem == FileProblem::read_only) {
    // Only the owner (or root) may change a file's mode.
    if (status.owned_by_me) {
      return "Halvane.exe is read-only, so I can't change it. Make it writable (chmod u+w Halvane.exe) and "
             "run me again.";
    }
    return "Halvane.exe is read-only and belongs to " + owner +
           ", so I can't change it. Its owner can make it writable (chmod u+w Halvane.exe) and run me, or "
           "give your account write access to it.";
  }
  if (status.owned_by_me) {
    return "I'm not allowed to change Halvane.exe (access denied: " + status.system_text +
           "), although it is yours. Check its permissions and run me again.";
  }
  return "I'm not allowed to change Halvane.exe (access denied): it belongs to " + owner + ". Run me as " +
         owner + ", or get write access to it.";
}

// Only Windows' Controlled folder access blocks so.
std::string blocked_cause(const FileStatus& status) { return status.system_text; }

std::string blocked_backup_refusal(const Backup& /*backup: never blocked here*/) { return ""; }

std::string patched_game_warning(bool /*whole_backup: nothing to warn of here*/) { return ""; }
