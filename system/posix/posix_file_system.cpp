// File-system tests and the link-aware tree removal on POSIX. The walk works on
// directory descriptors opened with O_NOFOLLOW and removes with unlinkat, so a
// link is never followed at any depth, even if one is swapped in mid-walk.
// "/" in any spelling, and the current directory or a folder above it, is
// never removed.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "system/file_system.h"
#include "system/posix/posix_files.h"

namespace phpswitch {
namespace {

struct Entry {
  std::string name;
  bool directory = false;  // a real directory, never a link to one
};

std::string skipLeadingBlanks(const Text& path) {
  const auto first = path.find_first_not_of(' ');
  return first == Text::npos ? std::string() : path.substr(first);
}

// "/a/b//" names the same entry as "/a/b"; keeping the slash would make
// lstat and rmdir follow a final link.
std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string realPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

std::string currentDirectoryPath() {
  std::vector<char> buffer(PATH_MAX);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

// Resolves "." and ".." and repeated slashes by the text alone, from the
// current directory for a relative path.
std::string lexicalAbsolute(const std::string& path) {
  std::string full = path;
  if (full.empty() || full[0] != '/') full = currentDirectoryPath() + "/" + full;
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= full.size()) {
    const auto next = std::min(full.find('/', pos), full.size());
    const std::string part = full.substr(pos, next - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = next + 1;
  }
  std::string out;
  for (const auto& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

bool endsInDotName(const std::string& path) {
  const auto slash = path.rfind('/');
  const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  return last == "." || last == "..";
}

// The absolute path of the entry `path` names, with every folder above it
// resolved but the entry itself not followed: a link keeps its own path.
std::string canonicalEntryPath(const std::string& trimmed) {
  const std::string path = withoutTrailingSlashes(trimmed);
  if (path == "/" || endsInDotName(path)) {
    const std::string resolved = realPath(path);
    return resolved.empty() ? lexicalAbsolute(path) : resolved;
  }
  const auto slash = path.rfind('/');
  const std::string parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string resolvedParent = realPath(parent);
  if (resolvedParent.empty()) return lexicalAbsolute(path);
  return resolvedParent == "/" ? "/" + name : resolvedParent + "/" + name;
}

// Removing the current directory or a folder above it would take the running
// program's own folder with it ("." in a path field, say).
bool holdsCurrentDirectory(const std::string& canonical) {
  const std::string current = realPath(currentDirectoryPath());
  if (current.empty()) return false;  // gone or unreachable: nothing can lie inside it
  return current == canonical || current.rfind(canonical + "/", 0) == 0;
}

bool isLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::vector<Entry> listEntries(int dirFd) {
  std::vector<Entry> entries;
  const int streamFd = ::dup(dirFd);
  if (streamFd < 0) return entries;
  DirectoryStream dir(::fdopendir(streamFd));
  if (!dir) {
    ::close(streamFd);
    return entries;
  }
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    bool directory = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN) {
      struct stat info {};
      directory = ::fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode);
    }
    entries.push_back({name, directory});
  }
  return entries;
}

// Empties the directory open at `dirFd`. The entries are collected and the
// stream closed before anything is removed; a failure leaves that entry and
// the walk goes on.
void emptyDirectory(int dirFd) {
  for (const Entry& entry : listEntries(dirFd)) {
    if (entry.directory) {
      // O_NOFOLLOW: if the entry became a link since it was listed, the open
      // fails and rmdir below fails too; nothing behind the link is touched.
      FileDescriptor child(
          ::openat(dirFd, entry.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (child.get() >= 0) emptyDirectory(child.get());
      ::unlinkat(dirFd, entry.name.c_str(), AT_REMOVEDIR);
    } else {
      // Files and links of every kind (to a directory, to a file, dangling):
      // unlinkat removes the link itself.
      ::unlinkat(dirFd, entry.name.c_str(), 0);
    }
  }
}

}  // namespace

bool isDirectory(const Text& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool fileExists(const Text& path) {
  struct stat info {};
  return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

bool isEmptyDirectory(const Text& path) {
  if (path.empty()) return false;
  DirectoryStream dir(::opendir(path.c_str()));
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") return false;
  }
  return true;
}

// A link that does not lead to a file: to a directory, dangling or looping.
// Such a link stands where a directory link would on Windows, and removing it
// clears the target path for a new link.
bool isDirectoryLink(const Text& path) {
  const std::string entry = withoutTrailingSlashes(path);
  if (entry.empty() || !isLink(entry)) return false;
  struct stat info {};
  return ::stat(entry.c_str(), &info) != 0 || S_ISDIR(info.st_mode);
}

bool isRootPath(const Text& path) {
  const std::string trimmed = skipLeadingBlanks(path);
  if (trimmed.empty()) return false;
  if (lexicalAbsolute(trimmed) == "/") return true;
  return canonicalEntryPath(trimmed) == "/";
}

bool removeDirectoryTree(const Text& path) {
  const std::string trimmed = skipLeadingBlanks(path);
  if (trimmed.empty() || isRootPath(trimmed)) return false;
  const std::string entry = withoutTrailingSlashes(trimmed);
  // rmdir(2) refuses a last component of "." or ".." as well; "x/." would
  // also reach through a link x to its destination.
  if (endsInDotName(entry)) return false;
  if (holdsCurrentDirectory(canonicalEntryPath(entry))) return false;

  struct stat info {};
  if (::lstat(entry.c_str(), &info) != 0) return false;
  if (S_ISLNK(info.st_mode)) return isDirectoryLink(entry) && ::unlink(entry.c_str()) == 0;
  if (!S_ISDIR(info.st_mode)) return false;  // a file at the top level stays

  {
    FileDescriptor dir(::open(entry.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.get() < 0) return false;
    emptyDirectory(dir.get());
  }
  return ::rmdir(entry.c_str()) == 0;
}

Text absolutePath(const Text& path) {
  if (path.empty() || path.front() == '/') return path;
  const std::string current = currentDirectoryPath();
  if (current.empty()) return path;
  return current == "/" ? "/" + path : current + "/" + path;
}

bool makeDirectoryPath(const Text& path) {
  if (path.empty()) return false;
  // Like mkdir -p: each folder from the top down; one that exists already
  // (or was made meanwhile by someone else) is fine.
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    const std::string folder = path.substr(0, pos);
    if (folder.empty() || folder == "/") continue;
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return isDirectory(path);
}

}  // namespace phpswitch
