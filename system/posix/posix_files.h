// Whole files on POSIX, for the services that keep their state in small files
// (the environment files, the settings file): descriptor and directory-stream
// owners, a read of a whole regular file, and an atomic replace of one.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <dirent.h>
#include <sys/types.h>

namespace phpswitch {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept;
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { reset(); }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void reset(int fd = -1);
  // Closes now, so that a failing close (a late write error) is seen.
  bool close();

 private:
  int fd_ = -1;
};

struct DirectoryCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirectoryStream = std::unique_ptr<DIR, DirectoryCloser>;

enum class FileState { Read, Missing, Failed };

struct FileContent {
  FileState state = FileState::Failed;
  std::string bytes;
  // Of a file that was read; what a replace carries over.
  mode_t mode = 0;
  uid_t owner = 0;
  gid_t group = 0;
};

// The bytes of the regular file at `path`. Missing only when nothing stands
// there; a directory, a FIFO, a device or a read error is Failed.
FileContent readWholeFile(const std::string& path);

// Writes all of `bytes`, resuming after a short write or a signal.
bool writeAll(int fd, std::string_view bytes);

// The folder part of `path`: "." for a bare name, "/" for a name under the root.
std::string folderOf(const std::string& path);

// Replaces the file at `path` with `bytes` so that a reader sees the old file
// or the new one, whole: a temporary file in the same folder is written,
// synced and renamed over it, and the folder is synced. A link stays a link:
// its destination is replaced. `old` is what readWholeFile gave for the file:
// a file that was read keeps its owner (where we may give it) and mode; a new
// one gets `newFileMode`, or without one what the umask makes of 0666. The
// folder must exist. On failure the file is untouched and no temporary is left.
bool replaceFileAtomically(const std::string& path, std::string_view bytes, const FileContent& old,
                           std::optional<mode_t> newFileMode = std::nullopt);

}  // namespace phpswitch
