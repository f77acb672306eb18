// The program directory: the executable's folder, unless the app or a test has
// fixed another one. The override may be set from any thread.
#include "system/program_directory.h"

#include <mutex>
#include <optional>

namespace phpswitch {
namespace {

std::mutex overrideLock;
std::optional<Text> overrideFolder;

}  // namespace

Text programDirectory() {
  {
    const std::lock_guard lock(overrideLock);
    if (overrideFolder) return *overrideFolder;
  }
  return folderOfExecutable(executablePath());
}

void useProgramDirectory(const Text& folder) {
  const std::lock_guard lock(overrideLock);
  if (folder.empty()) {
    overrideFolder.reset();
  } else {
    overrideFolder = folder;
  }
}

}  // namespace phpswitch
