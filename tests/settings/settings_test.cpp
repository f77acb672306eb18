// Saving and restoring edit boxes through the real settings file: the
// escaping round trip, the layout of a first save, the exclusion list, and a
// data folder that is missing, removed or replaced by a file.
#include "settings/settings.h"

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/profile.h"
#include "support/temp_folder.h"
#include "system/program_directory.h"

namespace phpswitch {
namespace {

namespace fs = std::filesystem;

const Text kTarget = "编辑框_目标路径";
const Text kVersion = "编辑框_模拟路径";

// Two edit boxes in the window's order; counts the writes, each of which
// raises text-changed in a real window.
class FakeEditBoxes : public EditBoxes {
 public:
  FakeEditBoxes(const Text& target, const Text& version) : texts_{{kTarget, target}, {kVersion, version}} {}
  std::vector<Text> editBoxNames() override { return {kTarget, kVersion}; }
  Text editBoxText(const Text& name) override { return texts_.at(name); }
  void setEditBoxText(const Text& name, const Text& text) override {
    texts_.at(name) = text;
    writes.push_back(name);
  }
  std::vector<Text> writes;

 private:
  std::map<Text, Text> texts_;
};

// The program directory is a fresh temporary folder, so the default file is
// <folder>/data/setsoft.ini.
class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { useProgramDirectory(folder.text()); }
  fs::path data() const { return folder.path() / "data"; }
  fs::path settings() const { return data() / "setsoft.ini"; }
  Text stored(const Text& key) const { return readProfileValue(settings().string(), settingsSection(), key); }

  testing::TempFolder folder;
};

TEST(FieldEscaping, LineBreakPairsThenQuotesEachWay) {
  EXPECT_EQ(settingsSection(), "编辑框");
  EXPECT_EQ(escapeFieldText("a\"b\r\nc\r\r\n"), "a#引号b><br><c\r><br><");
  EXPECT_EQ(escapeFieldText("lone\rcr\nlf"), "lone\rcr\nlf");
  EXPECT_EQ(unescapeFieldText("a#引号b><br><c"), "a\"b\r\nc");
  EXPECT_EQ(unescapeFieldText("#引><br><号"), "#引\r\n号");
}

TEST_F(SettingsFile, DefaultFileIsInTheDataFolderWhichItMakes) {
  EXPECT_EQ(defaultSettingsFile(), settings().string());
  EXPECT_TRUE(fs::is_directory(data()));
  EXPECT_FALSE(fs::exists(settings()));
}

struct RoundTrip {
  const char* name;
  Text text;
  Text stored;    // the raw value as the profile port reads it back
  Text restored;  // the box's text after a restore
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const RoundTrip& c, std::ostream* out) {
  *out << c.name;
}

const std::string kLong(10300, 'x');

const RoundTrip kRoundTrips[] = {
    {"DoubleQuote", "C:\\a \"b\"", "C:\\a #引号b#引号", "C:\\a \"b\""},
    {"LineBreakPair", "one\r\ntwo", "one><br><two", "one\r\ntwo"},
    {"HoldsTheQuoteMark", "say #引号", "say #引号", "say \""},
    {"HoldsTheLineBreakMark", "a><br><b", "a><br><b", "a\r\nb"},
    {"BlanksAroundGo", "  D:\\php  ", "D:\\php", "D:\\php"},
    {"SingleQuotesAroundGo", "'D:\\php'", "D:\\php", "D:\\php"},
    {"DoubleQuotesAroundStay", "\"D:\\php\"", "#引号D:\\php#引号", "\"D:\\php\""},
    {"NonAscii", "E:\\程序\\php 7", "E:\\程序\\php 7", "E:\\程序\\php 7"},
    {"CutTo10239Bytes", kLong, kLong.substr(0, kProfileBufferSize - 1),
     kLong.substr(0, kProfileBufferSize - 1)},
    // A lone line break would split the file's line; only the first line is kept.
    {"LoneLineFeedEndsTheValue", "D:\\a\nb=c", "D:\\a", "D:\\a"},
};

class FieldRoundTrip : public SettingsFile, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(FieldRoundTrip, TextComesBackAsStored) {
  const RoundTrip& c = GetParam();
  FakeEditBoxes before(c.text, "E:\\v");
  ASSERT_EQ(saveFieldSettings(before), 2);
  EXPECT_EQ(stored(kTarget), c.stored);

  FakeEditBoxes after("initial", "initial");
  ASSERT_EQ(loadFieldSettings(after), 2);
  EXPECT_EQ(after.editBoxText(kTarget), c.restored);
  EXPECT_EQ(after.editBoxText(kVersion), "E:\\v");
  EXPECT_EQ(after.writes, (std::vector<Text>{kTarget, kVersion}));
}

INSTANTIATE_TEST_SUITE_P(Texts, FieldRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const ::testing::TestParamInfo<RoundTrip>& info) { return info.param.name; });

