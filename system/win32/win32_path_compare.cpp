// Windows path overlap: full paths (absolutePath), "/" taken as "\",
// compared without regard to letter case; existing paths also as their final
// path (GetFinalPathNameByHandleA), so that a link or junction hides nothing.
#include <windows.h>

#include <string>

#include "system/file_system.h"
#include "system/path_compare.h"
#include "system/win32/win32_handles.h"

namespace phpswitch {
namespace {

// Byte offset where the last character of `text` begins, or npos for "".
std::size_t lastCharStart(const Text& text) {
  std::size_t last = std::string::npos;
  for (std::size_t pos = 0; pos < text.size();) {
    last = pos;
    const std::size_t size = charSize(text, pos);
    pos += size == 0 ? 1 : size;
  }
  return last;
}

bool isDriveRoot(const Text& path) { return path.size() == 3 && path[1] == ':' && path[2] == '\\'; }

// Upper case, "\" for "/", no trailing "\" except on a drive root. A trail
// byte of a two-byte character is never "/" in code page 936, so the plain
// replacement is safe; the trailing test goes by characters.
Text comparable(const Text& path) {
  Text out = toUpperCase(path);
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  const std::size_t last = lastCharStart(out);
  if (last != std::string::npos && out[last] == '\\' && last + 1 == out.size() && !isDriveRoot(out)) {
    out.pop_back();
  }
  return out;
}

// The final path of an existing file or folder; the path itself otherwise.
Text finalPathOf(const Text& path) {
  OwnedHandle file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return path;
  char buffer[MAX_PATH * 4];
  const DWORD length = ::GetFinalPathNameByHandleA(file.get(), buffer, sizeof buffer, VOLUME_NAME_DOS);
  if (length == 0 || length >= sizeof buffer) return path;
  Text final(buffer, length);
  if (final.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + final.substr(8);
  if (final.rfind("\\\\?\\", 0) == 0) return final.substr(4);
  return final;
}

// The parent resolved, the last part kept: a link there is removed as a link.
Text finalParentOf(const Text& fullPath) {
  const int slash = findLast(fullPath, "\\");
  if (slash <= 1 || slash == textLength(fullPath)) return finalPathOf(fullPath);
  const Text parent = leftPart(fullPath, slash - 1);
  if (parent.size() == 2 && parent[1] == ':') return fullPath;  // directly under a drive root
  return finalPathOf(parent) + fullPath.substr(slash - 1);
}

bool liesWithin(const Text& inner, const Text& outer) {
  if (outer.empty() || inner.size() < outer.size() || inner.compare(0, outer.size(), outer) != 0) return false;
  if (inner.size() == outer.size()) return true;
  const std::size_t last = lastCharStart(outer);
  if (outer[last] == '\\' && last + 1 == outer.size()) return true;  // a root such as "C:\"
  return inner[outer.size()] == '\\';
}

bool overlap(const Text& a, const Text& b) { return liesWithin(a, b) || liesWithin(b, a); }

}  // namespace

bool pathsOverlap(const Text& removed, const Text& kept) {
  if (removed.empty() || kept.empty()) return false;
  const Text removedPath = absolutePath(removed);
  const Text keptPath = absolutePath(kept);
  return overlap(comparable(removedPath), comparable(keptPath)) ||
         overlap(comparable(finalParentOf(removedPath)), comparable(finalPathOf(keptPath)));
}

}  // namespace phpswitch
