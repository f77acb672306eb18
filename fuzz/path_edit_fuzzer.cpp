// The two PATH actions on any stored value and any target field: adding
// appends the target once and keeps every other entry in its first place;
// adding and then removing a trimmed target leaves the de-duplicated PATH.
// The handlers run as the app runs them, over an in-memory environment.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include "app/actions.h"
#include "support/fake_window.h"
#include "system/path_variable.h"

namespace phpswitch {
namespace {

// The temporary program directory; abort skips its removal at exit.
Text madeFolder;

void check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::error_code ignored;
  if (!madeFolder.empty()) std::filesystem::remove_all(madeFolder, ignored);
  std::abort();
}

// One machine-wide variable held in memory; the process's own value is the
// fallback the actions use when the stored one is empty.
class MemoryEnvironment final : public SystemEnvironment {
 public:
  MemoryEnvironment(Text& stored, const Text& process) : stored_(stored), process_(process) {}

  VariableRead readVariableChecked(bool, const Text&, bool fallback) override {
    if (fallback && stored_.empty()) return {process_, ReadSource::ProcessEnvironment};
    return {stored_, ReadSource::Collection};
  }
  bool writeVariable(bool, const Text&, const Text& value) override {
    stored_ = value;
    return true;
  }
  bool removeVariable(bool, const Text&) override { return false; }
  int countVariables(bool) override { return 1; }
  int listVariables(bool, TextList&) override { return -1; }
  int commandLineArguments(TextList&) override { return 0; }
  Text currentDirectory() override { return {}; }
  Text programPath(bool) override { return {}; }
  Text commandInterpreter() override { return {}; }
  void announceChange() override {}

 private:
  Text& stored_;
  const Text& process_;
};

// A program directory whose PATH backup goes nowhere, so that millions of
// runs write no file that grows; removed when the fuzzer exits.
class ProgramFolder {
 public:
  ProgramFolder() {
    char pattern[] = "/tmp/phpswitch-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    check(made != nullptr, "a temporary folder is made");
    path_ = made;
    madeFolder = path_;
    std::filesystem::create_directories(path_ + "/data");
    std::filesystem::create_symlink("/dev/null", path_ + "/data/path-backup.txt");
  }
  ~ProgramFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const Text& path() const { return path_; }

 private:
  Text path_;
};

const Text& programDirectory() {
  static const ProgramFolder folder;
  return folder.path();
}

Text textFrom(FuzzedDataProvider& data, std::size_t maxLength) {
  Text text = data.ConsumeRandomLengthString(maxLength);
  std::replace(text.begin(), text.end(), '\0', ' ');
  return text;
}

Text lastBox(testing::FakeWindow& window) {
  const std::vector<testing::ShownBox> boxes = window.boxes();
  return boxes.empty() ? Text() : boxes.back().text;
}

}  // namespace
}  // namespace phpswitch

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace phpswitch;
  FuzzedDataProvider data(bytes, size);
  const Text separator = pathListSeparator();
  const Text target = textFrom(data, 32);
  const Text process = data.ConsumeBool() ? Text("/usr/bin:/bin") : Text();
  Text stored = textFrom(data, 512);
  const Text base = stored.empty() ? process : stored;

  testing::FakeWindow window;
  window.setControlText("编辑框_目标路径", target);
  AppContext app{window, programDirectory(), {}, [&](const EnvironmentLocations&) {
                   return std::make_unique<MemoryEnvironment>(stored, process);
                 }};

  TextList deduplicated = splitText(base, separator);
  dedupeList(deduplicated);

  addTargetToPath(app);
  check(lastBox(window) == "写入环境成功", "adding is confirmed");
  TextList expectedAdded = splitText(base, separator);
  appendText(expectedAdded, target);
  dedupeList(expectedAdded);
  check(stored == joinTexts(expectedAdded, separator),
        "adding appends the target once, other entries in place");

  // An empty stored value counts as none: the removal then starts from the
  // process's own, as the first addition did.
  const bool addedNothing = stored.empty();
  removeTargetFromPath(app);
  check(lastBox(window) == "删除环境成功", "removing is confirmed");
  if (!addedNothing && trimBlanks(target) == target && target.find(separator) == Text::npos) {
    TextList expected = deduplicated;
    auto& members = expected.members();
    members.erase(std::remove(members.begin(), members.end(), target), members.end());
    // Compared as entries: a final empty entry is written as a final
    // separator, which gives no entry when it is read again.
    check(splitText(stored, separator) == splitText(joinTexts(expected, separator), separator),
          "add then remove leaves the de-duplicated PATH");
    if (indexOfText(deduplicated, target) == -1) {
      check(stored == joinTexts(deduplicated, separator),
            "a new target leaves the de-duplicated PATH exactly");
    }
  }
  return 0;
}
