// The Path backup: before the machine-wide Path is written, its old value is
// appended to <program dir>/data/path-backup.txt, so a value lost by a click
// can be copied back by hand. The file is only ever appended to.
#pragma once

#include "text/text.h"

namespace phpswitch {

Text pathBackupFile(const Text& programDirectory);

// Appends one record: a line "<local time> before <action>: <name>=<old value>".
// True when the record is in the file (the data folder is made when missing).
bool appendPathBackup(const Text& file, const Text& action, const Text& name, const Text& oldValue);

}  // namespace phpswitch
