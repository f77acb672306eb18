// The two path fields and the directory list: saving on every change once
// start-up is over, tidying a field when it is left, the folder pickers, and
// the list of folders beside the program.
#include "app/actions.h"
#include "app/control_names.h"
#include "app/folder_picker.h"
#include "settings/settings.h"
#include "system/file_system.h"
#include "system/listing.h"
#include "system/program_directory.h"

namespace phpswitch {

void saveIfReady(AppContext& app) {
  if (app.settingsReady) saveFieldSettings(app.window);
}

void normalizePathField(AppContext& app, const Text& field) {
  Window& window = app.window;
  // Written back even when nothing was trimmed: leaving a field always saves.
  window.setControlText(field, trimBlanks(window.controlText(field)));
  const Text text = window.controlText(field);
  const int length = textLength(text);
  // By characters, so a two-byte character whose second byte looks like the
  // separator is not cut. Only one separator goes.
  if (length > 0 && findLast(text, pathSeparator()) == length) {
    window.setControlText(field, replaceAt(text, length, 1));
  }
}

void browseTargetPath(AppContext& app) {
  PickFolderOptions options;
  options.title = "请选择需要模拟到的路径,目录只是一个链接切勿存放文件在此目录,会<<<删除>>>!";
  options.editBox = true;
  options.owned = true;
  const Text picked = pickFolder(app.window, options);
  if (compareBytes(picked, "") != 0) app.window.setControlText(controls::kTargetField, picked);
}

void browseVersionPath(AppContext& app) {
  Window& window = app.window;
  const Text current = window.controlText(controls::kVersionField);
  PickFolderOptions options;
  options.title = "请选择需要被模拟到的路径!";
  options.initialFolder = isDirectory(current) ? current : Text();
  options.editBox = true;
  options.owned = true;
  const Text picked = pickFolder(window, options);
  if (picked.empty()) return;
  window.setControlText(controls::kVersionField, picked);
  // Leaving the field tidies the picked path at once (a drive root loses its
  // separator), and the focus ends on the switch button.
  window.setFocus(controls::kVersionField);
  window.setFocus(controls::kSwitchButton);
  if (app.settingsReady) saveFieldSettings(window);
}

void takeListSelection(AppContext& app) {
  Window& window = app.window;
  const int index = window.selectedListIndex(controls::kDirectoryList);
  window.setControlText(controls::kVersionField, window.listItemText(controls::kDirectoryList, index));
}

void fillDirectoryList(AppContext& app) {
  Window& window = app.window;
  window.clearList(controls::kDirectoryList);
  TextList folders;
  const int count = listSubdirectories(app.programDirectory, folders, true, true);
  for (int i = 1; i <= count; ++i) window.insertListItem(controls::kDirectoryList, i - 1, textAt(folders, i));
}

}  // namespace phpswitch
