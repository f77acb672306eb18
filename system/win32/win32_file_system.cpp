// File-system tests and the link-aware tree removal on Windows, through the
// ANSI calls. A directory that carries FILE_ATTRIBUTE_REPARSE_POINT (symbolic
// link, junction, mount point) is removed as such and never entered. Every
// spelling of a drive or share root, and the current directory or a folder
// above it, is refused before anything is touched.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include <dbghelp.h>
#include <shlwapi.h>

#include "system/file_system.h"
#include "system/win32/win32_handles.h"
#include "system/win32/win32_wide_text.h"

namespace phpswitch {
namespace {

struct Entry {
  Text path;
  DWORD attributes = 0;
};

bool isSeparatorByte(char c) {
  return c == '\\' || c == '/';
}
bool isSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

Text skipLeadingBlanks(const Text& path) {
  const auto first = path.find_first_not_of(' ');
  return first == Text::npos ? Text() : path.substr(first);
}

// Byte offsets where the characters of `path` start, in the ANSI code page
// the calls use: the second byte of a double-byte character may be 0x5C and
// is then no backslash.
std::vector<std::size_t> characterStarts(const Text& path) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < path.size();) {
    starts.push_back(i);
    i += (::IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) ? 2 : 1;
  }
  return starts;
}

// "D:\link\" must name the link itself: with the separator Wine reports the
// destination's attributes, and the walk would enter the link.
Text withoutTrailingSeparators(const Text& path) {
  const auto starts = characterStarts(path);
  std::size_t end = path.size();
  for (auto it = starts.rbegin(); it != starts.rend() && *it > 0; ++it) {
    if (end - *it != 1 || !isSeparatorByte(path[*it])) break;
    end = *it;
  }
  return path.substr(0, end);
}

Text joinPath(const Text& folder, const Text& name) {
  const Text base = withoutTrailingSeparators(folder);
  return base + "\\" + name;
}

std::wstring fullPathName(const std::wstring& path) {
  DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  while (size > 0) {
    std::wstring full(size, L'\0');
    const DWORD got = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (got == 0) break;
    if (got < size) {
      full.resize(got);
      return full;
    }
    size = got;
  }
  return {};
}

bool startsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() &&
         ::CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

int countComponents(std::wstring_view path) {
  int count = 0;
  bool inside = false;
  for (wchar_t c : path) {
    if (isSeparator(c)) {
      inside = false;
    } else if (!inside) {
      inside = true;
      ++count;
    }
  }
  return count;
}

bool onlySeparators(std::wstring_view path) {
  for (wchar_t c : path) {
    if (!isSeparator(c)) return false;
  }
  return true;
}

// A root by its spelling alone: "C:", "C:\" (any first character, as the
// drive test has always been), "\", "\\server", "\\server\share\",
// "\\?\C:\", "\\.\C:", "\\?\UNC\server\share", "\\?\Volume{...}\".
bool isRootShape(std::wstring_view path) {
  if (path.empty()) return false;
  if (onlySeparators(path)) return true;
  if (path.size() >= 2 && path[1] == L':' && onlySeparators(path.substr(2))) return true;
  const bool device = path.size() >= 4 && isSeparator(path[0]) && isSeparator(path[1]) &&
                      (path[2] == L'?' || path[2] == L'.') && isSeparator(path[3]);
  if (device) {
    const std::wstring_view rest = path.substr(4);
    if (startsWithNoCase(rest, L"UNC") && rest.size() > 3 && isSeparator(rest[3])) {
      return countComponents(rest.substr(4)) <= 2;
    }
    return countComponents(rest) <= 1 || isRootShape(rest);
  }
  if (isSeparator(path[0]) && isSeparator(path[1])) return countComponents(path.substr(2)) <= 2;
  return false;
}

bool isRootWide(const std::wstring& path) {
  if (isRootShape(path)) return true;
  // Windows drops trailing dots and blanks of the last name ("C:\ .", "C:\..").
  std::wstring stripped = path;
  while (!stripped.empty() && (stripped.back() == L'.' || stripped.back() == L' ')) stripped.pop_back();
  if (!stripped.empty() && isRootShape(stripped)) return true;
  // "\\?\C:\x\.." is not resolved by Windows, but a careless tool might; judge
  // what follows the prefix as a plain path.
  if (path.size() > 4 && isSeparator(path[0]) && isSeparator(path[1]) &&
      (path[2] == L'?' || path[2] == L'.') && isSeparator(path[3])) {
    return isRootWide(path.substr(4));
  }
  // Relative names, "." and "..", doubled separators: as Windows resolves them.
  const std::wstring full = fullPathName(path);
  return !full.empty() && isRootShape(full);
}

