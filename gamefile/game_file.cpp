#include "gamefile/game_file.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Whether the file, opened afresh, holds `bytes` at `offset`. Some file
// systems report a write as done and then lose it (fusefat drops a write
// that goes back within a cluster it has just written), so success is
// judged by what a new reader finds, not by what the writes reported.
bool holds(NativeHandle file, std::uint64_t offset, const std::string& bytes) {
  std::string found(bytes.size(), '\0');
  return read_at(file, offset, found.data(), found.size()).ok() && found == bytes;
}

}  // namespace

std::mutex& file_work() {
  static std::mutex work;
  return work;
}

void stop_file_work_for_good() { file_work().lock(); }  // and never unlocked: the process is ending

GameFile::~GameFile() { close(); }

FileStatus GameFile::open() {
  const std::vector<std::string> names = names_ignoring_case(game_file_name);
  if (names.empty()) {
    return {FileProblem::missing, ""};
  }
  if (names.size() > 1) {
    std::string all = names.front();
    for (std::size_t i = 1; i < names.size(); ++i) {
      all += (i + 1 < names.size() ? ", " : " and ") + names[i];
    }
    return {FileProblem::several_names, all};
  }
  name = names.front();
  return open_game_handle(name.c_str(), native);
}

void GameFile::note(Access access, FileStatus status) {
  if (!failure && !status.ok()) {
    const bool changed = !written.empty() || status.partly_written;
    failure = FileFailure{access, std::move(status), changed};
  }
}

std::optional<std::uint16_t> GameFile::read_value(const PatchSite& site) {
  char bytes[2] = {};
  if (!failure) {
    note(Access::read, read_at(native, static_cast<std::uint64_t>(site.offset), bytes, sizeof bytes));
  }
  if (failure) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) |
                                    static_cast<unsigned char>(bytes[1]) << 8);
}

GameFile::Peeked GameFile::peek(std::uint64_t offset, std::size_t count) {
  const std::optional<std::uint64_t> length = size_of(native);
  if (!length) {
    return {"", {FileProblem::other, "its size could not be read"}};
  }
  if (*length <= offset) {
    return {"", {}};
  }
  std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(count, *length - offset)), '\0');
  FileStatus why = read_at(native, offset, bytes.data(), bytes.size());
  return {why.ok() ? std::move(bytes) : "", std::move(why)};
}

void GameFile::write_value(const PatchSite& site, std::uint16_t value) {
  const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
  write_inside(static_cast<std::uint64_t>(site.offset), bytes, sizeof bytes);
}

void GameFile::write_font_name(std::string_view name) {
  const std::string terminated = std::string(name) + '\0';
  write_inside(static_cast<std::uint64_t>(font_name_offset), terminated.data(), terminated.size());
}

// A patch never lengthens the executable: one that would end past the end of
// the file is not written and counts as a failed write. Each write goes
// straight to the system, so nothing confirmed waits in a buffer of ours.
void GameFile::write_inside(std::uint64_t offset, const char* bytes, std::size_t count) {
  if (failure) {
    return;
  }
  const std::lock_guard<std::mutex> whole(file_work());
  const std::optional<std::uint64_t> length = size_of(native);
  if (!length) {
    note(Access::write, {FileProblem::other, "its size could not be read"});
  } else if (*length < offset + count) {
    note(Access::write, {FileProblem::too_short, "the file ends before that place"});
  } else {
    note(Access::write, write_at(native, offset, bytes, count));
  }
  if (!failure) {
    written.emplace_back(offset, std::string(bytes, count));
  }
}

bool GameFile::close() {
  if (native == no_handle) {
    return false;
  }
  const std::lock_guard<std::mutex> whole(file_work());
  note(Access::flush, sync_to_disk(native));
  note(Access::close, close_handle(native));
  native = no_handle;
  if (!written.empty()) {
    const NativeHandle again = open_to_read(name.c_str()).handle;
    const bool kept =
        again != no_handle && std::all_of(written.begin(), written.end(), [again](const auto& write) {
          return holds(again, write.first, write.second);
        });
    if (again != no_handle) {
      (void)close_handle(again);
    }
    if (!kept) {
      note(Access::write, {FileProblem::other, "the disk did not keep what was written"});
    }
  }
  written.clear();
  return !failure;
}
