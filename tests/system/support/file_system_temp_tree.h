// A temporary folder for the file-system, listing and environment tests, with
// helpers to fill it, to make directory links (a POSIX symlink; under Wine a
// Unix symlink made by /bin/ln, since Wine cannot make one itself) and to take
// a snapshot of a subtree that proves it unchanged. Removed with everything in
// it, links as links, when the test ends. Header-only: nothing of it is linked
// into the other system tests.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <system_error>

#include <gtest/gtest.h>

#ifndef _WIN32
#include "shared/posix_privileges.h"
#endif

namespace phpswitch::file_system_support {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';

inline bool runningUnderWine() {
  return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// The Unix path behind a Windows path (Wine only; empty elsewhere).
inline std::string unixPathOf(const std::string& windowsPath) {
  using ToUnix = char*(CDECL*)(const WCHAR*);
  const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) return {};
  wchar_t wide[MAX_PATH * 2] = {};
  ::MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2);
  char* unixPath = toUnix(wide);
  if (unixPath == nullptr) return {};
  std::string result = unixPath;
  ::HeapFree(::GetProcessHeap(), 0, unixPath);
  return result;
}

// Wine starts a Unix program from CreateProcess but cannot wait for it, so
// the callers poll for its effect.
inline bool startUnixProgram(const char* program, std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    return false;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return true;
}

inline bool waitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 3000 && !done(); ++i) ::Sleep(10);
  return done();
}

inline bool entryExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
#else
inline constexpr char kSeparator = '/';

inline bool entryExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}
#endif

class TempTree {
 public:
  TempTree() {
#ifdef _WIN32
    char base[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, base);
    static int serial = 0;
    for (;;) {
      root_ = std::string(base) + "phpswitch-fs-" + std::to_string(::GetCurrentProcessId()) + "-" +
              std::to_string(++serial);
      if (::CreateDirectoryA(root_.c_str(), nullptr)) break;
    }
#else
    std::string pattern = "/tmp/phpswitch-fs-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) root_ = pattern;
#endif
  }

  ~TempTree() {
    if (root_.empty()) return;
#ifdef _WIN32
    // Win32 cannot remove a Unix symlink under Wine: rm does it from the Linux side.
    const std::string unixRoot = runningUnderWine() ? unixPathOf(root_) : std::string();
    if (!unixRoot.empty() && startUnixProgram("/bin/rm", "rm -rf \"" + unixRoot + "\"")) {
      waitFor([&] { return !entryExists(root_); });
      return;
    }
#endif
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& root() const {
    return root_;
  }

  // `relative` ("a/b") inside the tree, with the platform's separator.
  std::string path(std::string_view relative = {}) const {
    std::string out = root_;
    if (relative.empty()) return out;
    out += kSeparator;
    for (char c : relative) out += c == '/' ? kSeparator : c;
    return out;
  }

  void makeDirectory(std::string_view relative) const {
    std::filesystem::create_directories(path(relative));
  }

  // Writes a file, making the folders above it first.
  void writeFile(std::string_view relative, std::string_view content) const {
    const std::filesystem::path file = path(relative);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  }

  std::string readFile(std::string_view relative) const {
    std::ifstream in(path(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // A link at `relative` to `destination`, a full path (a directory, or on
  // POSIX also a file or nothing). False where this platform cannot make one.
  bool makeLink(std::string_view relative, const std::string& destination) const {
    const std::string link = path(relative);
#ifdef _WIN32
    if (runningUnderWine()) {
      const std::string unixLink = unixPathOf(link);
      const std::string unixDestination = unixPathOf(destination);
      if (unixLink.empty() || unixDestination.empty()) return false;
      if (!startUnixProgram("/bin/ln", "ln -s \"" + unixDestination + "\" \"" + unixLink + "\""))
        return false;
      // Win32 under Wine does not see a dangling link at all: wait for a live one.
      return waitFor([&] { return entryExists(link); });
    }
    // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE (2): works in developer mode.
    return ::CreateSymbolicLinkA(link.c_str(), destination.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 2) !=
           FALSE;
#else
    return ::symlink(destination.c_str(), link.c_str()) == 0;
#endif
  }

  bool exists(std::string_view relative) const {
    return entryExists(path(relative));
  }

  // Every entry under `relative` with its kind and content (a link by its
  // destination, never followed), keyed by its path below `relative`.
  std::map<std::string, std::string> snapshot(std::string_view relative) const {
    std::map<std::string, std::string> entries;
    const std::filesystem::path base = path(relative);
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(base, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
      const std::string key = std::filesystem::relative(it->path(), base).generic_string();
      const auto status = it->symlink_status();
      if (std::filesystem::is_symlink(status)) {
        entries[key] = "link " + std::filesystem::read_symlink(it->path()).string();
      } else if (std::filesystem::is_directory(status)) {
        entries[key] = "dir";
      } else {
        std::ifstream in(it->path(), std::ios::binary);
        entries[key] = "file " + std::string(std::istreambuf_iterator<char>(in), {});
      }
    }
    return entries;
  }

 private:
  std::string root_;
};

#ifndef _WIN32
inline bool withoutRootPrivileges(const TempTree& tree, const std::function<void()>& body) {
  return testing_shared::withoutRootPrivileges(tree.root(), body);
}
#endif

}  // namespace phpswitch::file_system_support
