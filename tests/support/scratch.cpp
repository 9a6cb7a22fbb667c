#include "support/scratch.h"

#include <random>

namespace {

std::filesystem::path new_folder() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (;;) {
    auto candidate = std::filesystem::temp_directory_path() /
                     ("halvane-test-" + std::to_string(random() % 1000000000000ULL));
    if (std::filesystem::create_directory(candidate)) {
      return candidate;
    }
  }
}

}  // namespace

ScratchFolder::ScratchFolder() : root(new_folder()) {}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::permissions(root, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                               ignored);
  std::filesystem::remove_all(root, ignored);
}
