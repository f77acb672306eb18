// The POSIX command lines, run for real through the runner in a temporary
// folder: hostile path names reach the tools unharmed and inject nothing, the
// link is never made inside an existing directory, and unlinking removes links
// and empty directories only.
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/runner_temp_folder.h"
#include "system/platform.h"
#include "system/runner.h"

namespace phpswitch {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

// A stand-in for php: answers -v and the version query, and says so when it
// was given anything else (a path split into words, a mangled argument).
constexpr const char* kFakePhp =
    "#!/bin/sh\n"
    "if [ \"$#\" -eq 1 ] && [ \"$1\" = -v ]; then\n"
    "  printf 'PHP 7.0.3 (cli) (built: Feb  2 2016)\\nCopyright (c) The PHP Group\\n'\n"
    "elif [ \"$#\" -eq 2 ] && [ \"$1\" = -r ] && [ \"$2\" = 'echo PHP_VERSION;' ]; then\n"
    "  printf 7.0.3\n"
    "else\n"
    "  printf 'unexpected arguments (%s)\\n' \"$#\"\n"
    "fi\n";

// Names that an unquoted or badly quoted path would turn into commands,
// globs, expansions or several words. Any injection creates "canary" in the
// current directory, which is the temporary folder.
const char* const kHostileNames[] = {
    "plain",
    "with blank",
    "it's",
    "say \"hi\"",
    "$(touch canary)",
    "`touch canary`",
    "; touch canary",
    "& touch canary &",
    "| touch canary",
    "'; touch canary; '",
    "$HOME and ${PATH}",
    "* and ?",
    "~",
    "line\nbreak; touch canary",
    "tab\there",
    "back\\slash \\n",
    "%s %n",
    "中文 目录",
    "-rf",
};

class PosixCommands : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(temp_.path().empty());
    previous_ = fs::current_path();
    fs::current_path(temp_.path());
  }
  void TearDown() override {
    fs::current_path(previous_);
    EXPECT_FALSE(fs::exists(temp_ / "canary")) << "a path was run as a command";
  }

  std::string path(const std::string& name) const { return temp_ / name; }

  // A PHP installation: a folder with the fake php in it.
  std::string makeInstallation(const std::string& name) const {
    const std::string folder = path(name);
    fs::create_directories(folder);
    const std::string php = phpExecutableIn(folder);
    std::ofstream(php) << kFakePhp;
    fs::permissions(php, fs::perms::owner_all);
    return folder;
  }

  static Text run(const std::optional<Text>& command) {
    EXPECT_TRUE(command.has_value());
    return command ? runAndCapture(*command) : Text();
  }

  runner_support::TempFolder temp_;
  fs::path previous_;
};

TEST(PosixQuotedPath, SingleQuotesAndTheirEscape) {
  EXPECT_EQ(quotedPath(""), "''");
  EXPECT_EQ(quotedPath("/opt/php target"), "'/opt/php target'");
  EXPECT_EQ(quotedPath("it's"), "'it'\\''s'");
  EXPECT_EQ(quotedPath("''"), "''\\'''\\'''");
}

TEST_F(PosixCommands, HostileNamesComeBackFromTheShellUnchanged) {
  for (const std::string name : kHostileNames) {
    SCOPED_TRACE(name);
    const std::optional<Text> quoted = quotedPath(name);
    ASSERT_TRUE(quoted);
    EXPECT_EQ(runAndCapture("printf '%s' " + *quoted), name);
  }
}

TEST_F(PosixCommands, LinkTestVersionAndUnlinkWithHostileNames) {
  for (const std::string name : kHostileNames) {
    SCOPED_TRACE(name);
    const std::string version = makeInstallation(name + " php-7.0.3");
    const std::string target = path(name + " target");

    EXPECT_EQ(run(linkCommand(target, version)),
              "symbolic link created for " + target + " <<===>> " + version + "\n");
    ASSERT_TRUE(fs::is_symlink(target));
    EXPECT_EQ(fs::read_symlink(target), version);

    EXPECT_EQ(run(phpTestCommand(target)),
              "PHP 7.0.3 (cli) (built: Feb  2 2016)\nCopyright (c) The PHP Group\n");
    EXPECT_EQ(run(phpVersionCommand(target)), "7.0.3");

    EXPECT_EQ(run(unlinkCommand(target)), "");
    EXPECT_FALSE(fs::exists(fs::symlink_status(target)));
    EXPECT_TRUE(fs::exists(phpExecutableIn(version)));
  }
}

