// The profile port on POSIX: our INI engine on UTF-8 files. A write replaces
// the file atomically (replaceFileAtomically: a temporary file in the same
// folder, fsync, rename), so a crash or a full disk never leaves a
// half-written settings file.
#include <optional>
#include <string>

#include <unistd.h>

#include "settings/ini_engine.h"
#include "settings/profile.h"
#include "system/posix/posix_files.h"

namespace phpswitch {

Text readProfileValue(const Text& file, const Text& section, const Text& key, const Text& fallback) {
  const std::string_view path = withoutLeadingControls(file);
  const std::string_view sectionName = withoutLeadingControls(section);
  const std::string_view keyName = withoutLeadingControls(key);
  if (path.empty() || sectionName.empty() || keyName.empty()) return {};
  const FileContent content = readWholeFile(std::string(path));
  return iniProfileValue(content.bytes, sectionName, keyName, fallback);
}

bool writeProfileValue(const Text& file, const Text& section, const Text& key, const Text& value) {
  const std::string_view pathText = withoutLeadingControls(file);
  if (pathText.empty()) return false;
  const std::string path(pathText);

  const FileContent old = readWholeFile(path);
  // Never replace a file we could not read; a read-only file is left alone,
  // as the profile API leaves it.
  if (old.state == FileState::Failed) return false;
  const bool existed = old.state == FileState::Read;
  if (existed && ::access(path.c_str(), W_OK) != 0) return false;

  const std::optional<Text> updated =
      iniWithValue(old.bytes, withoutLeadingControls(section), withoutLeadingControls(key), value);
  if (!updated) return false;
  if (existed && *updated == old.bytes) return true;
  return replaceFileAtomically(path, *updated, old);
}

}  // namespace phpswitch
