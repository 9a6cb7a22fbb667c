#pragma once
// A fresh empty folder for one test, removed with everything in it afterwards.

#include <filesystem>
#include <string>

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string path(const std::string& name) const { return (root / name).string(); }

  const std::filesystem::path root;
};

// The tool works on fixed names in the current folder, so tests of it move
// into a scratch folder for their duration.
class InScratchFolder : public ScratchFolder {
 public:
  InScratchFolder() : previous(std::filesystem::current_path()) { std::filesystem::current_path(root); }
  ~InScratchFolder() { std::filesystem::current_path(previous); }

 private:
  const std::filesystem::path previous;
};
