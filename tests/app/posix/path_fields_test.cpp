// The path fields through the fake window: tidying on leaving, saving at every
// change once start-up is over, and the two folder pickers.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "settings/profile.h"
#include "settings/settings.h"
#include "support/posix/app_fixture.h"

namespace phpswitch::testing {
namespace {

constexpr char kTargetField[] = "编辑框_目标路径";
constexpr char kVersionField[] = "编辑框_模拟路径";
constexpr char kSwitchButton[] = "按钮_切换";
constexpr char kFullWidthBlank[] = "\xE3\x80\x80";

class PathFields : public AppFlow {
 protected:
  // What the settings file holds for `field`.
  Text savedText(const Text& field) {
    return unescapeFieldText(readProfileValue(settingsFile(), settingsSection(), field, "<not in the file>"));
  }
  void dropSettings() { std::remove(settingsFile().c_str()); }
  bool saved() { return exists(settingsFile()); }
};

TEST_F(PathFields, LeavingAFieldTrimsItAndCutsOneTrailingSeparator) {
  startApp();
  struct Case {
    Text typed, left;
    std::optional<Text> saved = {};  // when not `left`
  };
  const Case cases[] = {
      {"/opt/php/php-7.0.3/", "/opt/php/php-7.0.3"},
      {"/opt/php//", "/opt/php/"},  // only one goes
      {"/", ""},                    // the root's separator is cut like any other
      {"relative/dir/", "relative/dir"},
      {"  /opt/x  ", "/opt/x"},
      {concatTexts(kFullWidthBlank, " /opt/x", kFullWidthBlank), "/opt/x"},
      {"/opt/x/   ", "/opt/x"},  // a separator before trailing blanks goes as well
      {"   ", ""},
      // A tab is no blank: it stays, and so does the separator (the settings
      // file, like any profile file, drops white space around a value).
      {"/opt/x/\t", "/opt/x/\t", "/opt/x/"},
      {"", ""},
      {"C:\\php\\", "C:\\php\\"},  // not this platform's separator
  };
  for (const Text& field : {Text(kTargetField), Text(kVersionField)}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(field + " [" + c.typed + "]");
      window.type(field, c.typed);
      window.setFocus("按钮3");
      EXPECT_EQ(window.controlText(field), c.left);
      EXPECT_EQ(savedText(field), c.saved.value_or(c.left));
    }
  }
}

TEST_F(PathFields, NothingIsSavedBeforeStartUpEndsAndEveryChangeSavesAfter) {
  app = std::make_unique<App>(window, AppServices{programDir, environment});
  window.setEvents(app.get());
  window.type(kTargetField, temp / "typed before start-up");
  window.setFocus(kVersionField);
  EXPECT_FALSE(app->settingsReady());
  EXPECT_FALSE(saved());

  window.open();
  EXPECT_TRUE(app->settingsReady());
  EXPECT_FALSE(saved());  // the restore did not write either

  // Each keystroke saves both fields.
  const Text typed = "/opt/p";
  for (std::size_t n = 1; n <= typed.size(); ++n) {
    window.type(kVersionField, typed.substr(0, n));
    EXPECT_EQ(savedText(kVersionField), typed.substr(0, n));
    EXPECT_EQ(savedText(kTargetField), temp / "typed before start-up");
  }
  // Leaving a field unchanged writes its text, and so saves.
  window.setFocus(kTargetField);
  dropSettings();
  window.setFocus(kSwitchButton);
  EXPECT_TRUE(saved());
}

TEST_F(PathFields, TargetPickerWritesThePickAsItIsAndCancelChangesNothing) {
  startApp();
  dropSettings();
  window.answerPicker("");
  window.doubleClick(kTargetField);
  EXPECT_EQ(targetText(), target);
  EXPECT_EQ(window.focused(), kTargetField);
  EXPECT_FALSE(saved());

  window.answerPicker("  /picked/folder/  ");
  window.doubleClick(kTargetField);
  EXPECT_EQ(targetText(), "/picked/folder/");  // tidied only when the field is left
  EXPECT_EQ(window.focused(), kTargetField);
  EXPECT_EQ(savedText(kTargetField), "/picked/folder/");

  const auto requests = window.pickerRequests();
  ASSERT_EQ(requests.size(), 2u);
  for (const FolderDialogRequest& request : requests) {
    EXPECT_EQ(request.title, "请选择需要模拟到的路径,目录只是一个链接切勿存放文件在此目录,会<<<删除>>>!");
    EXPECT_EQ(request.flags, 0x50u);
    EXPECT_EQ(request.initialFolder, "");
    EXPECT_TRUE(request.owned);
  }
}

TEST_F(PathFields, VersionPickerPreselectsOnlyAnExistingFolder) {
  makeFolder(version);
  writeFile(temp / "file", "");
  startApp();
  const std::pair<Text, Text> cases[] = {
      {version, version},
      {version + "/", version + "/"},
      {temp / "missing", ""},
      {temp / "file", ""},
      {"", ""},
  };
  for (const auto& [text, preselected] : cases) {
    SCOPED_TRACE(text);
    window.presetText(kVersionField, text);
    window.answerPicker("");
    window.doubleClick(kVersionField);
    const FolderDialogRequest request = window.pickerRequests().back();
    EXPECT_EQ(request.initialFolder, preselected);
    EXPECT_EQ(request.title, "请选择需要被模拟到的路径!");
    EXPECT_EQ(request.flags, 0x50u);
    EXPECT_TRUE(request.owned);
    EXPECT_EQ(versionText(), text);  // cancelled: unchanged
  }
}

TEST_F(PathFields, VersionPickerTidiesThePickAtOnceAndFocusesTheSwitch) {
  startApp();
  dropSettings();
  window.answerPicker("");
  window.doubleClick(kVersionField);
  EXPECT_EQ(versionText(), version);
  EXPECT_EQ(window.focused(), kVersionField);
  EXPECT_FALSE(saved());

  const std::pair<Text, Text> picks[] = {{" /picked/php-8.1/ ", "/picked/php-8.1"}, {"/", ""}};
  for (const auto& [picked, shown] : picks) {
    SCOPED_TRACE(picked);
    window.answerPicker(picked);
    window.doubleClick(kVersionField);
    EXPECT_EQ(versionText(), shown);
    EXPECT_EQ(window.focused(), kSwitchButton);
    EXPECT_EQ(savedText(kVersionField), shown);
  }
}

}  // namespace
}  // namespace phpswitch::testing
