#include "dialogue/refusal.h"

std::string not_on_this_pc(const FileStatus& status) {
  return "it is a cloud file (OneDrive, Dropbox, iCloud...) that is not on this PC" +
         (status.system_text.empty() ? std::string() : ": " + status.system_text) +
         ". Right-click the game's folder, choose \"Always keep on this device\" (Dropbox: \"Make available "
         "offline\"), and run me again once it has downloaded";
}

std::string cause_words(const FileStatus& status) {
  switch (status.problem) {
    case FileProblem::not_on_this_pc:
      return not_on_this_pc(status);
    case FileProblem::blocked:
      return blocked_cause(status);
    default:
      return status.system_text;
  }
}

std::string refusal(const FileStatus& status) {
  switch (status.problem) {
    case FileProblem::read_only:
    case FileProblem::access_denied:
    case FileProblem::blocked:
      return permission_refusal(status);
    case FileProblem::not_on_this_pc:
      return "I can't open Halvane.exe: " + not_on_this_pc(status) + ".";
    case FileProblem::read_only_disk:
      return "Halvane.exe is on a read-only disk, so I can't change it. Make the disk writable, or copy the "
             "game to a writable disk, and run me again.";
    case FileProblem::read_only_ntfs:
      return "Halvane.exe is on a Windows (NTFS) disk that Linux opened read-only, most likely because "
             "Windows was not fully shut down: Fast Startup or hibernation leaves the disk in Windows' "
             "hands. Start Windows and shut it down fully (hold Shift as you choose Shut down), or turn Fast "
             "Startup off, or patch the game from Windows. Then run me again.";
    case FileProblem::in_use:
      return "Halvane.exe is in use: the game is running, another program has it open, or I am already "
             "running on it. Close that and run me again.";
    case FileProblem::several_names:
      return "There is more than one Halvane.exe here, in different letters: " + status.system_text +
             ". I can't tell which is the game, so I changed nothing. Keep the game's own, rename the "
             "others, and run me again.";
    case FileProblem::not_a_file:
      return "Halvane.exe here is not a file (it is a folder or a device), so there is nothing to patch. "
             "Put me next to the game's own Halvane.exe.";
    default:
      return "I can't open Halvane.exe: " + status.system_text + ".";
  }
}
