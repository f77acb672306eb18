// Adding the target path to the machine-wide PATH and taking it off again,
// through the fake window, with the real POSIX environment files in a
// temporary folder (a wrapper around them makes writes fail or counts calls).
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <regex>

#include "support/posix/app_fixture.h"
#include "system/environment.h"
#include "text/text_list.h"

namespace phpswitch::testing {
namespace {

constexpr char kTargetField[] = "编辑框_目标路径";
constexpr char kAdded[] = "写入环境成功";
constexpr char kNotAdded[] = "写入环境失败,请使用管理员身份运行!";
constexpr char kRemoved[] = "删除环境成功";
constexpr char kNotRemoved[] = "删除环境失败,请使用管理员身份运行!";

// What the wrapper saw, and what it is told to do wrong.
struct EnvironmentLog {
  std::vector<bool> readFallbacks;
  int writes = 0;
  int announcements = 0;
  bool failWrites = false;
  bool storeOtherValue = false;  // the write "succeeds" but something else is stored
};

class ObservedEnvironment final : public SystemEnvironment {
 public:
  ObservedEnvironment(std::unique_ptr<SystemEnvironment> real, std::shared_ptr<EnvironmentLog> log)
      : real_(std::move(real)), log_(std::move(log)) {}

  VariableRead readVariableChecked(bool user, const Text& name, bool fallback) override {
    log_->readFallbacks.push_back(fallback);
    return real_->readVariableChecked(user, name, fallback);
  }
  bool writeVariable(bool user, const Text& name, const Text& value) override {
    ++log_->writes;
    if (log_->failWrites) return false;
    return real_->writeVariable(user, name, log_->storeOtherValue ? value + ":/elsewhere" : value);
  }
  bool removeVariable(bool user, const Text& name) override { return real_->removeVariable(user, name); }
  int countVariables(bool user) override { return real_->countVariables(user); }
  int listVariables(bool user, TextList& list) override { return real_->listVariables(user, list); }
  int commandLineArguments(TextList& list) override { return real_->commandLineArguments(list); }
  Text currentDirectory() override { return real_->currentDirectory(); }
  Text programPath(bool full) override { return real_->programPath(full); }
  Text commandInterpreter() override { return real_->commandInterpreter(); }
  void announceChange() override { ++log_->announcements; }

 private:
  std::unique_ptr<SystemEnvironment> real_;
  std::shared_ptr<EnvironmentLog> log_;
};

class PathActions : public AppFlow {
 protected:
  void SetUp() override {
    startApp([log = log](const EnvironmentLocations& locations) -> std::unique_ptr<SystemEnvironment> {
      return std::make_unique<ObservedEnvironment>(makeSystemEnvironment(locations), log);
    });
  }

  // The machine file as another program would set and read it.
  void storeMachinePath(const std::optional<Text>& value) {
    std::remove(environment.machineFile.c_str());
    if (value) {
      ASSERT_TRUE(makeSystemEnvironment(environment)->writeVariable(false, "PATH", *value));
    }
  }
  Text machinePath() {
    const VariableRead read = makeSystemEnvironment(environment)->readVariableChecked(false, "PATH", false);
    EXPECT_EQ(read.source, ReadSource::Collection);
    return read.value;
  }
  Text backupFile() const { return programDir + "/data/path-backup.txt"; }

  // Clicks a button with `targetText` in the target field; the one box it showed.
  ShownBox clickWith(const char* button, const Text& targetText) {
    window.setControlText(kTargetField, targetText);
    const std::size_t before = window.boxes().size();
    window.click(button);
    const auto boxes = window.boxes();
    EXPECT_EQ(boxes.size(), before + 1);
    return boxes.empty() ? ShownBox{} : boxes.back();
  }
  ShownBox add(const Text& targetText) { return clickWith("按钮1", targetText); }
  ShownBox remove(const Text& targetText) { return clickWith("按钮2", targetText); }

  std::shared_ptr<EnvironmentLog> log = std::make_shared<EnvironmentLog>();
};

struct PathCase {
  const char* name;
  bool adding;
  std::optional<Text> stored;  // nothing: the machine file has no PATH
  Text targetText;
  Text written;
  const char* message;
};

TEST_F(PathActions, EditsThePathAsAListOfEntries) {
  const PathCase cases[] = {
      {"add to a plain path", true, "/usr/bin:/bin", "/t", "/usr/bin:/bin:/t", kAdded},
      {"add drops duplicates, an entry already there keeps its place", true, "/a:/t:/b:/a", "/t", "/a:/t:/b",
       kAdded},
      {"add after a trailing separator", true, "/a:/b:", "/t", "/a:/b:/t", kAdded},
      {"add keeps one empty entry of several", true, "/a::/b::/c", "/t", "/a::/b:/c:/t", kAdded},
      {"add an empty target", true, "/a:/b", "", "/a:/b:", kAdded},
      {"add an empty target where an empty entry is", true, "/a::/b", "", "/a::/b", kAdded},
      {"add keeps the blanks around the target", true, "/a", "  /t ", "/a:  /t ", kAdded},
      {"add beside an entry that differs in case", true, "/a:/T", "/t", "/a:/T:/t", kAdded},
      // No PATH in the machine file: the process's PATH is edited instead.
      {"add as the first entry", true, std::nullopt, "/t", "", kAdded},
      {"add to an empty value", true, "", "/t", "", kAdded},
      {"remove the target and its duplicate", false, "/t:/a:/t", "/t", "/a", kRemoved},
      {"remove what is not there writes the de-duplicated path", false, "/a:/b:/a", "/t", "/a:/b", kRemoved},
      {"remove looks for the trimmed target", false, "/a:/t", "  /t ", "/a", kRemoved},
      {"remove leaves an entry with blanks", false, "/a: /t ", " /t ", "/a: /t ", kRemoved},
      {"remove leaves an entry that differs in case", false, "/a:/T", "/t", "/a:/T", kRemoved},
      {"remove after a trailing separator", false, "/a:/t:", "/t", "/a", kRemoved},
      // Confirmed against the machine file itself, not against the process's
      // PATH that an empty value would fall back to.
      {"remove the only entry", false, "/t", "/t", "", kRemoved},
      {"remove from the process's path", false, std::nullopt, "/t", "", kRemoved},
  };
  const char* processPath = std::getenv("PATH");
  ASSERT_TRUE(processPath != nullptr && *processPath != '\0');
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.name);
    storeMachinePath(c.stored);
    Text written = c.written;
    if (!c.stored || c.stored->empty()) {
      // No machine-wide value yet: the process's own is the start.
      TextList entries = splitText(processPath, ":");
      if (c.adding) appendText(entries, c.targetText);
      dedupeList(entries);
      if (!c.adding) removeAt(entries, indexOfText(entries, c.targetText));
      written = joinTexts(entries, ":");
    }
    const ShownBox box = c.adding ? add(c.targetText) : remove(c.targetText);
    EXPECT_EQ(box.text, c.message);
    EXPECT_EQ(box.style, 0x2000u);
    EXPECT_EQ(box.caption, "信息：");
    EXPECT_FALSE(box.owned);
    EXPECT_EQ(machinePath(), written);
  }
}

