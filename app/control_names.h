// The names by which the actions address the controls of the layout table.
#pragma once

namespace phpswitch::controls {

inline constexpr char kTargetField[] = "编辑框_目标路径";
inline constexpr char kVersionField[] = "编辑框_模拟路径";
inline constexpr char kSwitchButton[] = "按钮_切换";
inline constexpr char kDeleteButton[] = "按钮_恢复";
inline constexpr char kAddToPathButton[] = "按钮1";
inline constexpr char kRemoveFromPathButton[] = "按钮2";
inline constexpr char kTestButton[] = "按钮3";
inline constexpr char kVersionLabel[] = "透明标签_PHP版本";
inline constexpr char kDirectoryList[] = "列表框_menus";

}  // namespace phpswitch::controls
