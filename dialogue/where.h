#pragma once
// Where the tool looked for the game, said when Halvane.exe is not there:
// a player who left the tool in Downloads, or started it from inside a zip,
// sees at once what is wrong.

#include <string>
#include <string_view>

// The line that follows the not-found line: the folder looked in, or, for
// a copy that an archive tool unpacked to run, that the tool must be
// extracted into the game's folder first. Where the game stands beside the
// tool in another folder (a run typed from the home folder, a shortcut that
// starts elsewhere), that folder is named too.
std::string looked_in_line();

// Whether `folder` lies below `outer`, case-insensitively, as Windows compares.
bool within(std::string_view folder, std::string_view outer);

// Whether `folder` lies in a folder that an archive tool made in the
// system's temporary folder `temp`, to run a program from inside an archive.
bool inside_archive_copy(std::string_view folder, std::string_view temp);

// The platform's halves, as UTF-8 in the platform's own form: the current
// folder, whole ("" where it cannot be had), the temporary folder that
// archive tools unpack into ("" where none does), and the tool's own file,
// whole ("" where it cannot be had).
std::string current_folder();
std::string temp_folder();
std::string tool_file();

// The platform's part: whether Halvane.exe (named case-insensitively) stands in
// `folder`, and how to start the tool there.
bool game_in(const std::string& folder);
std::string start_there();
