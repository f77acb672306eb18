// File-system tests and the link-aware tree removal the switch relies on.
// Paths are Text in the build's narrow encoding; relative paths are taken
// from the current directory (the program directory once the app runs).
#pragma once

#include "text/text.h"

namespace phpswitch {

bool isDirectory(const Text& path);       // a directory, or a link to one
bool fileExists(const Text& path);        // any entry of that name, dangling links included
bool isEmptyDirectory(const Text& path);  // an existing directory without entries
bool isDirectoryLink(const Text& path);   // a symbolic link or junction, never followed

// A spelling of a drive, share or file-system root ("C:", "C:\", "C:/", "\",
// "\\server\share", "\\?\C:\"; "/" and anything resolving to it on POSIX).
bool isRootPath(const Text& path);

// Removes the directory at `path` with everything in it. A link is removed as
// a link and never followed, at the top and inside the tree; a root spelling
// and a file at the top level are never removed. True when the directory is gone.
bool removeDirectoryTree(const Text& path);

// `path` as an absolute path, taken from the current directory when it is
// relative; "" stays "". A link's destination is stored as given, so a relative
// one would be read from the link's own folder instead of from ours.
Text absolutePath(const Text& path);

// Creates every missing folder of `path`. True when all of them exist afterwards.
bool makeDirectoryPath(const Text& path);

}  // namespace phpswitch
