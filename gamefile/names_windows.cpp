#include <string>
#include <vector>

#include "gamefile/file_io.h"

// Windows finds any spelling of a name under the name itself.
std::vector<std::string> names_ignoring_case(const char* name) { return {name}; }
