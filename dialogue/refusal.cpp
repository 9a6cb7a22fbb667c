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

namespace {

// After a write that failed: what may have become of the file, and the way back.
std::string partly_changed(const Backup& backup) {
  return whole_backup(backup) ? "\nIt may be only partly changed. Restore it from Halvane.bak."
                              : "\nIt may be only partly changed, and there is no backup of it. Reinstall "
                                "Halvane if it no longer starts.";
}

}  // namespace

// Said at once when reading a size fails: the questions still follow, and
// nothing will be written.
std::string read_failed_now(const FileStatus& why) {
  const std::string cause =
      why.problem == FileProblem::too_short ? "it ends before the screen sizes" : cause_words(why);
  return "I couldn't read Halvane.exe: " + cause + ".\nNothing will be changed.";
}

// The closing words after a failed access. A read that failed stopped every
// write after it; a failed write, flush or close may have left the file
// partly changed, unless no byte reached it. Halvane.bak is offered only
// when a whole one is there to restore from.
std::string failure_words(const FileFailure& failure, const Backup& backup) {
  const std::string cause = cause_words(failure.why);
  if (failure.access == Access::read && failure.why.problem == FileProblem::not_on_this_pc) {
    return "I couldn't read Halvane.exe: " + not_on_this_pc(failure.why) + ". I didn't change it.";
  }
  if (failure.access == Access::read) {
    return failure.why.problem == FileProblem::too_short
               ? "Halvane.exe is too short to hold the screen sizes, so I didn't change it."
               : "Reading Halvane.exe failed: " + cause +
                     ".\nI didn't change it. Check the disk or network share it is on and run me again.";
  }
  const char* what = failure.access == Access::flush   ? "Putting Halvane.exe on the disk"
                     : failure.access == Access::close ? "Closing Halvane.exe"
                                                       : "Writing Halvane.exe";
  return std::string(what) + " failed: " + cause + "." +
         (failure.file_changed ? partly_changed(backup)
                               : "\nNothing reached it: Halvane.exe was not changed.");
}

// What became of the backup, where the first run says it made one. An
// existing backup that may be whole stays unmentioned.
std::string backup_line(const Backup& backup) {
  switch (backup.state) {
    case BackupState::made:
      return "I've sucessfully made a backup.";
    case BackupState::kept:
      return "";
    case BackupState::kept_not_a_file:
      return "Halvane.bak exists but is not a file; I left it alone and made no new backup. Rename it and "
             "run me again to get a fresh backup.";
    case BackupState::kept_wrong_size:
      return "Halvane.bak exists but is not the size of Halvane.exe, so it is no copy of it; I left it "
             "alone and made no new backup. Rename it and run me again to get a fresh backup.";
    case BackupState::kept_same_file:
      return "Halvane.bak is Halvane.exe itself, through a link, so it is no backup; I left it alone and "
             "made no new backup. Rename it and run me again to get a fresh backup.";
    case BackupState::kept_not_a_copy:
      if (!backup.why.ok()) {
        return "Halvane.bak could not be read (" + backup.why.system_text +
               "), so I can't tell that it is a copy of Halvane.exe; I left it alone and made no new backup. "
               "Rename it and run me again to get a fresh backup.";
      }
      // Broken by hand, so that the count fits whatever its width.
      return "Halvane.bak is not a copy of this Halvane.exe, so I left it alone and made no\n"
             "new backup: " +
             std::to_string(backup.differing) +
             " of its bytes differ, beyond the screen sizes\n"
             "and the font name. It may be a backup of another build, or a copy the disk did\n"
             "not keep whole. Rename it and run me again to get a fresh backup.";
    case BackupState::failed:
      break;
  }
  std::string cause;
  switch (backup.why.problem) {
    case FileProblem::access_denied:
      cause = "this folder does not let me make files";
      break;
    case FileProblem::read_only_disk:
      cause = "the disk is read-only";
      break;
    case FileProblem::disk_full:
      cause = "there is not enough room on the disk";
      break;
    case FileProblem::too_short:
      cause = "the copy came out shorter than Halvane.exe";
      break;
    case FileProblem::leftover_stuck:
      cause = "a leftover Halvane.bak.partial from an earlier run could not be removed: " +
              backup.why.system_text;
      break;
    default:
      cause = cause_words(backup.why);
  }
  return "I couldn't make a backup (Halvane.bak): " + cause +
         ".\nNothing is changed unless you confirm below.";
}
