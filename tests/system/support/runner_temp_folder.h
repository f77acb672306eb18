// A temporary folder of the runner and command-line tests, removed with all
// it holds (links as links) when the test ends. Header-only and in a namespace
// of its own, so nothing of it is linked into the other system tests.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#endif

namespace phpswitch::runner_support {

class TempFolder {
 public:
  TempFolder() {
#ifdef _WIN32
    char base[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, base);
    static int serial = 0;
    for (;;) {
      path_ = std::string(base) + "phpswitch-runner-" + std::to_string(::GetCurrentProcessId()) + "-" +
              std::to_string(++serial);
      if (::CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
#else
    std::string pattern = "/tmp/phpswitch-runner-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
#endif
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const {
    return path_;
  }
  // `name` inside the folder, with the platform's separator.
  std::string operator/(const std::string& name) const {
#ifdef _WIN32
    return path_ + "\\" + name;
#else
    return path_ + "/" + name;
#endif
  }

 private:
  std::string path_;
};

}  // namespace phpswitch::runner_support
