// The main window's layout table. The order of the rows is the window's
// definition order: it decides the order of the edit boxes in the settings file.
#include "app/layout.h"

#include <array>

#include "system/platform.h"

namespace phpswitch {
namespace {

constexpr unsigned kPathFieldEvents = kDoubleClicked | kLostFocus | kTextChanged;

constexpr const char kHelpText[] =
    "此工具用户PHP多版本环境动态切换\r\n"
    "如PHP版本如下:PHP5.6,PHP7.1,PHP7.2\r\n"
    "那么目标模拟路径为\r\n"
    "d:\\php_run(设置为环境变量)\r\n"
    "模拟路径为\r\n"
    "d:\\php_main\\php7.2\r\n"
    "最终在Windows 命令行工具中\r\n"
    "执行php的路径为\r\n"
    "d:\\php_main\\php7.2\r\n"
    "phpswitch 开发组 出品";

constexpr WindowSpec kMainWindow{"PHP 多版本环境变量切换(请使用管理员身份运行)", 50, 50, 447, 302};

constexpr std::array kControls{
    ControlSpec{ControlKind::GroupBox, "分组框2", "", 3, 4, 429, 92, "配置-双击选择目录", kNoEvents},
    ControlSpec{ControlKind::Label, "标签1", "分组框2", 10, 20, 72, 24, "被模拟路径：", kNoEvents},
    ControlSpec{ControlKind::EditBox, "编辑框_目标路径", "分组框2", 88, 52, 269, 24, nullptr, kPathFieldEvents},
    ControlSpec{ControlKind::Button, "按钮_切换", "分组框2", 366, 20, 51, 24, "切换", kClicked},
    ControlSpec{ControlKind::Label, "标签2", "分组框2", 10, 52, 72, 24, "目标路径：", kNoEvents},
    ControlSpec{ControlKind::EditBox, "编辑框_模拟路径", "分组框2", 88, 20, 269, 24, nullptr, kPathFieldEvents},
    ControlSpec{ControlKind::Button, "按钮_恢复", "分组框2", 366, 52, 51, 24, "删除", kClicked},
    ControlSpec{ControlKind::GroupBox, "分组框3", "", 5, 97, 299, 151, "帮助", kNoEvents},
    ControlSpec{ControlKind::TransparentLabel, "透明标签1", "分组框3", 13, 19, 254, 124, kHelpText, kNoEvents},
    ControlSpec{ControlKind::GroupBox, "分组框4", "", 308, 97, 127, 151, "辅助工具", kNoEvents},
    ControlSpec{ControlKind::Button, "按钮1", "分组框4", 8, 19, 116, 28, "目标路径为环境变量", kClicked},
    ControlSpec{ControlKind::Button, "按钮2", "分组框4", 8, 48, 116, 28, "删除环境变量", kClicked},
    ControlSpec{ControlKind::Button, "按钮3", "分组框4", 8, 79, 116, 28, "测试PHP运行结果", kClicked},
    ControlSpec{ControlKind::TransparentLabel, "透明标签_PHP版本", "分组框4", 12, 111, 112, 32, "", kNoEvents},
    // Starts beyond the right edge of the window: filled at start-up, seen only
    // when the window is made wider.
    ControlSpec{ControlKind::GroupBox, "分组框1", "", 715, 41, 533, 159, "目录列表(双击选择)", kNoEvents},
    ControlSpec{ControlKind::ListBox, "列表框_menus", "分组框1", 8, 20, 517, 132, "", kItemDoubleClicked},
    ControlSpec{ControlKind::StatusBar, "状态条1", "", 0, 272, 537, 20, "", kNoEvents},
};

constexpr std::array kPanels{
    PanelSpec{50, "Tips:"},
    PanelSpec{280, "欢迎使用 PHP环境切换工具 v1.0 phpswitch 开发组"},
    PanelSpec{-1, "windows.php.net/download"},
};

}  // namespace

const WindowSpec& mainWindowSpec() { return kMainWindow; }
std::span<const ControlSpec> mainWindowControls() { return kControls; }
std::span<const PanelSpec> statusPanels() { return kPanels; }

Text initialTextOf(const ControlSpec& control) {
  if (control.text != nullptr) return control.text;
  return std::string_view(control.name) == "编辑框_目标路径" ? defaultTargetPath() : defaultVersionPath();
}

const ControlSpec* findControl(std::string_view name) {
  for (const ControlSpec& control : kControls) {
    if (name == control.name) return &control;
  }
  return nullptr;
}

}  // namespace phpswitch
