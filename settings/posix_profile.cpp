// The profile port on POSIX: our INI engine on UTF-8 files. A write replaces
// the file atomically (a temporary file in the same folder, fsync, rename), so
// a crash or a full disk never leaves a half-written settings file.
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/ini_engine.h"
#include "settings/profile.h"

namespace phpswitch {
namespace {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now, so that a failing close (a late write error) is seen.
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

enum class ReadResult { Read, Missing, Failed };

ReadResult readWholeFile(const std::string& path, std::string& contents) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
  contents.clear();
  char buffer[16384];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got == 0) return ReadResult::Read;
    if (got < 0) {
      if (errno == EINTR) continue;
      return ReadResult::Failed;  // a directory, an I/O error
    }
    contents.append(buffer, static_cast<std::size_t>(got));
  }
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A settings file that is a link stays a link: the rename goes to the file it
// names, not over the link.
std::string resolvedPath(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

bool replaceAtomically(const std::string& path, std::string_view contents, const struct stat* old) {
  const std::string folder = folderOf(path);
  static std::atomic<unsigned> serial{0};
  std::string temp;
  std::optional<UniqueFd> fd;
  for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
    temp = concatTexts(path, ".tmp-", std::to_string(::getpid()), "-", std::to_string(serial++));
    // 0666 under the umask for a new file, as an ordinary create would give.
    const int opened = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (opened >= 0) {
      fd.emplace(opened);
    } else if (errno != EEXIST) {
      return false;
    }
  }
  if (!fd) return false;

  bool ok = writeAll(fd->get(), contents);
  if (ok && old != nullptr) {
    // Keep the old file's owner and mode; changing the owner needs privileges
    // we may not have, and then the file simply becomes ours.
    [[maybe_unused]] const int owned = ::fchown(fd->get(), old->st_uid, old->st_gid);
    ok = ::fchmod(fd->get(), old->st_mode & 07777) == 0;
  }
  ok = ok && ::fsync(fd->get()) == 0;
  ok = fd->close() && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable; the new contents are in place either way.
  UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

}  // namespace

Text readProfileValue(const Text& file, const Text& section, const Text& key, const Text& fallback) {
  const std::string_view path = withoutLeadingControls(file);
  const std::string_view sectionName = withoutLeadingControls(section);
  const std::string_view keyName = withoutLeadingControls(key);
  if (path.empty() || sectionName.empty() || keyName.empty()) return {};
  std::string contents;
  if (readWholeFile(std::string(path), contents) != ReadResult::Read) contents.clear();
  return iniProfileValue(contents, sectionName, keyName, fallback);
}

bool writeProfileValue(const Text& file, const Text& section, const Text& key, const Text& value) {
  const std::string_view pathText = withoutLeadingControls(file);
  if (pathText.empty()) return false;
  const std::string path = resolvedPath(std::string(pathText));

  std::string contents;
  struct stat old {};
  bool existed = false;
  switch (readWholeFile(path, contents)) {
    case ReadResult::Read:
      // A read-only file is left alone, as the profile API leaves it.
      if (::stat(path.c_str(), &old) != 0 || ::access(path.c_str(), W_OK) != 0) return false;
      existed = true;
      break;
    case ReadResult::Missing:
      break;
    case ReadResult::Failed:
      return false;  // never replace a file we could not read
  }

  const std::optional<Text> updated =
      iniWithValue(contents, withoutLeadingControls(section), withoutLeadingControls(key), value);
  if (!updated) return false;
  if (existed && *updated == contents) return true;
  return replaceAtomically(path, *updated, existed ? &old : nullptr);
}

}  // namespace phpswitch
