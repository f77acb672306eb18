// pickFolder over Window::browseForFolder, and the process-wide initialFolder.
#include "app/folder_picker.h"

namespace phpswitch {
namespace {

Text& initialFolderStore() {
  static Text folder;
  return folder;
}

}  // namespace

Text pickFolder(Window& window, const PickFolderOptions& options) {
  FolderDialogRequest request;
  request.title = options.title.value_or("请选择一个文件夹");
  request.flags = (options.editBox ? kBifEditBox : 0u) | (options.newStyle ? kBifNewDialogStyle : 0u) |
                  (options.includeFiles ? kBifBrowseIncludeFiles : 0u);
  request.owned = options.owned;
  initialFolderStore() = options.initialFolder;
  request.initialFolder = initialFolderStore();
  return trimBlanks(window.browseForFolder(request));
}

const Text& initialFolder() { return initialFolderStore(); }

void releaseInitialFolder() { Text().swap(initialFolderStore()); }

}  // namespace phpswitch
