// The Windows environment accessor under whatever WScript.Shell the system
// has. Wine's shell object answers every collection from the process
// environment and refuses every write, so these tests hold there and on
// Windows alike. A process-local activation context that maps the ProgID to a
// class nobody serves stands in for a system without the shell object.
#include "system/environment.h"

#include <windows.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "support/file_system_temp_tree.h"

namespace phpswitch {
namespace {

using file_system_support::TempTree;

constexpr const char* kName = "PHPSWITCH_SYSFS_TEST_ONLY";

class ScopedProcessVariable {
 public:
  ScopedProcessVariable(const char* name, const std::string& value) : name_(name) {
    ::SetEnvironmentVariableA(name, value.c_str());
  }
  ~ScopedProcessVariable() { ::SetEnvironmentVariableA(name_, nullptr); }

 private:
  const char* name_;
};

// While alive, "WScript.Shell" names a class whose server does not exist.
class ShellObjectMissing {
 public:
  explicit ShellObjectMissing(const TempTree& tree) {
    const std::string manifest = tree.path("no_shell.manifest");
    std::ofstream(manifest) << R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="phpswitch.test.noshell" version="1.0.0.0"/>
  <file name="missing_shell.dll">
    <comClass clsid="{6B7E0D1E-0000-4000-8000-00000000BEEF}" progid="WScript.Shell" threadingModel="Apartment"/>
  </file>
</assembly>
)";
    ACTCTXA context{};
    context.cbSize = sizeof context;
    context.lpSource = manifest.c_str();
    context_ = ::CreateActCtxA(&context);
    if (context_ != INVALID_HANDLE_VALUE && !::ActivateActCtx(context_, &cookie_)) cookie_ = 0;
  }
  ~ShellObjectMissing() {
    if (cookie_ != 0) ::DeactivateActCtx(0, cookie_);
    if (context_ != INVALID_HANDLE_VALUE) ::ReleaseActCtx(context_);
  }
  bool active() const { return cookie_ != 0; }

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
};

TEST(Win32Environment, ReadsAVariableTheProcessHasAndSaysItWasRead) {
  const ScopedProcessVariable variable(kName, "C:\\php;D:\\php_target");
  auto environment = makeSystemEnvironment();

  for (bool user : {false, true}) {
    const VariableRead read = environment->readVariableChecked(user, kName);
    EXPECT_EQ(read.value, "C:\\php;D:\\php_target");
    // Windows finds it only in the process (fallback); Wine's collections are the process.
    EXPECT_NE(read.source, ReadSource::Failed);
  }
  EXPECT_EQ(environment->readVariable(false, "PHPSWITCH_SYSFS_NOWHERE"), "");
  EXPECT_EQ(environment->readVariableChecked(false, "PHPSWITCH_SYSFS_NOWHERE").source,
            ReadSource::Collection);
}

// Wine's shell object refuses every write. On Windows the write could reach
// the machine's real environment, which no test may touch.
TEST(Win32Environment, ARefusedWriteIsReportedAndNothingChanges) {
  if (!file_system_support::runningUnderWine()) GTEST_SKIP() << "would write this machine's environment";
  const ScopedProcessVariable variable(kName, "before");
  auto environment = makeSystemEnvironment();
  EXPECT_FALSE(environment->writeVariable(false, kName, "after"));
  EXPECT_FALSE(environment->writeVariable(true, kName, "after"));
  EXPECT_EQ(environment->readVariable(false, kName), "before");
  // A Remove that fails is not reported as done while the value is still there.
  EXPECT_FALSE(environment->removeVariable(false, kName));
  // Nothing to remove: the variable is not there afterwards.
  EXPECT_TRUE(environment->removeVariable(false, "PHPSWITCH_SYSFS_NOWHERE"));
}

TEST(Win32Environment, WithoutTheShellObjectEveryCallFailsAndNothingFallsBack) {
  TempTree tree;
  const ScopedProcessVariable variable(kName, "process value");
  auto environment = makeSystemEnvironment();
  const ShellObjectMissing missing(tree);
  ASSERT_TRUE(missing.active());

  // The process has a value, but a failed read must not pass it off as the machine's.
  const VariableRead read = environment->readVariableChecked(false, kName, true);
  EXPECT_EQ(read.source, ReadSource::Failed);
  EXPECT_EQ(read.value, "");
  EXPECT_FALSE(environment->writeVariable(false, kName, "x"));
  EXPECT_FALSE(environment->removeVariable(false, kName));
  EXPECT_EQ(environment->countVariables(false), -1);
  TextList list{"kept"};
  EXPECT_EQ(environment->listVariables(false, list), -1);
  EXPECT_EQ(list, TextList{"kept"});
}

TEST(Win32Environment, ProcessValuesAreReadWhole) {
  // COMSPEC is read as the fallback reads: a value beyond 256 bytes must come
  // back whole, never as a buffer of blanks or cut short.
  char saved[MAX_PATH] = {};
  ::GetEnvironmentVariableA("COMSPEC", saved, MAX_PATH);
  auto environment = makeSystemEnvironment();
  for (std::size_t size : {255u, 256u, 300u, 4096u, 32766u, 32767u}) {
    SCOPED_TRACE(size);
    const std::string value = "C:\\" + std::string(size - 5, 'c') + "\\x";
    // The wide call: Wine's SetEnvironmentVariableA crashes on 32,767 bytes.
    ASSERT_TRUE(::SetEnvironmentVariableW(L"COMSPEC", std::wstring(value.begin(), value.end()).c_str()));
    const Text read = environment->commandInterpreter();
    // Wine keeps at most 32,766 characters of a value: the 32,767th is gone
    // before anything reads it.
    if (size == 32767u && file_system_support::runningUnderWine()) continue;
    EXPECT_EQ(read.size(), size);
    EXPECT_TRUE(read == value);
  }
  ::SetEnvironmentVariableA("COMSPEC", saved);
}

TEST(Win32Environment, ProcessFacts) {
  auto environment = makeSystemEnvironment();
  char module[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, module, MAX_PATH);
  EXPECT_EQ(environment->programPath(true), module);
  EXPECT_EQ(environment->programPath(), "system_environment_test.exe");

  TempTree tree;
  char previous[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, previous);
  ::SetCurrentDirectoryA(tree.root().c_str());
  EXPECT_EQ(environment->currentDirectory(), tree.root());
  ::SetCurrentDirectoryA(previous);

  TextList arguments{"stale"};
  const auto& argv = ::testing::internal::GetArgvs();
  EXPECT_EQ(environment->commandLineArguments(arguments), static_cast<int>(argv.size()) - 1);
  EXPECT_EQ(arguments.members(), std::vector<Text>(argv.begin() + 1, argv.end()));
  environment->announceChange();  // returns: nothing hung may block it
}

// Run once more as a child with a Chinese argument: the child checks that the
// argument arrives in code page 936 bytes.
TEST(Win32Environment, ArgumentsArriveInCodePage936) {
  const std::string chinese = "\xD6\xD0\xCE\xC4 \xB2\xCE\xCA\xFD";  // 中文 参数
  if (::GetEnvironmentVariableA("PHPSWITCH_SYSFS_CHILD", nullptr, 0) > 0) {
    TextList arguments;
    ASSERT_EQ(makeSystemEnvironment()->commandLineArguments(arguments), 2);
    EXPECT_EQ(textAt(arguments, 2), chinese);
    return;
  }
  wchar_t program[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring commandLine =
      std::wstring(L"\"") + program +
      L"\" --gtest_filter=Win32Environment.ArgumentsArriveInCodePage936 \"\u4E2D\u6587 \u53C2\u6570\"";
  const ScopedProcessVariable child("PHPSWITCH_SYSFS_CHILD", "1");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(::CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 1;
  ::GetExitCodeProcess(process.hProcess, &exitCode);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  EXPECT_EQ(exitCode, 0u);
}

}  // namespace
}  // namespace phpswitch
