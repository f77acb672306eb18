// The shell's folder browse dialog with a preselected folder.
#pragma once

#include <windows.h>

#include "app/window.h"

namespace phpswitch {

// Shows SHBrowseForFolderA and returns the chosen file-system path, trimmed,
// or "" when the user cancelled or chose something that is not a folder.
Text showFolderDialog(HWND owner, const FolderDialogRequest& request);

}  // namespace phpswitch
