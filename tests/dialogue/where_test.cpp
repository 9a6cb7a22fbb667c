#include "dialogue/where.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

// The folders that archive tools unpack a program into, below the temporary
// folder, and folders that only look like them.
TEST(ArchiveCopy, IsToldByItsNameBelowTheTemporaryFolder) {
  const std::string temp = "C:\\Users\\Ann\\AppData\\Local\\Temp\\";
  for (const auto& [below, inside] : {std::pair{"Temp1_halvane-res.zip", true},
                                      {"Temp12_h.zip\\halvane-res-1.0.0-win64", true},
                                      {"7zO4C2A1B3E", true},
                                      {"Rar$EXa2816.30412\\halvane-res", true},
                                      {"3f2a-9c1d-77e0_h.zip.h.zip", true},
                                      {"", false},
                                      {"Temp_h.zip", false},
                                      {"halvane\\Temp1_h.zip", false}}) {
    EXPECT_EQ(inside_archive_copy(temp + below, temp), inside) << below;
  }
  EXPECT_TRUE(inside_archive_copy("c:\\users\\ann\\appdata\\local\\temp\\Temp1_h.zip", temp));
  EXPECT_FALSE(inside_archive_copy("C:\\Users\\Ann\\Downloads\\Temp1_h.zip", temp));
}
