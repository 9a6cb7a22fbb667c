#pragma once
// The Windows build beside this native one, which some native tests run
// under Wine. Without it (or Wine) they skip, saying why; under CI, which
// builds it first, that is a failure.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
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
