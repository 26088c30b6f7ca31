// A fresh folder under the system's temporary folder for the files of one test or benchmark run,
// removed with everything in it when it goes out of scope.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testkit {

class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    // Writes `text` to the file `name` in the folder and answers its path.
    std::filesystem::path write(std::string_view name, std::string_view text) const;
    // A copy of the file `source` in this folder, under its own name.
    std::filesystem::path copyOf(const std::filesystem::path &source) const;
    // The names in the folder, sorted.
    std::vector<std::string> names() const;

  private:
    std::filesystem::path path_;
};

// The names in `folder` (files and folders, not below them), sorted.
std::vector<std::string> sortedNames(const std::filesystem::path &folder);

// The whole content of a file; empty when it cannot be read.
std::string fileText(const std::filesystem::path &path);

}  // namespace testkit
