// The POSIX environment accessor against KEY=value files in a temporary
// folder: reading, the process-environment fallback and how a failed read is
// told apart, writes that keep every other line, quoting that reads back
// byte for byte, atomic replacement, and the process facts.
#include "system/environment.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/file_system_temp_tree.h"

namespace phpswitch {
namespace {

using file_system_support::TempTree;

// A variable of the test's own process, set for one test.
class ScopedProcessVariable {
 public:
  ScopedProcessVariable(const char* name, const std::string& value) : name_(name) {
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedProcessVariable() { ::unsetenv(name_); }

 private:
  const char* name_;
};

class EnvironmentFiles : public ::testing::Test {
 protected:
  std::unique_ptr<SystemEnvironment> environment() const {
    return makeSystemEnvironment(
        {tree.path("etc/environment"), tree.path("config/environment.d/50-phpswitch.conf")});
  }
  void writeMachineFile(const std::string& content) const { tree.writeFile("etc/environment", content); }
  std::string machineFile() const { return tree.readFile("etc/environment"); }

  TempTree tree;
};

TEST_F(EnvironmentFiles, ReadsTheFormsOfALine) {
  writeMachineFile(
      "# comment PLAIN=no\n"
      "\n"
      "PLAIN=/usr/local/bin:/usr/bin\n"
      "DOUBLE=\"two words\"\n"
      "SINGLE='it is \"quoted\"'\n"
      "  SPACED=  padded value  \r\n"
      "export EXPORTED=yes\n"
      "this line means nothing\n"
      "1BAD=number first\n"
      "TWICE=first\n"
      "TWICE=second\n"
      "HALF=\"open only\n"
      "LAST=no newline");
  const struct {
    const char* name;
    const char* value;
  } cases[] = {
      {"PLAIN", "/usr/local/bin:/usr/bin"},
      {"DOUBLE", "two words"},
      {"SINGLE", "it is \"quoted\""},
      {"SPACED", "padded value"},
      {"EXPORTED", "yes"},
      {"TWICE", "second"},
      {"HALF", "\"open only"},
      {"LAST", "no newline"},
      {"1BAD", ""},
      {"comment", ""},
  };
  auto env = environment();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const VariableRead read = env->readVariableChecked(false, c.name, false);
    EXPECT_EQ(read.value, c.value);
    EXPECT_EQ(read.source, ReadSource::Collection);
  }
  EXPECT_EQ(env->countVariables(false), 8);
}

TEST_F(EnvironmentFiles, WritingOneVariableKeepsEveryOtherLine) {
  const std::string original =
      "# machine-wide variables\n"
      "LANG=C.UTF-8\n"
      "garbage without equals\n"
      "PATH=\"/usr/bin:/bin\"\n"
      "\n"
      "EDITOR=vi";  // no final newline
  writeMachineFile(original);
  auto env = environment();

  ASSERT_TRUE(env->writeVariable(false, "PATH", "/usr/bin:/bin:/opt/php"));
  EXPECT_EQ(machineFile(),
            "# machine-wide variables\nLANG=C.UTF-8\ngarbage without "
            "equals\nPATH=/usr/bin:/bin:/opt/php\n\nEDITOR=vi");

  ASSERT_TRUE(env->writeVariable(false, "NEW", "x"));
  EXPECT_EQ(machineFile(),
            "# machine-wide variables\nLANG=C.UTF-8\ngarbage without equals\nPATH=/usr/bin:/bin:/opt/php\n\n"
            "EDITOR=vi\nNEW=x\n");

  ASSERT_TRUE(env->removeVariable(false, "LANG"));
  EXPECT_EQ(
      machineFile(),
      "# machine-wide variables\ngarbage without equals\nPATH=/usr/bin:/bin:/opt/php\n\nEDITOR=vi\nNEW=x\n");
  EXPECT_EQ(env->countVariables(false), 3);
}

TEST_F(EnvironmentFiles, RepeatedLinesBecomeOne) {
  writeMachineFile("PATH=/a\nX=1\nPATH=/b\nPATH=/c\n");
  auto env = environment();

  ASSERT_TRUE(env->writeVariable(false, "PATH", "/d"));
  EXPECT_EQ(machineFile(), "PATH=/d\nX=1\n");
  writeMachineFile("PATH=/a\nX=1\nPATH=/b\n");
  ASSERT_TRUE(env->removeVariable(false, "PATH"));  // no older line may come back
  EXPECT_EQ(machineFile(), "X=1\n");
}

TEST_F(EnvironmentFiles, EveryValueReadsBackByteForByte) {
  const std::string values[] = {
      "/usr/local/bin:/usr/bin",
      "",
      "two words",
      " leading",
      "trailing\t",
      "a#b",
      "#at start",
      "it's",
      "say \"hi\"",
      "both ' and \"",
      "'single'",
      "\"double\"",
      "'",
      "\"",
      "$HOME/bin:${PATH}",
      "back\\slash",
      "`date`",
      "a=b=c",
      "\xE4\xB8\xAD\xE6\x96\x87 \xE3\x80\x80",  // Chinese text and a full-width blank
      std::string(32767, 'p'),
  };
  auto env = environment();
  for (const std::string& value : values) {
    SCOPED_TRACE(value.substr(0, 40));
    ASSERT_TRUE(env->writeVariable(false, "VALUE", value));
    const VariableRead read = env->readVariableChecked(false, "VALUE", false);
    EXPECT_EQ(read.value, value);
    EXPECT_EQ(read.source, ReadSource::Collection);
    TextList list;
    ASSERT_EQ(env->listVariables(false, list), 1);
    EXPECT_EQ(textAt(list, 1), "VALUE=" + value);
  }
  // Plain values stay unquoted for every other reader of the file.
  ASSERT_TRUE(env->writeVariable(false, "VALUE", "/usr/bin:/opt/php-8.3"));
  EXPECT_EQ(machineFile(), "VALUE=/usr/bin:/opt/php-8.3\n");
}

TEST_F(EnvironmentFiles, RefusesWhatOneLineCannotHold) {
  writeMachineFile("KEEP=1\n");
  auto env = environment();

  for (const char* value : {"two\nlines", "carriage\rreturn"})
    EXPECT_FALSE(env->writeVariable(false, "X", value));
  for (const char* name : {"", "1X", "A B", "A=B", "A-B"})
    EXPECT_FALSE(env->writeVariable(false, name, "v")) << name;
  EXPECT_EQ(machineFile(), "KEEP=1\n");
}

TEST_F(EnvironmentFiles, MissingFileFallsBackToTheProcess) {
  const ScopedProcessVariable variable("PHPSWITCH_SYSFS_TEST_ONLY", "from the process");
  auto env = environment();

  const VariableRead fallback = env->readVariableChecked(false, "PHPSWITCH_SYSFS_TEST_ONLY");
  EXPECT_EQ(fallback.value, "from the process");
  EXPECT_EQ(fallback.source, ReadSource::ProcessEnvironment);
  EXPECT_EQ(env->readVariable(false, "PHPSWITCH_SYSFS_TEST_ONLY"), "from the process");

  const VariableRead direct = env->readVariableChecked(false, "PHPSWITCH_SYSFS_TEST_ONLY", false);
  EXPECT_EQ(direct.value, "");
  EXPECT_EQ(direct.source, ReadSource::Collection);
  EXPECT_EQ(env->readVariableChecked(false, "PHPSWITCH_SYSFS_NOWHERE").source, ReadSource::Collection);
  EXPECT_EQ(env->countVariables(false), 0);
  EXPECT_TRUE(env->removeVariable(false, "ABSENT"));
  EXPECT_FALSE(tree.exists("etc/environment"));
}

TEST_F(EnvironmentFiles, AnEmptyValueInTheFileFallsBackToo) {
  writeMachineFile("PHPSWITCH_SYSFS_TEST_ONLY=\n");
  const ScopedProcessVariable variable("PHPSWITCH_SYSFS_TEST_ONLY", "process");
  auto env = environment();

  const VariableRead read = env->readVariableChecked(false, "PHPSWITCH_SYSFS_TEST_ONLY");
  EXPECT_EQ(read.value, "process");
  EXPECT_EQ(read.source, ReadSource::ProcessEnvironment);
}

TEST_F(EnvironmentFiles, LongProcessValueIsReadWhole) {
  const std::string value = std::string(32766, 'x') + "!";
  const ScopedProcessVariable variable("PHPSWITCH_SYSFS_TEST_ONLY", value);
  EXPECT_EQ(environment()->readVariable(false, "PHPSWITCH_SYSFS_TEST_ONLY"), value);
}

// A file that is there but cannot be read is no empty collection: a Path
// action must not write the process's value back as the machine's.
TEST_F(EnvironmentFiles, UnreadableFileIsAFailedReadEvenWithFallback) {
  tree.makeDirectory("etc/environment");  // a folder where the file should be
  const ScopedProcessVariable variable("PHPSWITCH_SYSFS_TEST_ONLY", "process");
  auto env = environment();

  const VariableRead read = env->readVariableChecked(false, "PHPSWITCH_SYSFS_TEST_ONLY", true);
  EXPECT_EQ(read.source, ReadSource::Failed);
  EXPECT_EQ(read.value, "");
  EXPECT_FALSE(env->writeVariable(false, "PATH", "/usr/bin"));
  EXPECT_FALSE(env->removeVariable(false, "PATH"));
  EXPECT_EQ(env->countVariables(false), -1);
  TextList list{"kept"};
  EXPECT_EQ(env->listVariables(false, list), -1);
  EXPECT_EQ(list, TextList{"kept"});
  EXPECT_TRUE(std::filesystem::is_directory(tree.path("etc/environment")));
}

TEST_F(EnvironmentFiles, NoLocationIsNoCollection) {
  auto env = makeSystemEnvironment({});
  EXPECT_EQ(env->readVariableChecked(false, "PATH").source, ReadSource::Failed);
  EXPECT_FALSE(env->writeVariable(true, "X", "1"));
  EXPECT_EQ(env->countVariables(true), -1);
}

TEST_F(EnvironmentFiles, WriteFailsWhereTheFolderCannotBeMade) {
  tree.writeFile("blocker", "a file");
  auto env = makeSystemEnvironment({tree.path("blocker/environment"), {}});

  EXPECT_FALSE(env->writeVariable(false, "PATH", "/usr/bin"));
  EXPECT_EQ(tree.readFile("blocker"), "a file");
}

TEST_F(EnvironmentFiles, WriteFailsInAReadOnlyFolder) {
  writeMachineFile("PATH=/usr/bin\n");

  EXPECT_TRUE(file_system_support::withoutRootPrivileges(tree, [&] {
    ASSERT_EQ(::chmod(tree.path("etc").c_str(), 0500), 0);
    EXPECT_FALSE(environment()->writeVariable(false, "PATH", "/opt"));
    EXPECT_EQ(environment()->readVariable(false, "PATH"), "/usr/bin");  // still readable
    ::chmod(tree.path("etc").c_str(), 0700);
  }));
  EXPECT_EQ(machineFile(), "PATH=/usr/bin\n");
  EXPECT_EQ(tree.snapshot("etc").size(), 1u);
}

TEST_F(EnvironmentFiles, WritesAreAtomicAndKeepTheFileMode) {
  writeMachineFile("PATH=/usr/bin\n");
  ASSERT_EQ(::chmod(tree.path("etc/environment").c_str(), 0640), 0);
  // A second name for the original file: what a reader that opened it before
  // the writes still sees.
  ASSERT_EQ(::link(tree.path("etc/environment").c_str(), tree.path("as_read_before").c_str()), 0);
  auto env = environment();

  for (int i = 0; i < 5; ++i)
    ASSERT_TRUE(env->writeVariable(false, "PATH", "/usr/bin:/opt/" + std::to_string(i)));

  EXPECT_EQ(tree.readFile("as_read_before"), "PATH=/usr/bin\n");  // never rewritten in place
  EXPECT_EQ(machineFile(), "PATH=/usr/bin:/opt/4\n");
  struct stat after {};
  ASSERT_EQ(::stat(tree.path("etc/environment").c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(tree.snapshot("etc").size(), 1u) << "no temporary file may be left behind";
}

TEST_F(EnvironmentFiles, AFileReachedThroughALinkStaysLinked) {
  tree.writeFile("real/environment", "A=1\n");
  tree.makeDirectory("etc");
  ASSERT_TRUE(tree.makeLink("etc/environment", tree.path("real/environment")));
  auto env = environment();

  ASSERT_TRUE(env->writeVariable(false, "B", "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(tree.path("etc/environment")));
  EXPECT_EQ(tree.readFile("real/environment"), "A=1\nB=2\n");
}

TEST_F(EnvironmentFiles, UserAndMachineCollectionsAreSeparate) {
  writeMachineFile("WHERE=machine\n");
  auto env = environment();

  ASSERT_TRUE(env->writeVariable(true, "WHERE", "user"));  // makes the folder and the file
  EXPECT_EQ(env->readVariable(true, "WHERE"), "user");
  EXPECT_EQ(env->readVariable(false, "WHERE"), "machine");
  EXPECT_EQ(tree.readFile("config/environment.d/50-phpswitch.conf"), "WHERE=user\n");
  TextList list{"first"};
  EXPECT_EQ(env->listVariables(true, list), 2);
  EXPECT_EQ(list, (TextList{"first", "WHERE=user"}));
}

TEST(ProcessFacts, CommandLineDirectoryProgramAndInterpreter) {
  auto env = makeSystemEnvironment({});
  TextList arguments{"stale"};
  const auto& argv = ::testing::internal::GetArgvs();
  EXPECT_EQ(env->commandLineArguments(arguments), static_cast<int>(argv.size()) - 1);
  EXPECT_EQ(arguments.members(), std::vector<Text>(argv.begin() + 1, argv.end()));

  TempTree tree;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(tree.root());
  EXPECT_EQ(env->currentDirectory(), std::filesystem::canonical(tree.root()).string());
  std::filesystem::current_path(previous);

  const Text full = env->programPath(true);
  EXPECT_EQ(full, std::filesystem::canonical("/proc/self/exe").string());
  EXPECT_EQ(env->programPath(), std::filesystem::path(argv[0]).filename().string());

  const char* shell = std::getenv("SHELL");
  const std::string saved = shell ? shell : "";
  ::setenv("SHELL", "/bin/zsh", 1);
  EXPECT_EQ(env->commandInterpreter(), "/bin/zsh");
  ::unsetenv("SHELL");
  EXPECT_EQ(env->commandInterpreter(), "/bin/sh");
  if (shell) ::setenv("SHELL", saved.c_str(), 1);
}

TEST(DefaultLocations, FollowTheSystemsConventions) {
  const EnvironmentLocations locations = defaultEnvironmentLocations();
  EXPECT_EQ(locations.machineFile, "/etc/environment");
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if ((config == nullptr || config[0] != '/') && home != nullptr) {
    EXPECT_EQ(locations.userFile, std::string(home) + "/.config/environment.d/50-phpswitch.conf");
  }
}

}  // namespace
}  // namespace phpswitch
