#pragma once
// Whether the open file looks like build 1.0.10. The offsets are trusted as
// they stand, but one fact holds for every genuine 1.0.10 executable, patched
// by this tool or not: its font-name field holds "Arial" or "Geneva" and a
// zero byte. Anything else there means another build, or no game at all.

#include <string>

#include "gamefile/game_file.h"

// Empty for a file that holds a known font name; otherwise what the field
// holds instead, in plain words ("the name \"Tahoma\"", "zero bytes", ...).
std::string unknown_build_finding(GameFile& game);
