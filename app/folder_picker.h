// pickFolder: the folder dialog as the path fields open it. The dialog is the
// window's; the title default, the flag word and the process-wide preselection
// (`initialFolder`) are decided here.
#pragma once

#include <optional>

#include "app/window.h"

namespace phpswitch {

constexpr unsigned kBifEditBox = 0x10;
constexpr unsigned kBifNewDialogStyle = 0x40;
constexpr unsigned kBifBrowseIncludeFiles = 0x4000;

struct PickFolderOptions {
  std::optional<Text> title;  // not given: "请选择一个文件夹"; a given "" stays empty
  bool includeFiles = false;
  Text initialFolder;  // "": the dialog's own default selection
  bool editBox = false;
  bool newStyle = true;
  bool owned = false;  // modal to the main window
};

// The chosen folder without blanks around it, or "" when nothing was chosen.
Text pickFolder(Window& window, const PickFolderOptions& options = {});

// The preselection of the last pickFolder call; kept until the next call or
// releaseInitialFolder (the end-of-process clean-up). Window thread only.
const Text& initialFolder();
void releaseInitialFolder();

}  // namespace phpswitch
