// The Win32 command lines: their exact texts, the paths cmd would still
// expand refused, and real runs through cmd.exe in folders whose names hold
// blanks and cmd's special characters, with the stand-in as php.exe.
#include <windows.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/runner_temp_folder.h"
#include "system/platform.h"
#include "system/program_directory.h"
#include "system/runner.h"

namespace phpswitch {
namespace {

TEST(Win32Commands, ExactTexts) {
  EXPECT_EQ(defaultTargetPath(), "D:\\php_target");
  EXPECT_EQ(defaultVersionPath(), "E:\\php\\php-7.0.3");
  EXPECT_EQ(phpExecutableIn("D:\\php_target"), "D:\\php_target\\php.exe");
  struct Case {
    std::optional<Text> command;
    const char* text;
  } cases[] = {
      {linkCommand("D:\\php_target", "E:\\php\\php-7.0.3"),
       "mklink /D \"D:\\php_target\" \"E:\\php\\php-7.0.3\""},
      {linkCommand("D:\\a b", "E:\\c & d"), "mklink /D \"D:\\a b\" \"E:\\c & d\""},
      {unlinkCommand("D:\\php_target"), "rmdir \"D:\\php_target\""},
      {unlinkCommand(""), "rmdir \"\""},
      // the outer pair of quotes is the one cmd /c strips
      {phpTestCommand("D:\\php_target"), "\"\"D:\\php_target\\php.exe\" -v\""},
      {phpVersionCommand("D:\\php_target"), "\"\"D:\\php_target\\php.exe\" -r \"echo PHP_VERSION;\"\""},
      {phpVersionCommand("D:\\x (1) & y"), "\"\"D:\\x (1) & y\\php.exe\" -r \"echo PHP_VERSION;\"\""},
      // the second byte of 乗 is 0x5C, of 表 0xED: bytes of a character, kept as they are
      {unlinkCommand("D:\\乗\\表"), "rmdir \"D:\\乗\\表\""},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.command) << c.text;
    EXPECT_EQ(*c.command, c.text);
  }
}

TEST(Win32Commands, PathsCmdWouldStillExpandAreRefused) {
  const char* const refused[] = {
      "D:\\%PATH%",        "D:\\100%",      "D:\\say \"hi\"", "D:\\a\"",
      "D:\\line\r\nbreak", "D:\\new\nline", "D:\\tab\there",
  };
  for (const Text path : refused) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(quotedPath(path));
    EXPECT_FALSE(linkCommand(path, "E:\\php"));
    EXPECT_FALSE(linkCommand("D:\\php_target", path));
    EXPECT_FALSE(unlinkCommand(path));
    EXPECT_FALSE(phpTestCommand(path));
    EXPECT_FALSE(phpVersionCommand(path));
  }
}

// Folders whose names hold what cmd would split or interpret outside quotes.
const char* const kFolderNames[] = {
    "plain",
    "with blank",
    "a&b",
    "php 7.0.3 & (x86) ^y",
    "semi; colon, comma=equal",
    "[brackets] {braces} 'single' `back` ~tilde",
    "bang! at@ hash#",
    "中文 目录",
};

class Win32CommandRuns : public testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(temp_.path().empty()); }

  // A PHP installation: a folder with the stand-in as php.exe.
  Text makeInstallation(const std::string& name) const {
    const Text folder = temp_ / name;
    EXPECT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    const Text standIn = folderOfExecutable(executablePath()) + "\\system_runner_stand_in.exe";
    EXPECT_TRUE(::CopyFileA(standIn.c_str(), phpExecutableIn(folder).c_str(), FALSE)) << standIn;
    return folder;
  }

  static Text run(const std::optional<Text>& command) {
    EXPECT_TRUE(command.has_value());
    return command ? runAndCapture(*command) : Text();
  }

  static bool exists(const Text& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  runner_support::TempFolder temp_;
};

TEST_F(Win32CommandRuns, PhpCommandsReachTheStandInWithTheirArguments) {
  for (const std::string name : kFolderNames) {
    SCOPED_TRACE(name);
    const Text folder = makeInstallation(name);
    EXPECT_EQ(run(phpVersionCommand(folder)), "7.0.3");
    EXPECT_EQ(run(phpTestCommand(folder)),
              "PHP 7.0.3 (cli) (built: Feb  2 2016)\r\nCopyright (c) The PHP Group\r\n");
  }
}

TEST_F(Win32CommandRuns, MissingPhpGivesTheInterpretersMessage) {
  const Text folder = temp_ / "no php here";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  EXPECT_EQ(run(phpVersionCommand(folder)).find("7.0.3"), Text::npos);
  EXPECT_NE(run(phpVersionCommand(folder)), "");
}

TEST_F(Win32CommandRuns, RmdirRemovesAnEmptyFolderWithAnyNameAndKeepsAFullOne) {
  for (const std::string name : kFolderNames) {
    SCOPED_TRACE(name);
    const Text empty = temp_ / ("empty " + name);
    ASSERT_TRUE(::CreateDirectoryA(empty.c_str(), nullptr));
    run(unlinkCommand(empty));
    EXPECT_FALSE(exists(empty));

    const Text full = makeInstallation("full " + name);
    EXPECT_NE(run(unlinkCommand(full)), "");
    EXPECT_TRUE(exists(phpExecutableIn(full)));
  }
}

TEST_F(Win32CommandRuns, NothingInAPathRunsAsACommand) {
  const Text version = makeInstallation("installation");
  // Run as a command, "echo INJ^ECTED" prints INJECTED; an error message
  // that merely quotes the path keeps the caret.
  const char* const hostile[] = {
      "x & echo INJ^ECTED",
      "x\" & echo INJ^ECTED & \"",  // refused: a quote would end the word
      "x | echo INJ^ECTED",        "x ^& echo INJ^ECTED", "x) & echo INJ^ECTED & (",
      "x & echo INJ^ECTED \\",  // ends in a backslash, just before the closing quote
  };
  for (const std::string name : hostile) {
    SCOPED_TRACE(name);
    const Text target = temp_ / name;
    for (const std::optional<Text>& command :
         {linkCommand(target, version), linkCommand(version, target), unlinkCommand(target),
          phpTestCommand(target), phpVersionCommand(target)}) {
      if (command) {
        EXPECT_EQ(runAndCapture(*command).find("INJECTED"), Text::npos) << *command;
      }
    }
  }
  EXPECT_TRUE(exists(phpExecutableIn(version)));
}

}  // namespace
}  // namespace phpswitch
