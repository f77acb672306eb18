// The profile port on Windows: GetPrivateProfileStringA and
// WritePrivateProfileStringA on a file in the ANSI code page. The API writes a
// value as it stands, so a line break in it would cut the value and turn the
// rest into entries of its own; we store only its first line.
#include <windows.h>

#include <vector>

#include "settings/ini_engine.h"
#include "settings/profile.h"

namespace phpswitch {

Text readProfileValue(const Text& file, const Text& section, const Text& key, const Text& fallback) {
  const Text path(withoutLeadingControls(file));
  const Text sectionName(withoutLeadingControls(section));
  const Text keyName(withoutLeadingControls(key));
  if (path.empty() || sectionName.empty() || keyName.empty()) return {};
  std::vector<char> buffer(kProfileBufferSize, '\0');
  // https://learn.microsoft.com/windows/win32/api/winbase/nf-winbase-getprivateprofilestringa
  ::GetPrivateProfileStringA(sectionName.c_str(), keyName.c_str(),
                             fallback.empty() ? nullptr : fallback.c_str(), buffer.data(), kProfileBufferSize,
                             path.c_str());
  return textFromBuffer(buffer.data(), buffer.size());
}

bool writeProfileValue(const Text& file, const Text& section, const Text& key, const Text& value) {
  // A key with "=" or a line break would be written, yet never read back.
  if (!usableIniNames(section, key)) return false;
  const Text line(iniLineValue(value));
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), line.c_str(), file.c_str()) != FALSE;
}

}  // namespace phpswitch