// Removing the current directory or a folder above it would take the running
// program's own folder with it ("." in a path field, say).
bool holdsCurrentDirectory(const Text& path) {
  std::wstring full = fullPathName(widen(path));
  if (full.empty()) return true;
  while (full.size() > 1 && isSeparator(full.back())) full.pop_back();
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring current(size, L'\0');
  const DWORD got = ::GetCurrentDirectoryW(size, current.data());
  if (got == 0 || got >= size) return false;
  current.resize(got);
  if (!startsWithNoCase(current, full)) return false;
  return current.size() == full.size() || isSeparator(current[full.size()]);
}

bool isLinkAttributes(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The whole listing is taken and the search closed before anything is
// removed, so removing never disturbs an open search.
std::vector<Entry> listEntries(const Text& folder) {
  std::vector<Entry> entries;
  WIN32_FIND_DATAA data;
  FindHandle find(::FindFirstFileA(joinPath(folder, "*.*").c_str(), &data));
  if (!find) return entries;
  do {
    const Text name = data.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back({joinPath(folder, name), data.dwFileAttributes});
  } while (::FindNextFileA(find.get(), &data));
  return entries;
}

// A failure leaves that entry in place and the walk goes on.
void emptyDirectory(const Text& folder) {
  for (const Entry& entry : listEntries(folder)) {
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ::DeleteFileA(entry.path.c_str());  // a file, or a link to one: the link goes
    } else if (isLinkAttributes(entry.attributes) ||
               isLinkAttributes(::GetFileAttributesA(entry.path.c_str()))) {
      // Asked again just before: a folder turned into a link since the
      // listing must not be entered either.
      ::RemoveDirectoryA(entry.path.c_str());
    } else {
      emptyDirectory(entry.path);
      ::RemoveDirectoryA(entry.path.c_str());
    }
  }
}

}  // namespace

bool isDirectory(const Text& path) {
  return ::PathIsDirectoryA(path.c_str()) == static_cast<BOOL>(FILE_ATTRIBUTE_DIRECTORY);
}

bool fileExists(const Text& path) {
  WIN32_FIND_DATAA data;
  FindHandle find(::FindFirstFileA(path.c_str(), &data));
  return static_cast<bool>(find);
}

bool isEmptyDirectory(const Text& path) {
  return ::PathIsDirectoryEmptyA(path.c_str()) != FALSE;
}

bool isDirectoryLink(const Text& path) {
  const Text entry = withoutTrailingSeparators(path);
  return !entry.empty() && isLinkAttributes(::GetFileAttributesA(entry.c_str()));
}

bool isRootPath(const Text& path) {
  const Text trimmed = skipLeadingBlanks(path);
  if (trimmed.empty()) return false;
  // The drive test as bytes, too: "?:" and "?:\" whatever the first byte.
  if (trimmed.size() >= 2 && trimmed[1] == ':' &&
      (trimmed.size() == 2 || (trimmed.size() == 3 && isSeparatorByte(trimmed[2])))) {
    return true;
  }
  return isRootWide(widen(trimmed));
}

bool removeDirectoryTree(const Text& path) {
  const Text trimmed = skipLeadingBlanks(path);
  if (trimmed.empty() || isRootPath(trimmed)) return false;
  const Text entry = withoutTrailingSeparators(trimmed);
  if (holdsCurrentDirectory(entry)) return false;

  const DWORD attributes = ::GetFileAttributesA(entry.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (isLinkAttributes(attributes)) return ::RemoveDirectoryA(entry.c_str()) != FALSE;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;  // a file at the top level stays
  emptyDirectory(entry);
  return ::RemoveDirectoryA(entry.c_str()) != FALSE;
}

Text absolutePath(const Text& path) {
  if (path.empty()) return path;
  // GetFullPathNameA also resolves "\php" and "D:php", which depend on the
  // current drive and that drive's current folder.
  const DWORD size = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::string buffer(size, '\0');
  const DWORD length = ::GetFullPathNameA(path.c_str(), size, buffer.data(), nullptr);
  if (length == 0 || length >= size) return path;
  buffer.resize(length);
  return buffer;
}

bool makeDirectoryPath(const Text& path) {
  // MakeSureDirectoryPathExists creates folders up to the last backslash only.
  const Text folder = (!path.empty() && path.back() == '\\') ? path : path + "\\";
  // It also reports success when a file stands where a folder should be.
  return ::MakeSureDirectoryPathExists(folder.c_str()) != FALSE && isDirectory(path);
}

}  // namespace phpswitch
