// Switch, delete and test: the three buttons that act on the link at the
// target path. Each reads the fields once, so what is checked is what is used.
#include <optional>

#include "app/actions.h"
#include "app/control_names.h"
#include "app/message_box.h"
#include "app/status_text.h"
#include "settings/settings.h"
#include "system/file_system.h"
#include "system/path_compare.h"
#include "system/platform.h"
#include "system/runner.h"

namespace phpswitch {
namespace {

constexpr char kExpansionRefusal[] = "路径中含有命令解释器会展开的字符,已停止操作";
constexpr char kOverlapRefusal[] =
    "目标路径与被模拟路径相同或互相包含,删除目标路径会破坏被模拟的PHP,已停止切换";

// Removing the target removes a link as a link, a directory with all it holds:
// that must not reach the installation being linked to, nor leave a link to
// a path the removal took away. The removal skips leading blanks, so check
// that spelling too.
bool targetEndangersVersion(const Text& target, const Text& version) {
  const std::size_t start = target.find_first_not_of(' ');
  const Text removed = start == Text::npos ? Text() : target.substr(start);
  return pathsOverlap(target, version) || pathsOverlap(removed, version);
}

void refuseExpansion(Window& window) { showMessage(window, kExpansionRefusal, kMbIconError, "Error"); }

}  // namespace

void switchVersion(AppContext& app) {
  Window& window = app.window;
  const Text version = window.controlText(controls::kVersionField);
  if (!isDirectory(version)) {
    showMessage(window, "需要被模拟路径不存在", kMbIconError, "Error");
    return;
  }
  if (!fileExists(phpExecutableIn(version))) {
    showMessage(window, "PHP.exe 未找到", kMbIconError);
    return;
  }
  const Text target = window.controlText(controls::kTargetField);
  if (targetEndangersVersion(target, version)) {
    showMessage(window, kOverlapRefusal, kMbIconError, "Error");
    return;
  }
  const std::optional<Text> command = linkCommand(target, absolutePath(version));
  if (!command) {
    refuseExpansion(window);
    return;
  }
  if (!isEmptyDirectory(target)) {
    const int answer =
        showMessage(window, "确定切换环境吗?\r\n切换环境会将现有模拟路径删除后重建,请确认无误后点击确定",
                    kMbYesNo, "将会删除模拟目录", true);
    if (answer != kIdYes) return;
  }
  removeDirectoryTree(target);
  window.setPanelText(1, singleLineText(runAndCapture(*command)));
  if (app.settingsReady) saveFieldSettings(window);
}

void deleteLink(AppContext& app) {
  Window& window = app.window;
  const std::optional<Text> command = unlinkCommand(window.controlText(controls::kTargetField));
  if (!command) {
    refuseExpansion(window);
    return;
  }
  runAndCapture(*command);
  showMessage(window, "已删除模拟后的目录");
}

void testPhp(AppContext& app) {
  Window& window = app.window;
  const std::optional<Text> command = phpTestCommand(window.controlText(controls::kTargetField));
  if (!command) {
    refuseExpansion(window);
    return;
  }
  showMessage(window, runAndCapture(*command), kMbIconInformation, "PHP 执行结果", true);
}

}  // namespace phpswitch
