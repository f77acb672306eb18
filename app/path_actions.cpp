// Adding the target path to the machine-wide search path and taking it off
// again. The stored value is read whole and never written back from a failed
// read; the old value is backed up before every write; a write is confirmed by
// reading the machine-wide value itself, without the process's fallback.
#include "app/actions.h"
#include "app/control_names.h"
#include "app/message_box.h"
#include "app/path_backup.h"
#include "system/path_variable.h"

namespace phpswitch {
namespace {

struct PathEdit {
  const char* action;  // names the write in the backup file
  const char* success;
  const char* failure;
};

constexpr PathEdit kAdd{"add", "写入环境成功", "写入环境失败,请使用管理员身份运行!"};
constexpr PathEdit kRemove{"remove", "删除环境成功", "删除环境失败,请使用管理员身份运行!"};

// Reads the machine-wide search path, lets `edit` change its entries, backs up
// the old value, writes the new one and reports whether it is really stored.
template <typename Edit>
void rewriteMachinePath(AppContext& app, const PathEdit& texts, Edit edit) {
  Window& window = app.window;
  const std::unique_ptr<SystemEnvironment> environment = app.environment();
  const Text name = pathVariableName();
  const Text separator = pathListSeparator();

  const VariableRead stored = environment->readVariableChecked(false, name, false);
  if (stored.source == ReadSource::Failed) {
    showMessage(window, texts.failure);
    return;
  }
  Text current = stored.value;
  if (current.empty()) {
    // No machine-wide value yet: start from the process's own, so that the
    // first write does not leave the target as the only entry.
    current = environment->readVariableChecked(false, name, true).value;
  }
  TextList entries = splitText(current, separator);
  edit(entries);
  const Text joined = joinTexts(entries, separator);

  if (!appendPathBackup(pathBackupFile(app.programDirectory), texts.action, name, stored.value)) {
    showMessage(window, texts.failure);
    return;
  }
  bool confirmed = false;
  if (environment->writeVariable(false, name, joined)) {
    environment->announceChange();
    const VariableRead written = environment->readVariableChecked(false, name, false);
    confirmed = written.source != ReadSource::Failed && compareBytes(written.value, joined) == 0;
  }
  showMessage(window, confirmed ? texts.success : texts.failure);
}

}  // namespace

void addTargetToPath(AppContext& app) {
  const Text target = app.window.controlText(controls::kTargetField);
  rewriteMachinePath(app, kAdd, [&](TextList& entries) {
    // Appended last, so an entry already there keeps its place and this one goes.
    appendText(entries, target);
    dedupeList(entries);
  });
}

void removeTargetFromPath(AppContext& app) {
  const Text sought = trimBlanks(app.window.controlText(controls::kTargetField));
  rewriteMachinePath(app, kRemove, [&](TextList& entries) {
    dedupeList(entries);
    int position = 1;
    while (position <= listSize(entries)) {
      if (compareBytes(textAt(entries, position), sought) == 0) {
        removeAt(entries, position);
        position = 1;
      } else {
        ++position;
      }
    }
  });
}

}  // namespace phpswitch