TEST_F(PathActions, AFullLengthPathIsEditedWhole) {
  Text stored;
  for (int i = 0; stored.size() < 32700; ++i) stored += (i ? ":/opt/tools/entry-" : "/opt/tools/entry-") + std::to_string(i);
  stored += ":/opt/last-";
  stored.append(32767 - stored.size(), 'z');  // the longest value a Windows variable holds
  ASSERT_EQ(stored.size(), 32767u);
  storeMachinePath(stored);

  // Compared as truth values: a failure would print 32 KB twice.
  EXPECT_EQ(add("/t").text, kAdded);
  const Text added = machinePath();
  EXPECT_EQ(added.size(), stored.size() + 3);
  EXPECT_TRUE(added == stored + ":/t");
  EXPECT_EQ(remove("/t").text, kRemoved);
  const Text removed = machinePath();
  EXPECT_EQ(removed.size(), stored.size());
  EXPECT_TRUE(removed == stored);
}

TEST_F(PathActions, AnUnreadablePathIsNeverWritten) {
  // A folder where the machine file should be: it exists but cannot be read.
  makeFolder(environment.machineFile);
  EXPECT_EQ(add("/t").text, kNotAdded);
  EXPECT_EQ(remove("/t").text, kNotRemoved);
  EXPECT_EQ(log->writes, 0);
  EXPECT_EQ(log->announcements, 0);
  EXPECT_EQ(snapshot(environment.machineFile), std::vector<Text>{});
  EXPECT_FALSE(exists(backupFile()));
}

TEST_F(PathActions, AFailedWriteIsReportedAndNotAnnounced) {
  storeMachinePath("/a");
  log->failWrites = true;
  EXPECT_EQ(add("/t").text, kNotAdded);
  EXPECT_EQ(remove("/a").text, kNotRemoved);
  EXPECT_EQ(log->writes, 2);
  EXPECT_EQ(log->announcements, 0);
  EXPECT_EQ(machinePath(), "/a");
}

TEST_F(PathActions, AWriteIsConfirmedByReadingTheMachineValueBack) {
  storeMachinePath("/a");
  log->storeOtherValue = true;
  EXPECT_EQ(add("/t").text, kNotAdded);
  // Announced all the same: the stored value did change.
  EXPECT_EQ(log->announcements, 1);
  log->storeOtherValue = false;
  log->readFallbacks.clear();
  EXPECT_EQ(add("/t").text, kAdded);
  EXPECT_EQ(log->announcements, 2);
  ASSERT_FALSE(log->readFallbacks.empty());
  EXPECT_FALSE(log->readFallbacks.back());  // the confirming read has no fallback
}

TEST_F(PathActions, EveryWriteAppendsTheOldValueToTheBackup) {
  storeMachinePath("/usr/bin:/bin");
  ASSERT_EQ(add("/t").text, kAdded);
  const Text first = readFile(backupFile());
  ASSERT_EQ(remove("/t").text, kRemoved);
  const Text both = readFile(backupFile());

  ASSERT_EQ(both.substr(0, first.size()), first);  // only ever appended to
  const std::regex record(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d before (add|remove): PATH=(.*))");
  const TextList lines = splitText(both, "\n");
  ASSERT_EQ(listSize(lines), 2);
  std::smatch match;
  ASSERT_TRUE(std::regex_match(textAt(lines, 1), match, record)) << textAt(lines, 1);
  EXPECT_EQ(match[1], "add");
  EXPECT_EQ(match[2], "/usr/bin:/bin");
  ASSERT_TRUE(std::regex_match(textAt(lines, 2), match, record)) << textAt(lines, 2);
  EXPECT_EQ(match[1], "remove");
  EXPECT_EQ(match[2], "/usr/bin:/bin:/t");
}

TEST_F(PathActions, NoBackupNoWrite) {
  storeMachinePath("/a");
  makeFolder(backupFile());  // cannot be appended to
  EXPECT_EQ(add("/t").text, kNotAdded);
  EXPECT_EQ(log->writes, 0);
  EXPECT_EQ(machinePath(), "/a");
}

}  // namespace
}  // namespace phpswitch::testing
