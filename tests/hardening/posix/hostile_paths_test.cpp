// Hostile path texts through every action that takes a path, on the real
// POSIX services in a temporary folder: switch (as target and as version),
// the monitor's query, test, delete, adding to and removing from PATH,
// leaving a field and a pick from the directory list. For every text: no
// payload runs, nothing outside the target path changes, and the user sees
// the right result or the action's own error.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/actions.h"
#include "app/app.h"
#include "app/version_monitor.h"
#include "settings/settings.h"
#include "support/fake_window.h"
#include "support/hostile_names.h"
#include "support/posix/app_fixture.h"
#include "system/environment.h"
#include "system/file_system.h"
#include "system/platform.h"
#include "system/runner.h"

namespace phpswitch::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kTargetField[] = "编辑框_目标路径";
constexpr char kVersionField[] = "编辑框_模拟路径";
constexpr char kLabel[] = "透明标签_PHP版本";
constexpr char kMissingVersion[] = "需要被模拟路径不存在";
constexpr char kMissingPhp[] = "PHP.exe 未找到";
constexpr char kOverlap[] = "目标路径与被模拟路径相同或互相包含,删除目标路径会破坏被模拟的PHP,已停止切换";
constexpr char kDeleted[] = "已删除模拟后的目录";
constexpr char kAdded[] = "写入环境成功";
constexpr char kAddFailed[] = "写入环境失败,请使用管理员身份运行!";
constexpr char kRemoved[] = "删除环境成功";
constexpr char kConfirmation[] = "symbolic link created for";
constexpr char kInitialPath[] = "/usr/local/bin:/usr/bin:/bin";


// 64-bit FNV-1a: enough to see that a file's bytes are unchanged.
std::uint64_t hashOf(const Text& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// Every entry below `root`, links not followed: its mode and the hash of its
// content or its link's destination.
std::map<Text, Text> fingerprint(const Text& root) {
  std::map<Text, Text> entries;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    const Text path = it->path().string();
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) continue;
    Text facts = std::to_string(info.st_mode) + " ";
    if (S_ISLNK(info.st_mode)) {
      facts += "-> " + fs::read_symlink(path, error).string();
    } else if (S_ISREG(info.st_mode)) {
      facts += std::to_string(hashOf(readFile(path)));
    }
    entries[it->path().lexically_relative(root).string()] = facts;
  }
  return entries;
}

// Any file named like the canary anywhere below `root`: what an injected
// payload would have made.
std::vector<Text> canariesBelow(const Text& root) {
  std::vector<Text> found;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->path().filename() == kCanary) found.push_back(it->path().string());
  }
  return found;
}

