// The executable's path from /proc/self/exe, its folder, and the process's
// current directory on POSIX.
#include <unistd.h>

#include "system/program_directory.h"

namespace phpswitch {

Text executablePath() {
  // readlink does not say when it had to cut the path: grow until it fits.
  for (std::size_t size = 256; size <= (std::size_t{1} << 20); size *= 2) {
    Text buffer(size, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), size);
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < size) {
      buffer.resize(static_cast<std::size_t>(length));
      return buffer;
    }
  }
  return {};
}

// A program in / keeps "/" as its folder: an empty folder would silently mean
// the current directory to everyone who lists or joins it.
Text folderOfExecutable(const Text& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == Text::npos) return {};
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

const char* pathSeparator() {
  return "/";
}

bool setCurrentDirectory(const Text& folder) {
  return ::chdir(folder.c_str()) == 0;
}

}  // namespace phpswitch
