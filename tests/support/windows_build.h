#pragma once
// The Windows build beside this native one, which some native tests run
// under Wine. Without it (or Wine) they skip, saying why; under CI, which
// builds it first, that is a failure.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

inline const std::string windows_build = HALVANE_WINDOWS_BUILD;

inline void skip_test(const std::string& why) { GTEST_SKIP() << why; }

// Whether `file` of the Windows build and Wine are there; if not, the
// calling test is marked skipped or failed.
inline bool windows_build_has(const std::string& file) {
  if (access((windows_build + "/" + file).c_str(), R_OK) == 0 && access(WINE64_PATH, X_OK) == 0) {
    return true;
  }
  const std::string why = "no " + windows_build + "/" + file + " to run under " + WINE64_PATH;
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string(ci) == "true") {
    ADD_FAILURE() << why;
  } else {
    skip_test(why);
  }
  return false;
}

// A script in `folder` that runs `program` under wine64 in the Windows
// build's prefix, or (`other_prefix`) in a second one: a wineserver of its
// own, as a second Steam or Lutris prefix has, on the same drive_c.
inline std::string under_wine(const std::string& folder, const std::string& program, bool other_prefix) {
  std::string prefix = windows_build + "/wine-prefix";
  if (other_prefix) {
    const std::string first = prefix;
    prefix += "-2";
    (void)std::system(("[ -d '" + prefix + "' ] || { mkdir '" + prefix + "' && ln -s '" + first +
                       "/drive_c' '" + prefix + "/' && cp -a '" + first + "/dosdevices' '" + first +
                       "'/*.reg '" + first + "/.update-timestamp' '" + prefix + "/'; }")
                          .c_str());
  }
  const std::string script = folder + "/wine-" + std::to_string(other_prefix + 1) + "-" +
                             std::filesystem::path(program).filename().string() + ".sh";
  std::ofstream(script) << "#!/bin/sh\nWINEPREFIX='" << prefix << "' WINEDEBUG=-all exec " << WINE64_PATH
                        << " '" << program << "'\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  return script;
}
