// Whole-file reads and atomic replaces on POSIX. The temporary file is made
// with O_EXCL under a name of its own, its mode set before any byte is
// written, and it is renamed only after fsync and a checked close.
#include "system/posix/posix_files.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace phpswitch {
namespace {

// A file reached through a link is replaced at the link's destination, so
// the link stays a link.
std::string writeDestination(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

// A hidden name beside the file, unique in this process; O_EXCL makes it
// unique against everyone else, trying again on a name that is taken.
FileDescriptor createTemporary(const std::string& folder, const std::string& name, mode_t mode,
                               std::string& temp) {
  static std::atomic<unsigned> serial{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = folder + "/." + name + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) return FileDescriptor(fd);
    if (errno != EEXIST) break;
  }
  return FileDescriptor();
}

}  // namespace

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) reset(std::exchange(other.fd_, -1));
  return *this;
}

void FileDescriptor::reset(int fd) {
  // close() is not retried on EINTR: on Linux the descriptor is gone either way.
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

bool FileDescriptor::close() {
  const bool ok = fd_ < 0 || ::close(fd_) == 0;
  fd_ = -1;
  return ok;
}

FileContent readWholeFile(const std::string& path) {
  FileContent content;
  if (path.empty()) return content;
  // O_NONBLOCK: a FIFO put in the file's place must not hang the reader.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) {
    if (errno == ENOENT) content.state = FileState::Missing;
    return content;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return content;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      content.bytes.clear();
      return content;
    }
    content.bytes.append(buffer, static_cast<std::size_t>(got));
  }
  content.state = FileState::Read;
  content.mode = info.st_mode & 07777;
  content.owner = info.st_uid;
  content.group = info.st_gid;
  return content;
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
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool replaceFileAtomically(const std::string& path, std::string_view bytes, const FileContent& old,
                           std::optional<mode_t> newFileMode) {
  const std::string target = writeDestination(path);
  const std::string folder = folderOf(target);
  const auto slash = target.rfind('/');
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  const bool existed = old.state == FileState::Read;
  // Private until its mode is set; a new file without a mode of its own is
  // created as an ordinary create under the umask would make it.
  std::string temp;
  FileDescriptor fd = createTemporary(folder, name, existed || newFileMode ? 0600 : 0666, temp);
  if (!fd) return false;

  bool ok = true;
  if (existed) {
    // Only root can give the file back to its owner; others keep their own.
    [[maybe_unused]] const int owned = ::fchown(fd.get(), old.owner, old.group);
    ok = ::fchmod(fd.get(), old.mode) == 0;
  } else if (newFileMode) {
    ok = ::fchmod(fd.get(), *newFileMode) == 0;
  }
  ok = ok && writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  ok = fd.close() && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself is durable once the folder is synced; the new contents
  // are in place either way.
  const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir) ::fsync(dir.get());
  return true;
}

}  // namespace phpswitch
