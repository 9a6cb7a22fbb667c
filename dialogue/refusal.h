#pragma once
// What the player is told when a file stands in the way: what keeps them
// from changing Halvane.exe, what became of the backup, what a failed read
// or write left, and what they can do about each. Permissions are said in
// the terms of the platform: Windows has Program Files, "Run as
// administrator" and its ransomware protection; Linux and macOS have file
// owners and modes.

#include <string>

#include "gamefile/backup.h"
#include "gamefile/file_io.h"
#include "gamefile/game_file.h"

// Why Halvane.exe cannot be patched, and the way on.
std::string refusal(const FileStatus& status);

// Of a cloud file whose contents are not on this PC: what it is and what
// to do, to follow "I couldn't read Halvane.exe: " and the like.
std::string not_on_this_pc(const FileStatus& status);

// What stood in the way of a file operation, to follow "failed: " and the
// like: the system's words, or ours where we know more.
std::string cause_words(const FileStatus& status);

// The platform's part: of a create or write that Windows' ransomware
// protection may have blocked, by its setting where this account can read it.
std::string blocked_cause(const FileStatus& status);

// Where the system may refuse to run the game once it is patched (Windows'
// Smart App Control, on or deciding whether to turn on): what to expect and
// the way back; else nothing.
std::string patched_game_warning(bool whole_backup);

// Where the backup's create was blocked as the writes to Halvane.exe would
// be (Windows' Controlled folder access, unless its setting is known to be
// off): the refusal, said before any question; else nothing.
std::string blocked_backup_refusal(const Backup& backup);

// The platform's part: a file that is read-only, that the account may not
// write, or that Windows' ransomware protection keeps from us (blocked).
std::string permission_refusal(const FileStatus& status);

// What became of the backup, said after the banner: "" for a whole one that
// existed already.
std::string backup_line(const Backup& backup);

// Said at once when reading a size fails: the questions still follow, and
// nothing will be written.
std::string read_failed_now(const FileStatus& why);

// The closing words after a failed access, with the way back where the
// file may have been changed: Halvane.bak only where a whole one is there.
std::string failure_words(const FileFailure& failure, const Backup& backup);
