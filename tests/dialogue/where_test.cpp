#include "dialogue/where.h"

#include <gtest/gtest.h>

namespace {

struct Folder {
  const char* folder;
  bool inside_archive_copy;
};

class ArchiveCopy : public testing::TestWithParam<Folder> {};

// The folders that archive tools unpack a program into, below the
// temporary folder, and folders that only look like them.
TEST_P(ArchiveCopy, IsToldByItsNameBelowTheTemporaryFolder) {
  EXPECT_EQ(inside_archive_copy(GetParam().folder, "C:\\Users\\Ann\\AppData\\Local\\Temp\\"),
            GetParam().inside_archive_copy);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ArchiveCopy,
    testing::Values(Folder{"C:\\Users\\Ann\\AppData\\Local\\Temp\\Temp1_halvane-res.zip", true},
                    Folder{"c:\\users\\ann\\appdata\\local\\temp\\Temp12_h.zip\\halvane-res-1.0.0-win64",
                           true},
                    Folder{"C:\\Users\\Ann\\AppData\\Local\\Temp\\7zO4C2A1B3E", true},
                    Folder{"C:\\Users\\Ann\\AppData\\Local\\Temp\\Rar$EXa2816.30412\\halvane-res", true},
                    Folder{"C:\\Users\\Ann\\AppData\\Local\\Temp\\3f2a-9c1d-77e0_h.zip.h.zip", true},
                    Folder{"C:\\Users\\Ann\\AppData\\Local\\Temp", false},
                    Folder{"C:\\Users\\Ann\\AppData\\Local\\Temp\\Temp_h.zip", false},
                    Folder{"C:\\Users\\Ann\\AppData\\Local\\Temp\\halvane\\Temp1_h.zip", false},
                    Folder{"C:\\Users\\Ann\\Downloads\\Temp1_h.zip", false},
                    Folder{"C:\\Games\\Halvane", false}));

}  // namespace
