// Append-only backup of the machine-wide Path, one line per write.
#include "app/path_backup.h"

#include <ctime>
#include <fstream>

#include "system/file_system.h"
#include "system/program_directory.h"

namespace phpswitch {
namespace {

Text localTimestamp() {
  const std::time_t now = std::time(nullptr);
  // Only the window's thread writes backups, so localtime's shared buffer is safe here.
  const std::tm* local = std::localtime(&now);
  char buffer[32] = {};
  if (local == nullptr || std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", local) == 0) {
    return "0000-00-00 00:00:00";
  }
  return buffer;
}

}  // namespace

Text pathBackupFile(const Text& programDirectory) {
  const Text separator = pathSeparator();
  return concatTexts(programDirectory, separator, "data", separator, "path-backup.txt");
}

bool appendPathBackup(const Text& file, const Text& action, const Text& name, const Text& oldValue) {
  const int slash = findLast(file, pathSeparator());
  if (slash > 1 && !makeDirectoryPath(leftPart(file, slash - 1))) return false;
  // Text mode: the platform's own line ends, so the file reads well in its editors.
  std::ofstream out(file, std::ios::out | std::ios::app);
  if (!out) return false;
  out << localTimestamp() << " before " << action << ": " << name << '=' << oldValue << '\n';
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace phpswitch
