// The hostile names, reduced to what Windows paths can hold, through the
// Win32 command-line builder: the exact command texts for every name cmd can
// take inside quotes, refusal for the rest, and real runs through cmd.exe in
// which no name runs anything.
#include <windows.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/hostile_names.h"
#include "support/runner_temp_folder.h"
#include "system/platform.h"
#include "system/runner.h"

namespace phpswitch::testing {
namespace {

// Characters no Windows file name can hold: such a name is no path there.
bool windowsCanHold(const Text& name) {
  return name.find_first_of("<>|*?") == Text::npos;
}

// What cmd would still interpret inside double quotes.
bool cmdWouldExpand(const Text& path) {
  for (const char c : path) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '%' || c == '"') return true;
  }
  return false;
}

// The payloads in cmd's own words: "touch" is no cmd command.
Text forCmd(Text text) {
  const Text touch = "touch INJECTED";
  for (std::size_t at = text.find(touch); at != Text::npos; at = text.find(touch, at)) {
    text.replace(at, touch.size(), "echo x>INJECTED");
  }
  return text;
}

Text quoted(const Text& path) {
  return "\"" + path + "\"";
}

struct Spelling {
  const char* label;
  Text path;
};

// Windows' own odd spellings: roots, relative forms, separators and length.
std::vector<Spelling> windowsSpellings() {
  std::vector<Spelling> spellings = {
      {"drive", "C:"},
      {"drive root", "C:\\"},
      {"drive root, forward slash", "C:/"},
      {"current drive's root", "\\"},
      {"share", "\\\\server\\share"},
      {"share root", "\\\\server\\share\\"},
      {"long-path prefix", "\\\\?\\C:\\"},
      {"device path", "\\\\.\\C:\\php"},
      {"drive-relative", "D:php_target"},
      {"dot", "."},
      {"dot dot", ".."},
      {"dot segments", "D:\\a\\..\\b\\.\\c"},
      {"trailing separator", "D:\\php_target\\"},
      {"two trailing separators", "D:\\php_target\\\\"},
      {"mixed separators", "D:/php/php-7.0.3\\"},
      {"leading dash", "-rf"},
      {"empty", ""},
  };
  Text longPath = "D:\\long";
  while (longPath.size() <= 4096 + 200) longPath += "\\" + Text(200, 'd');
  spellings.push_back({"longer than 4,096 bytes", longPath});
  return spellings;
}

void expectExactCommands(const Text& target, const Text& version) {
  SCOPED_TRACE(target);
  ASSERT_EQ(quotedPath(target), quoted(target));
  ASSERT_TRUE(linkCommand(target, version));
  EXPECT_EQ(*linkCommand(target, version), "mklink /D " + quoted(target) + " " + quoted(version));
  EXPECT_EQ(*linkCommand(version, target), "mklink /D " + quoted(version) + " " + quoted(target));
  EXPECT_EQ(*unlinkCommand(target), "rmdir " + quoted(target));
  // cmd /c takes off the outer pair of quotes.
  EXPECT_EQ(*phpTestCommand(target), "\"" + quoted(target + "\\php.exe") + " -v\"");
  EXPECT_EQ(*phpVersionCommand(target), "\"" + quoted(target + "\\php.exe") + " -r \"echo PHP_VERSION;\"\"");
}

void expectRefused(const Text& path) {
  SCOPED_TRACE(path);
  EXPECT_FALSE(quotedPath(path));
  EXPECT_FALSE(linkCommand(path, "E:\\php\\php-7.0.3"));
  EXPECT_FALSE(linkCommand("D:\\php_target", path));
  EXPECT_FALSE(unlinkCommand(path));
  EXPECT_FALSE(phpTestCommand(path));
  EXPECT_FALSE(phpVersionCommand(path));
}

TEST(HostileCommandLines, EveryNameIsOneQuotedWordOrRefused) {
  const Text version = "E:\\php\\php-7.0.3";
  int checked = 0;
  for (const HostileName& name : kHostileNames) {
    SCOPED_TRACE(name.label);
    const Text target = "D:\\php\\" + forCmd(name.text);
    if (!windowsCanHold(name.text)) continue;
    if (cmdWouldExpand(target)) {
      expectRefused(target);
    } else {
      expectExactCommands(target, version);
      ++checked;
    }
  }
  EXPECT_GE(checked, 20);
  for (const Spelling& spelling : windowsSpellings()) {
    SCOPED_TRACE(spelling.label);
    expectExactCommands(spelling.path, version);
  }
  for (const Text refused : {"D:\\%PATH%", "D:\\100%", "D:\\a\"b", "D:\\line\r\nbreak", "D:\\tab\there",
                             "D:\\%~dp0", "D:\\!x! %x%"}) {
    expectRefused(refused);
  }
}

// Every name, holdable or not, as the path of each command run through
// cmd.exe: no payload may create its file in the current folder.
TEST(HostileCommandLines, NoNameRunsAnythingThroughCmd) {
  runner_support::TempFolder temp;
  ASSERT_FALSE(temp.path().empty());
  char saved[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(::SetCurrentDirectoryA(temp.path().c_str()));
  const Text canary = temp / kCanary;
  const Text version = temp / "installation";
  ::CreateDirectoryA(version.c_str(), nullptr);

  for (const HostileName& name : kHostileNames) {
    SCOPED_TRACE(name.label);
    const Text text = forCmd(name.text);
    for (const Text& target : {temp / text, text}) {
      for (const std::optional<Text>& command :
           {linkCommand(target, version), linkCommand(version, target), unlinkCommand(target),
            phpTestCommand(target), phpVersionCommand(target)}) {
        if (!command) continue;
        runAndCapture(*command);
        EXPECT_EQ(::GetFileAttributesA(canary.c_str()), INVALID_FILE_ATTRIBUTES) << *command;
        ::DeleteFileA(canary.c_str());
      }
    }
  }
  EXPECT_NE(::GetFileAttributesA(version.c_str()), INVALID_FILE_ATTRIBUTES);
  ::SetCurrentDirectoryA(saved);
}

}  // namespace
}  // namespace phpswitch::testing
