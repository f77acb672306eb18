// Whether removing one path could reach into another: the guard that keeps a
// switch from deleting the installation it is about to link to.
#pragma once

#include "text/text.h"

namespace phpswitch {

// True when `removed` and `kept` name the same place, or one of them lies
// inside the other, as the platform compares paths: on Windows without regard
// to letter case and with "\" and "/" alike; on POSIX both as written and after
// resolving the links that exist. A link as the last part of `removed` is not
// followed, since it is removed as a link. Relative paths are taken from the
// current directory; an empty path overlaps nothing.
bool pathsOverlap(const Text& removed, const Text& kept);

}  // namespace phpswitch
