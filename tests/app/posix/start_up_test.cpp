// Start-up and clean-up through the fake window: the fields restored without
// rewriting the settings file, the directory list, and what the list and the
// clean-up do afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "app/folder_picker.h"
#include "settings/profile.h"
#include "settings/settings.h"
#include "support/posix/app_fixture.h"

namespace phpswitch::testing {
namespace {

constexpr char kTargetField[] = "编辑框_目标路径";
constexpr char kVersionField[] = "编辑框_模拟路径";
constexpr char kVersionLabel[] = "透明标签_PHP版本";

class StartUp : public AppFlow {
 protected:
  Text savedText(const Text& field) {
    return unescapeFieldText(readProfileValue(settingsFile(), settingsSection(), field, "<not in the file>"));
  }
};

TEST_F(StartUp, RestoresTheFieldsWithoutRewritingTheFileAndTheMonitorSeesThem) {
  const Text restoredTarget = temp / "restored target";
  const Text restoredVersion = temp / "php-5.6.40";
  makeInstallation(restoredVersion, "5.6.40");
  makeLink(restoredTarget, restoredVersion);
  makeFolder(programDir + "/data");
  ASSERT_TRUE(writeProfileValue(settingsFile(), settingsSection(), kTargetField, restoredTarget));
  ASSERT_TRUE(writeProfileValue(settingsFile(), settingsSection(), kVersionField, restoredVersion));
  const utimbuf past{946684800, 946684800};  // 2000-01-01
  ASSERT_EQ(::utime(settingsFile().c_str(), &past), 0);
  struct stat before {};
  ASSERT_EQ(::stat(settingsFile().c_str(), &before), 0);
  const Text bytes = readFile(settingsFile());

  startApp();

  EXPECT_EQ(targetText(), restoredTarget);
  EXPECT_EQ(versionText(), restoredVersion);
  struct stat after {};
  ASSERT_EQ(::stat(settingsFile().c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // a save replaces the file
  EXPECT_EQ(after.st_mtime, before.st_mtime);
  EXPECT_EQ(readFile(settingsFile()), bytes);
  EXPECT_EQ(window.waitForText(kVersionLabel, [](const Text& t) { return !t.empty(); }), "PHP版本为:5.6.40");
}

TEST_F(StartUp, WithoutASettingsFileTheFieldsKeepTheirTextsAndNothingIsWritten) {
  startApp();
  EXPECT_EQ(targetText(), target);
  EXPECT_EQ(versionText(), version);
  EXPECT_TRUE(app->settingsReady());
  EXPECT_TRUE(exists(programDir + "/data"));  // made by the restore
  EXPECT_FALSE(exists(settingsFile()));
  EXPECT_EQ(window.waitForText(kVersionLabel, [](const Text& t) { return !t.empty(); }), "PHP文件丢失");
}

TEST_F(StartUp, TheDirectoryListHoldsTheSortedFoldersBesideTheProgramOnce) {
  for (const char* name : {"b", "a", ".hidden", "C", "中文"}) makeFolder(programDir + "/" + name);
  makeFolder(temp / "elsewhere");
  makeLink(programDir + "/link-to-folder", temp / "elsewhere");
  writeFile(programDir + "/file.txt", "");

  startApp();
  makeFolder(programDir + "/later");  // not refreshed

  const std::vector<Text> expected = {programDir + "/C",    programDir + "/a",
                                      programDir + "/b",    programDir + "/data",
                                      programDir + "/link-to-folder", programDir + "/中文"};
  EXPECT_EQ(window.listItems(), expected);
}

TEST_F(StartUp, AListDoubleClickCopiesTheItemIntoTheVersionField) {
  makeFolder(programDir + "/php-8.1.0");
  startApp();
  ASSERT_EQ(window.listItems().size(), 2u);

  window.doubleClickItem(1);
  EXPECT_EQ(versionText(), programDir + "/php-8.1.0");
  EXPECT_EQ(savedText(kVersionField), programDir + "/php-8.1.0");

  window.doubleClickItem(-1);  // nothing selected: the field is emptied, and saved so
  EXPECT_EQ(versionText(), "");
  EXPECT_EQ(savedText(kVersionField), "");
}

TEST_F(StartUp, TheCleanUpReleasesThePickersInitialFolder) {
  makeFolder(version);
  startApp();
  window.answerPicker("");
  window.doubleClick(kVersionField);
  EXPECT_EQ(initialFolder(), version);
  window.close();
  EXPECT_EQ(initialFolder(), "");
}

}  // namespace
}  // namespace phpswitch::testing