TEST_F(SettingsFile, FirstSaveWritesTheBoxesInWindowOrder) {
  FakeEditBoxes boxes("D:\\php_target", "E:\\php\\php-7.0.3");
  EXPECT_EQ(saveFieldSettings(boxes), 2);
  EXPECT_EQ(testing::readBytes(settings()),
            "[编辑框]\r\n编辑框_目标路径=D:\\php_target\r\n编辑框_模拟路径=E:\\php\\php-7.0.3\r\n");
}

TEST_F(SettingsFile, AnEmptyTextIsStoredEmptyAndRestoresNothing) {
  FakeEditBoxes saved("D:\\t", "");
  saveFieldSettings(saved);
  EXPECT_EQ(testing::readBytes(settings()), "[编辑框]\r\n编辑框_目标路径=D:\\t\r\n编辑框_模拟路径=\r\n");

  FakeEditBoxes restored("initial", "initial");
  loadFieldSettings(restored);
  EXPECT_EQ(restored.editBoxText(kVersion), "initial");
  EXPECT_EQ(restored.writes, std::vector<Text>{kTarget});
}

TEST_F(SettingsFile, FirstStartMakesTheFolderButNotTheFile) {
  FakeEditBoxes boxes("D:\\php_target", "E:\\php\\php-7.0.3");
  EXPECT_EQ(loadFieldSettings(boxes), 2);
  EXPECT_TRUE(fs::is_directory(data()));
  EXPECT_FALSE(fs::exists(settings()));
  EXPECT_TRUE(boxes.writes.empty());
  EXPECT_EQ(boxes.editBoxText(kTarget), "D:\\php_target");
}

TEST_F(SettingsFile, ADataFileInPlaceOfTheFolderFailsSilentlyAndLosesNothing) {
  testing::writeBytes(data(), "not a folder");
  FakeEditBoxes boxes("D:\\t", "E:\\v");
  EXPECT_EQ(saveFieldSettings(boxes), 2);
  EXPECT_EQ(loadFieldSettings(boxes), 2);
  EXPECT_EQ(saveFieldSettings(boxes, {}, kVersion), 2);
  EXPECT_TRUE(boxes.writes.empty());
  EXPECT_EQ(boxes.editBoxText(kTarget), "D:\\t");
  EXPECT_EQ(boxes.editBoxText(kVersion), "E:\\v");
  EXPECT_EQ(testing::readBytes(data()), "not a folder");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST_F(SettingsFile, ADataFolderRemovedWhileRunningComesBackAtTheNextSave) {
  FakeEditBoxes boxes("D:\\t", "E:\\v");
  saveFieldSettings(boxes);
  fs::remove_all(data());
  boxes.setEditBoxText(kTarget, "D:\\other");
  saveFieldSettings(boxes);
  EXPECT_EQ(stored(kTarget), "D:\\other");
  EXPECT_EQ(stored(kVersion), "E:\\v");
}

TEST_F(SettingsFile, ExcludedBoxesKeepTheirStoredValue) {
  FakeEditBoxes boxes("D:\\old", "E:\\old");
  saveFieldSettings(boxes);
  boxes.setEditBoxText(kTarget, "D:\\new");
  boxes.setEditBoxText(kVersion, "E:\\new");

  EXPECT_EQ(saveFieldSettings(boxes, {}, kVersion), 2);
  EXPECT_EQ(stored(kTarget), "D:\\new");
  EXPECT_EQ(stored(kVersion), "E:\\old");

  boxes.setEditBoxText(kTarget, "D:\\newer");
  EXPECT_EQ(saveFieldSettings(boxes, {}, kTarget + "|" + kVersion), 2);
  EXPECT_EQ(stored(kTarget), "D:\\new");
  // A name that merely contains an excluded one is still saved.
  EXPECT_EQ(saveFieldSettings(boxes, {}, "编辑框"), 2);
  EXPECT_EQ(stored(kTarget), "D:\\newer");
}

TEST_F(SettingsFile, OtherSectionsAndCommentsStay) {
  fs::create_directory(data());
  testing::writeBytes(settings(),
                      "; written by hand\r\n[Other]\r\nx=1\r\n[编辑框]\r\n编辑框_目标路径=old\r\n"
                      "extra=keep\r\n[Last]\r\ny=2\r\n");
  FakeEditBoxes boxes("D:\\new", "E:\\new");
  saveFieldSettings(boxes);
  EXPECT_EQ(testing::readBytes(settings()),
            "; written by hand\r\n[Other]\r\nx=1\r\n[编辑框]\r\n编辑框_目标路径=D:\\new\r\n"
            "extra=keep\r\n编辑框_模拟路径=E:\\new\r\n[Last]\r\ny=2\r\n");
}

TEST_F(SettingsFile, AGivenFileIsUsedInsteadOfTheDefault) {
  const Text file = folder.file("other.ini");
  FakeEditBoxes boxes("D:\\t", "E:\\v");
  EXPECT_EQ(saveFieldSettings(boxes, file), 2);
  FakeEditBoxes restored("", "");
  EXPECT_EQ(loadFieldSettings(restored, file), 2);
  EXPECT_EQ(restored.editBoxText(kVersion), "E:\\v");
  EXPECT_FALSE(fs::exists(data()));
}

}  // namespace
}  // namespace phpswitch