bool isSymlink(const Text& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// What leaving a field makes of a text: blanks trimmed, one trailing separator cut.
Text normalized(const Text& text) {
  Text result = trimBlanks(text);
  if (!result.empty() && result.back() == '/') result.pop_back();
  return result;
}

Text withoutTrace(const Text& text) {
  Text shown;
  for (const char c : text.substr(0, 60)) shown += (c == '\n' || c == '\r') ? '~' : c;
  return shown;
}

enum class Outcome { Linked, Refused, Fails };

struct Entry {
  Text label;
  Text text;  // the field's text; a relative one is taken from the program directory
  // As the target, switching to the default installation (or to `version`).
  Outcome asTarget;
  Text targetRefusal = {};
  Text version = {};
  // As the version: Linked means an installation is made at the text first.
  Outcome asVersion = Outcome::Linked;
  Text versionRefusal = {};
};

class HostilePaths : public ::testing::Test {
 protected:
  HostilePaths()
      : program(temp / "program"),
        cases(temp / "cases"),
        sentinel(temp / "sentinel"),
        versions(temp / "versions"),
        installation(versions + "/php-7.0.3"),
        environmentFile(temp / "environment"),
        savedDirectory_(fs::current_path().string()) {
    makeFolder(program);
    writeFile(program + "/keep.txt", "keep");
    makeFolder(cases);
    makeFolder(temp / "source");
    makeInstallation(installation, "7.0.3");
    makeSentinel();
    writeFile(environmentFile, Text("PATH=") + kInitialPath + "\n");
    window.presetText(kTargetField, cases + "/target");
    window.presetText(kVersionField, installation);
    app = std::make_unique<App>(window, AppServices{program, {environmentFile, temp / "user.conf"}});
    window.setEvents(app.get());
    window.open();
    before_ = protectedTrees();
  }

  ~HostilePaths() override {
    app.reset();
    std::error_code ignored;
    fs::current_path(savedDirectory_, ignored);
  }

  // Files of every kind and mode, hidden names, a link out of the tree, a
  // link to "/", and one half of a link loop whose other half is a case.
  void makeSentinel() {
    makeFolder(sentinel + "/sub/.hidden");
    writeFile(sentinel + "/keep.txt", "keep");
    writeFile(sentinel + "/sub/.hidden/secret", "secret");
    writeFile(sentinel + "/script", "#!/bin/sh\n");
    ::chmod((sentinel + "/script").c_str(), 0750);
    writeFile(sentinel + "/private", "private");
    ::chmod((sentinel + "/private").c_str(), 0600);
    fs::create_symlink(installation, sentinel + "/to-installation");
    fs::create_symlink("/", sentinel + "/to-root");
    fs::create_symlink(cases + "/loop-a", sentinel + "/loop-b");
  }

  std::map<Text, Text> protectedTrees() {
    std::map<Text, Text> all;
    for (const Text& root : {sentinel, versions}) {
      for (auto& [path, facts] : fingerprint(root)) all[root + "/" + path] = facts;
    }
    return all;
  }

  Text absolute(const Text& text) const {
    return !text.empty() && text[0] == '/' ? text : program + "/" + text;
  }

  // The three promises, after every action.
  void expectNothingHarmed(const char* action) {
    SCOPED_TRACE(action);
    expectNoCanary();
    EXPECT_EQ(protectedTrees(), before_);
    EXPECT_EQ(readFile(program + "/keep.txt"), "keep");  // "." and ".." must not empty it
  }

  // Reported once, then cleared, so that the next action is judged on its own.
  void expectNoCanary() {
    const std::vector<Text> canaries = canariesBelow(temp.path());
    EXPECT_EQ(canaries, std::vector<Text>{});
    for (const Text& canary : canaries) std::remove(canary.c_str());
  }

  const ShownBox& lastBox() {
    shown_ = window.boxes();
    if (shown_.empty()) shown_.push_back({});
    return shown_.back();
  }

  Text monitorLabel(const Text& target) {
    FakeWindow probe;
    probe.presetText(kTargetField, target);
    monitorCycle(probe);
    return probe.controlText(kLabel);
  }

  Text storedPath() {
    return makeSystemEnvironment({environmentFile, {}})->readVariableChecked(false, "PATH", false).value;
  }

  // What a shell that sources the environment file does with it.
  void sourceEnvironmentFile() {
    runAndCapture("cd " + *quotedPath(temp / "source") + " && . " + *quotedPath(environmentFile));
  }

  void switchWith(const Text& target, const Text& version, Outcome outcome, const Text& refusal);
  void runTargetActions(const Entry& entry);
  void runVersionSwitch(const Entry& entry, int number);
  void runPathActions(const Entry& entry);
  void runFieldActions(const Entry& entry);
  std::vector<Entry> table();

  TempFolder temp;
  Text program, cases, sentinel, versions, installation, environmentFile;
  ConfirmingWindow window;
  std::unique_ptr<App> app;

 private:
  Text savedDirectory_;
  std::map<Text, Text> before_;
  std::vector<ShownBox> shown_;
};

void HostilePaths::switchWith(const Text& target, const Text& version, Outcome outcome, const Text& refusal) {
  window.setControlText(kTargetField, target);
  window.setControlText(kVersionField, version);
  const Text panelBefore = window.panel(1);
  const std::size_t boxesBefore = window.boxes().size();
  window.click("按钮_切换");
  const Text linkPath = absolute(target);
  switch (outcome) {
    case Outcome::Linked:
      // The link holds the version as a full path, taken from the program folder.
      EXPECT_TRUE(isLinkTo(linkPath, absolute(version))) << withoutTrace(linkPath);
      EXPECT_NE(window.panel(1).find(kConfirmation), Text::npos) << window.panel(1);
      break;
    case Outcome::Refused:
      ASSERT_EQ(window.boxes().size(), boxesBefore + 1);
      EXPECT_EQ(lastBox().text, refusal);
      EXPECT_EQ(window.panel(1), panelBefore);
      break;
    case Outcome::Fails:
      // The command's own error in the panel, and no link.
      EXPECT_FALSE(isSymlink(linkPath) && fs::read_symlink(linkPath) == absolute(version));
      EXPECT_NE(window.panel(1).find("ln: "), Text::npos) << window.panel(1);
      EXPECT_EQ(window.panel(1).find(kConfirmation), Text::npos) << window.panel(1);
      break;
  }
}

// Switch to the installation, ask the monitor, test, delete.
void HostilePaths::runTargetActions(const Entry& entry) {
  const Text version = entry.version.empty() ? installation : entry.version;
  switchWith(entry.text, version, entry.asTarget, entry.targetRefusal);
  expectNothingHarmed("switch");
  const bool linked = entry.asTarget == Outcome::Linked;

  EXPECT_EQ(monitorLabel(entry.text), linked ? "PHP版本为:7.0.3" : "PHP文件丢失");
  expectNothingHarmed("monitor");

  window.click("按钮3");
  if (linked) {
    EXPECT_EQ(lastBox().text, phpBanner("7.0.3"));
  } else {
    EXPECT_NE(lastBox().text, "");
    EXPECT_NE(lastBox().text, phpBanner("7.0.3"));
  }
  EXPECT_EQ(lastBox().caption, "PHP 执行结果");
  expectNothingHarmed("test");

  window.click("按钮_恢复");
  EXPECT_EQ(lastBox().text, kDeleted);
  if (linked) {
    EXPECT_FALSE(exists(absolute(entry.text))) << "the link is gone";
  }
  expectNothingHarmed("delete");
  EXPECT_EQ(monitorLabel(entry.text), "PHP文件丢失");
}

// The text as the version path: an installation made there is linked to;
// otherwise the version's own error.
void HostilePaths::runVersionSwitch(const Entry& entry, int number) {
  // Relative versions link from the program folder wherever the target is;
  // half of the targets stand elsewhere to show it.
  const bool relative = entry.text.empty() || entry.text[0] != '/';
  const Text target = (relative && number % 2 == 0 ? program : cases) + "/" + std::to_string(number) + "-target";
  if (entry.asVersion == Outcome::Linked && !fileExists(absolute(entry.text) + "/php")) {
    makeInstallation(absolute(entry.text), "7.0.3");
  }
  switchWith(target, entry.text, entry.asVersion, entry.versionRefusal);
  expectNothingHarmed("switch to the text");
  if (entry.asVersion == Outcome::Linked) {
    EXPECT_EQ(monitorLabel(target), "PHP版本为:7.0.3");
    window.setControlText(kTargetField, target);
    window.click("按钮_恢复");
    EXPECT_FALSE(exists(target));
    EXPECT_TRUE(fs::is_regular_file(absolute(entry.text) + "/php")) << "the installation stays";
  }
  expectNothingHarmed("delete the link to the text");
}

// Add to PATH and take it off again. A write that succeeds holds exactly the
// edited value; one that fails leaves the file as it was; a shell that
// sources the file runs nothing.
void HostilePaths::runPathActions(const Entry& entry) {
  writeFile(environmentFile, Text("PATH=") + kInitialPath + "\n");
  const Text fileBefore = readFile(environmentFile);
  window.setControlText(kTargetField, entry.text);

  window.click("按钮1");
  const Text added = Text(kInitialPath) + ":" + entry.text;
  const bool plain = entry.text.find_first_of("\r\n'\"`$\\") == Text::npos;
  if (lastBox().text == kAdded) {
    EXPECT_EQ(storedPath(), added);
  } else {
    EXPECT_EQ(lastBox().text, kAddFailed);
    EXPECT_EQ(readFile(environmentFile), fileBefore);
    EXPECT_FALSE(plain) << "a text without line breaks, quotes or substitutions is written";
  }
  sourceEnvironmentFile();
  expectNothingHarmed("add to PATH");

  window.click("按钮2");
  EXPECT_EQ(lastBox().text, kRemoved);
  // The trimmed text is what is taken off; a text with blanks around it, or
  // one holding the separator, was appended as other entries and stays.
  const Text trimmed = trimBlanks(entry.text);
  if (trimmed == entry.text && entry.text.find(':') == Text::npos) {
    EXPECT_EQ(storedPath(), kInitialPath);
  }
  sourceEnvironmentFile();
  expectNothingHarmed("remove from PATH");
}

// Leaving either field tidies the text; a pick from the list copies it as it
// stands. Each write saves, and a saved text never adds a line or an entry
// to the settings file.
void HostilePaths::runFieldActions(const Entry& entry) {
  for (const char* field : {kTargetField, kVersionField}) {
    SCOPED_TRACE(field);
    const char* other = field == kTargetField ? kVersionField : kTargetField;
    window.setControlText(other, installation);
    window.setFocus(field);
    window.setControlText(field, entry.text);
    window.setFocus("按钮_切换");
    EXPECT_EQ(window.controlText(field), normalized(entry.text));
    FakeWindow restored;
    loadFieldSettings(restored);
    EXPECT_EQ(restored.controlText(other), installation);
  }

  window.clearList("列表框_menus");
  window.insertListItem("列表框_menus", 0, entry.text);
  window.setControlText(kTargetField, installation);
  window.doubleClickItem(0);
  EXPECT_EQ(window.controlText(kVersionField), entry.text);
  FakeWindow restored;
  loadFieldSettings(restored);
  EXPECT_EQ(restored.controlText(kTargetField), installation);
  expectNothingHarmed("fields");
}

std::vector<Entry> HostilePaths::table() {
  std::vector<Entry> entries;
  int number = 0;
  // Each shared name as the last component of a path in a case folder of its
  // own, and once more relative to the program directory.
  for (const HostileName& name : kHostileNames) {
    const Text folder = cases + "/" + std::to_string(++number);
    makeFolder(folder);
    entries.push_back({name.label, folder + "/" + name.text, Outcome::Linked});
  }
  entries.push_back({"relative, with a leading dash", "-x; touch INJECTED", Outcome::Linked});
  entries.push_back({"relative, substitution", "$(touch INJECTED)", Outcome::Linked});
  entries.push_back({"invalid UTF-8", cases + "/bad \xFF\xFE\xC3", Outcome::Linked});
  entries.push_back({"four-byte UTF-8", cases + "/php \xF0\x9F\x90\x98", Outcome::Linked});
  makeFolder(cases + "/x\r\n[编辑框]\r\n编辑框_模拟路径=");
  entries.push_back(
      {"settings line injection", cases + "/x\r\n[编辑框]\r\n编辑框_模拟路径=/evil", Outcome::Linked});

  // Where a path leads matters more than how it is spelled.
  entries.push_back({"dot", ".", Outcome::Fails, {}, {}, Outcome::Refused, kMissingPhp});
  entries.push_back({"dot dot", "..", Outcome::Refused, kOverlap, {}, Outcome::Refused, kMissingPhp});
  makeFolder(cases + "/x");
  entries.push_back({"dot segments", cases + "/./x/../dots", Outcome::Linked});
  makeFolder(cases + "/trailing");
  entries.push_back({"trailing separator on an empty folder",
                     cases + "/trailing/",
                     Outcome::Fails,
                     {},
                     {},
                     Outcome::Linked});
  entries.push_back(
      {"trailing separators on nothing", cases + "/nothing//", Outcome::Fails, {}, {}, Outcome::Linked});
  entries.push_back({"trailing dot", cases + "/dotted/.", Outcome::Fails, {}, {}, Outcome::Linked});
  for (const Text root : {"/", "//", "///", "/.", "/..", "/tmp/..", "/./"}) {
    entries.push_back({"root " + root, root, Outcome::Refused, kOverlap, {}, Outcome::Refused, kMissingPhp});
  }
  Text climb;
  for (const char c : program) {
    if (c == '/') climb += "../";
  }
  entries.push_back(
      {"root by climbing", climb + "..", Outcome::Refused, kOverlap, {}, Outcome::Refused, kMissingPhp});
  // A trailing separator after a link names the link, as the removal sees
  // it: the link goes, never what it leads to; ln then cannot make "x/".
  fs::create_symlink("/", cases + "/root-link");
  entries.push_back({"a link to the root with a trailing separator",
                     cases + "/root-link/",
                     Outcome::Fails,
                     {},
                     {},
                     Outcome::Refused,
                     kMissingVersion});
  // The root guard of the removal stops this one; ln then finds "/" there.
  entries.push_back({"the root through a link",
                     sentinel + "/to-root/..",
                     Outcome::Fails,
                     {},
                     {},
                     Outcome::Refused,
                     kMissingPhp});
  fs::create_symlink("/", cases + "/link-to-root");
  // Replaced as a link and then deleted: no version is left there.
  entries.push_back({"a link to the root",
                     cases + "/link-to-root",
                     Outcome::Linked,
                     {},
                     {},
                     Outcome::Refused,
                     kMissingVersion});
  // Half of the loop is in the sentinel: replacing this half leaves that one.
  fs::create_symlink(sentinel + "/loop-b", cases + "/loop-a");
  entries.push_back({"inside a link loop",
                     cases + "/loop-a/inner",
                     Outcome::Fails,
                     {},
                     {},
                     Outcome::Refused,
                     kMissingVersion});
  entries.push_back(
      {"a link loop", cases + "/loop-a", Outcome::Linked, {}, {}, Outcome::Refused, kMissingVersion});

  Text longPath = cases + "/long";
  while (longPath.size() <= 4096 + 200) longPath += "/" + Text(200, 'd');
  entries.push_back(
      {"longer than PATH_MAX", longPath, Outcome::Fails, {}, {}, Outcome::Refused, kMissingVersion});
  entries.push_back({"a name longer than NAME_MAX",
                     cases + "/" + Text(300, 'n'),
                     Outcome::Fails,
                     {},
                     {},
                     Outcome::Refused,
                     kMissingVersion});
  entries.push_back({"empty", "", Outcome::Fails, {}, {}, Outcome::Refused, kMissingVersion});

  entries.push_back({"target inside the version",
                     installation + "/current",
                     Outcome::Refused,
                     kOverlap,
                     {},
                     Outcome::Refused,
                     kMissingVersion});
  entries.push_back(
      {"version inside the target", versions, Outcome::Refused, kOverlap, {}, Outcome::Refused, kMissingPhp});
  entries.push_back({"target inside the version through a link",
                     sentinel + "/to-installation/current",
                     Outcome::Refused,
                     kOverlap,
                     {},
                     Outcome::Refused,
                     kMissingVersion});
  fs::create_symlink(versions, cases + "/versions-link");
  entries.push_back({"version inside the target through a link", cases + "/versions-link", Outcome::Refused,
                     kOverlap, cases + "/versions-link/php-7.0.3", Outcome::Refused, kMissingVersion});
  return entries;
}

TEST_F(HostilePaths, EveryActionOnEveryTextRunsNothingAndRemovesNothingElse) {
  const std::vector<Entry> entries = table();
  ASSERT_GE(entries.size(), 30u);
  int number = 0;
  for (const Entry& entry : entries) {
    SCOPED_TRACE(entry.label + ": " + withoutTrace(entry.text));
    ++number;
    runTargetActions(entry);
    runVersionSwitch(entry, number);
    runPathActions(entry);
    runFieldActions(entry);
    if (HasFatalFailure()) return;
  }
}

// Installations beside the program under every hostile name: the list shows
// each full path as it stands, and a pick of it switches to that installation.
TEST_F(HostilePaths, HostileFolderNamesAreListedPickedAndSwitchedTo) {
  std::vector<Text> expected = {program + "/data"};
  for (const HostileName& name : kHostileNames) {
    makeInstallation(program + "/" + name.text, "7.0.3");
    expected.push_back(program + "/" + name.text);
  }
  AppContext context{window, program, {}, {}};
  fillDirectoryList(context);
  std::vector<Text> items = window.listItems();
  EXPECT_TRUE(std::is_sorted(items.begin(), items.end()));
  std::sort(items.begin(), items.end());
  std::sort(expected.begin(), expected.end());
  ASSERT_EQ(items, expected);

  const Text target = cases + "/target";
  for (int index = 0; index < static_cast<int>(items.size()); ++index) {
    const Text item = window.listItems()[static_cast<std::size_t>(index)];
    if (item == program + "/data") continue;
    SCOPED_TRACE(withoutTrace(item));
    window.setControlText(kTargetField, target);
    window.doubleClickItem(index);
    EXPECT_EQ(window.controlText(kVersionField), item);
    window.click("按钮_切换");
    EXPECT_TRUE(isLinkTo(target, item));
    window.click("按钮3");
    EXPECT_EQ(lastBox().text, phpBanner("7.0.3"));
    expectNothingHarmed("pick and switch");
  }
}

// A shell that sources the environment file must read every value as it
// was written, or the value must not have been written at all.
TEST_F(HostilePaths, AnEnvironmentFileSourcedByAShellRunsNothing) {
  auto environment = makeSystemEnvironment({environmentFile, {}});
  for (const HostileName& name : kHostileNames) {
    SCOPED_TRACE(name.label);
    const Text value = Text("/usr/bin:") + name.text;
    writeFile(environmentFile, "PATH=/usr/bin\n");
    if (environment->writeVariable(false, "PATH", value)) {
      EXPECT_EQ(environment->readVariableChecked(false, "PATH", false).value, value);
    } else {
      EXPECT_EQ(readFile(environmentFile), "PATH=/usr/bin\n");
    }
    sourceEnvironmentFile();
    expectNoCanary();
  }
}

}  // namespace
}  // namespace phpswitch::testing
