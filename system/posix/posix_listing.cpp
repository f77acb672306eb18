// Subdirectory listing on POSIX with opendir/readdir. A link to a directory is
// listed as a directory, as the Windows search reports directory links; the
// entry type comes from stat when readdir cannot tell it.
#include <dirent.h>
#include <sys/stat.h>

#include "system/listing.h"
#include "system/posix/posix_files.h"

namespace phpswitch {
namespace {

bool isDirectoryEntry(const Text& base, const dirent& entry) {
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
  struct stat info {};
  return ::stat(concatTexts(base, entry.d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

int listSubdirectories(const Text& folder, TextList& list, bool fullPaths, bool sorted) {
  // The last byte decides, as on Windows: in UTF-8 no byte of a longer
  // character can be "/", so the test is exact here.
  const Text base = rightPart(folder, 1) == "/" ? folder : concatTexts(folder, "/");
  if (DirectoryStream dir{::opendir(base.c_str())}) {
    while (const dirent* entry = ::readdir(dir.get())) {
      if (entry->d_name[0] == '.' || !isDirectoryEntry(base, *entry)) continue;
      appendText(list, fullPaths ? concatTexts(base, entry->d_name) : Text(entry->d_name));
    }
  }
  if (sorted) sortTexts(list);
  return listSize(list);
}

}  // namespace phpswitch
