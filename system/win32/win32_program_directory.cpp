// The executable's path from GetModuleFileNameA, its folder, and the process's
// current directory on Win32.
#include <windows.h>

#include "system/program_directory.h"
#include "text/text.h"

namespace phpswitch {

Text executablePath() {
  // GetModuleFileNameA cuts a long path to the buffer and says so only by
  // filling it: grow until the path fits with room to spare.
  for (DWORD size = MAX_PATH; size <= 32768 * 2; size *= 2) {
    Text buffer(size, '\0');
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
  }
  return {};
}

// Cut before the last backslash that starts a character: in code page 936 the
// second byte of a character may be 0x5C, which is no separator. C:\x.exe
// gives C:, to which "\data\setsoft.ini" and "\*.*" are joined as usual.
Text folderOfExecutable(const Text& path) {
  const int backslash = findLast(path, "\\");
  if (backslash < 1) return {};
  return leftPart(path, backslash - 1);
}

const char* pathSeparator() {
  return "\\";
}

bool setCurrentDirectory(const Text& folder) {
  return ::SetCurrentDirectoryA(folder.c_str()) != 0;
}

}  // namespace phpswitch
