// Subdirectory listing on Windows: one FindFirstFileA search over folder\*.*,
// keeping the entries that carry FILE_ATTRIBUTE_DIRECTORY (directory links
// included) and whose names do not begin with ".".
#include <windows.h>

#include "system/listing.h"
#include "system/win32/win32_handles.h"

namespace phpswitch {

int listSubdirectories(const Text& folder, TextList& list, bool fullPaths, bool sorted) {
  // Only the last byte is looked at, so a folder that ends in a double-byte
  // character whose second byte is 0x5C counts as ending in a backslash.
  const Text base = rightPart(folder, 1) == "\\" ? folder : concatTexts(folder, "\\");
  WIN32_FIND_DATAA data;
  FindHandle find(::FindFirstFileA(concatTexts(base, "*.*").c_str(), &data));
  if (find) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || data.cFileName[0] == '.') continue;
      appendText(list, fullPaths ? concatTexts(base, data.cFileName) : Text(data.cFileName));
    } while (::FindNextFileA(find.get(), &data));
  }
  if (sorted) sortTexts(list);
  return listSize(list);
}

}  // namespace phpswitch
