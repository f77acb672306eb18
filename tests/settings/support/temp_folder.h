// A fresh folder in the system's temporary directory (the Wine prefix's under
// Wine), removed with everything in it when the test ends; and whole-file
// helpers for looking at the exact bytes of a settings file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "text/text.h"

namespace phpswitch::testing {

class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();

  const std::filesystem::path& path() const { return path_; }
  // `name` inside the folder, in the build's narrow encoding.
  Text file(const std::string& name) const;
  Text text() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> readBytes(const std::filesystem::path& file);
void writeBytes(const std::filesystem::path& file, const std::string& bytes);

}  // namespace phpswitch::testing