// The fake php is a script: its path also reaches /bin/sh as an argument,
// where a leading dash would be taken for an option.
TEST_F(PosixCommands, RelativeNamesWithLeadingDashesAreNotOptions) {
  makeInstallation("-v");
  EXPECT_EQ(run(linkCommand("--target", "-v")), "symbolic link created for --target <<===>> -v\n");
  EXPECT_EQ(fs::read_symlink(path("--target")), "-v");
  EXPECT_EQ(run(phpVersionCommand("--target")), "7.0.3");
  EXPECT_EQ(run(unlinkCommand("--target")), "");
  EXPECT_FALSE(fs::exists(fs::symlink_status(path("--target"))));
  fs::create_directory(path("-empty"));
  EXPECT_EQ(run(unlinkCommand("-empty")), "");
  EXPECT_FALSE(fs::exists(path("-empty")));
}

TEST_F(PosixCommands, MissingPhpGivesTheShellsMessage) {
  fs::create_directory(path("empty"));
  const Text output = run(phpVersionCommand(path("empty")));
  EXPECT_THAT(output, HasSubstr("/empty/php"));
  EXPECT_THAT(output, HasSubstr("not found"));
}

TEST_F(PosixCommands, LinkIsNeverMadeOverOrInsideWhatStandsThere) {
  const std::string version = makeInstallation("php-8.3");
  const std::string other = makeInstallation("php-5.6");
  enum class Before { EmptyDirectory, FullDirectory, LinkToOther, File };
  for (const Before before :
       {Before::EmptyDirectory, Before::FullDirectory, Before::LinkToOther, Before::File}) {
    SCOPED_TRACE(static_cast<int>(before));
    const std::string target = path("target " + std::to_string(static_cast<int>(before)));
    switch (before) {
      case Before::EmptyDirectory:
        fs::create_directory(target);
        break;
      case Before::FullDirectory:
        fs::create_directory(target);
        std::ofstream(target + "/keep") << "x";
        break;
      case Before::LinkToOther:
        fs::create_directory_symlink(other, target);
        break;
      case Before::File:
        std::ofstream(target) << "x";
        break;
    }
    const Text output = run(linkCommand(target, version));
    EXPECT_THAT(output, HasSubstr("File exists"));
    EXPECT_THAT(output, Not(HasSubstr("symbolic link created")));
    // Plain ln -s would have put a link named php-8.3 inside the directory.
    EXPECT_FALSE(fs::exists(fs::symlink_status(target + "/php-8.3")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(other + "/php-8.3")));
  }
  EXPECT_EQ(fs::read_symlink(path("target 2")), other);
}

TEST_F(PosixCommands, EmptyTargetFailsWithTheToolsMessage) {
  const std::string version = makeInstallation("php-8.3");
  const Text output = run(linkCommand("", version));
  EXPECT_THAT(output, HasSubstr("ln: "));
  EXPECT_THAT(output, Not(HasSubstr("symbolic link created")));
  EXPECT_THAT(run(unlinkCommand("")), HasSubstr("rmdir: "));
}

TEST_F(PosixCommands, UnlinkRemovesLinksAndEmptyDirectoriesOnly) {
  const std::string installation = makeInstallation("installation");
  std::ofstream(path("a file")) << "x";
  struct Case {
    const char* name;
    bool removed;
  } cases[] = {
      {"link to installation", true},
      {"dangling link", true},
      {"empty directory", true},
      {"full directory", false},
      {"file", false},
      {"link to a file", false},
      {"missing", false},
  };
  fs::create_directory_symlink(installation, path("link to installation"));
  fs::create_directory_symlink(path("nowhere"), path("dangling link"));
  fs::create_directory(path("empty directory"));
  fs::create_directory(path("full directory"));
  std::ofstream(path("full directory/.hidden")) << "x";
  std::ofstream(path("file")) << "x";
  fs::create_symlink(path("a file"), path("link to a file"));

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string target = path(c.name);
    const Text output = run(unlinkCommand(target));
    if (c.removed) {
      EXPECT_EQ(output, "");
      EXPECT_FALSE(fs::exists(fs::symlink_status(target)));
    } else {
      EXPECT_THAT(output, HasSubstr("rmdir: "));
      EXPECT_EQ(fs::exists(fs::symlink_status(target)), std::string(c.name) != "missing");
    }
  }
  EXPECT_TRUE(fs::exists(phpExecutableIn(installation)));
  EXPECT_TRUE(fs::exists(path("full directory/.hidden")));
  EXPECT_TRUE(fs::exists(path("a file")));
}

}  // namespace
}  // namespace phpswitch
