// Subdirectory listing: the folders directly inside a folder, by name or full path.
#pragma once

#include "text/text_list.h"

namespace phpswitch {

// Appends each directory entry of `folder` whose name does not begin with "."
// (links to directories included) to `list`, optionally sorts the whole list,
// and returns the list's size. An unreadable folder adds nothing.
int listSubdirectories(const Text& folder, TextList& list, bool fullPaths = false, bool sorted = false);

}  // namespace phpswitch
