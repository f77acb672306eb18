// The Win32 command runner under cmd.exe, with a stand-in child built beside
// this test: what comes back, the end of a child that exits with 259, the
// pipe's inheritance, the error mode a child starts with, threads, and the
// message dispatch while waiting (hook, native loop, timer fallback).
#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "system/program_directory.h"
#include "system/runner.h"
#include "system/win32/win32_runner_internal.h"

namespace phpswitch {
namespace {

struct PumpGuard {
  ~PumpGuard() { installMessagePump(nullptr); }
};

Text standIn() {
  return folderOfExecutable(executablePath()) + "\\system_runner_stand_in.exe";
}

// The stand-in with `arguments`, in the outer quotes cmd /c strips.
Text standInCommand(const Text& arguments) {
  return "\"\"" + standIn() + "\" " + arguments + "\"";
}

std::string repeatLines(const std::string& line, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += line + "\r\n";
  return out;
}

// Empties this thread's queue, WM_QUIT included.
void drainQueue() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

TEST(Win32Runner, InterpreterIsCmdOnTheNtFamily) {
  EXPECT_EQ(interpreterPrefix(), "cmd.exe /c ");
}

TEST(Win32Runner, OutputTable) {
  ASSERT_EQ(::GetFileAttributesA(standIn().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << standIn();
  struct Case {
    Text command;
    std::string output;
  } cases[] = {
      {"echo hello", "hello\r\n"},
      {"rem prints nothing", ""},
      {"echo out& echo err>&2& echo out2", "out\r\nerr\r\nout2\r\n"},
      {standInCommand("--stderr"), "out1\r\nerr\r\nout2\r\n"},
      // a zero byte ends its block
      {standInCommand("--zero"), "ab"},
      // the child has no stdin: a read fails at once instead of waiting
      {standInCommand("--stdin"), "no input"},
      {standInCommand("-r \"echo PHP_VERSION;\""), "7.0.3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(runAndCapture(c.command), c.output);
  }
}

TEST(Win32Runner, ChildExitingWith259EndsTheWait) {
  // First make sure cmd really ends with 259 here (STILL_ACTIVE), so that an
  // exit-code test would wait for it forever.
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  char commandLine[] = "cmd.exe /c exit 259";
  ASSERT_TRUE(::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &info));
  ::WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(info.hProcess, &code);
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  ASSERT_EQ(code, STILL_ACTIVE);

  EXPECT_EQ(runAndCapture("exit 259"), "");
  EXPECT_EQ(runAndCapture("echo last& exit 259"), "last\r\n");
}

TEST(Win32Runner, MissingCommandGivesTheInterpretersMessage) {
  EXPECT_NE(runAndCapture("no-such-command-7f3a"), "");
}

TEST(Win32Runner, LargeOutputAndOutputLeftAtExitArriveWhole) {
  const Text big = runAndCapture(standInCommand("--bytes 1000000"));
  EXPECT_EQ(big.size(), 1000000u);
  EXPECT_EQ(big.find_first_not_of('x'), Text::npos);
  // Less than the pipe holds: written at once, the child is gone before it is read.
  for (int round = 0; round < 10; ++round) {
    ASSERT_EQ(runAndCapture(standInCommand("--bytes 3000")), std::string(3000, 'x')) << "round " << round;
  }
}

TEST(Win32Runner, OnlyTheChildsEndOfThePipeIsInheritable) {
  const OutputPipe pipe = createOutputPipe();
  ASSERT_TRUE(pipe.read);
  ASSERT_TRUE(pipe.write);
  DWORD readFlags = 0;
  DWORD writeFlags = 0;
  ASSERT_TRUE(::GetHandleInformation(pipe.read.get(), &readFlags));
  ASSERT_TRUE(::GetHandleInformation(pipe.write.get(), &writeFlags));
  EXPECT_EQ(readFlags & HANDLE_FLAG_INHERIT, 0u);
  EXPECT_EQ(writeFlags & HANDLE_FLAG_INHERIT, static_cast<DWORD>(HANDLE_FLAG_INHERIT));
}

TEST(Win32Runner, ChildStartsWithoutErrorDialogsAndOurModeIsKept) {
  auto childMode = [] {
    const Text mode = runAndCapture(standInCommand("--error-mode"));
    return mode.empty() ? ~0ul : std::stoul(mode);
  };
  // GoogleTest runs its tests quietly already: start from the loud mode.
  const UINT original = ::GetErrorMode();
  const UINT loud = original & ~kQuietErrorMode;
  ::SetErrorMode(loud);
  const unsigned long mode = childMode();
  const UINT after = ::GetErrorMode();
  // Only a fault if the system passes a process's error mode on to its
  // children at all, which Wine 8 does not.
  ::SetErrorMode(loud | kQuietErrorMode);
  const unsigned long inherited = childMode();
  ::SetErrorMode(original);

  EXPECT_EQ(after, loud);
  ASSERT_NE(mode, ~0ul);
  if ((inherited & kQuietErrorMode) != kQuietErrorMode) {
    GTEST_SKIP() << "children do not inherit the error mode here";
  }
  EXPECT_EQ(mode & kQuietErrorMode, kQuietErrorMode) << "the child started with error mode " << mode;
}

TEST(Win32Runner, TwoThreadsAtOnceEachGetTheirOwnOutput) {
  auto run = [](const std::string& word, std::string* result) {
    for (int round = 0; round < 4; ++round) {
      const Text output = runAndCapture(standInCommand("--repeat " + word + " 3000"));
      if (output != repeatLines(word, 3000)) {
        *result = "round " + std::to_string(round) + ": " + std::to_string(output.size()) + " bytes";
        return;
      }
    }
    *result = "ok";
  };
  std::string first, second;
  std::thread a(run, "first", &first);
  std::thread b(run, "second", &second);
  a.join();
  b.join();
  EXPECT_EQ(first, "ok");
  EXPECT_EQ(second, "ok");
}

TEST(Win32Runner, PumpRunsWhileWaitingAndMayRunCommandsItself) {
  PumpGuard guard;
  drainQueue();
  int posted = 0;
  Text inner;
  installMessagePump([&] {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      // A handler that starts a second command inside the wait of the first.
      if (message.message == WM_APP && ++posted == 1) inner = runAndCapture("echo inner");
    }
  });
  ASSERT_TRUE(::PostThreadMessageA(::GetCurrentThreadId(), WM_APP, 0, 0));
  EXPECT_EQ(runAndCapture(standInCommand("--sleep 300")), "slept");
  EXPECT_EQ(posted, 1);
  EXPECT_EQ(inner, "inner\r\n");
}

// A message-only window that counts what is dispatched to it.
class CountingWindow {
 public:
  CountingWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &CountingWindow::procedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "phpswitch runner counting window";
    ::RegisterClassA(&windowClass);
    window_ = ::CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    count_ = 0;
  }
  ~CountingWindow() { ::DestroyWindow(window_); }
  HWND get() const { return window_; }
  static int count() { return count_; }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
      ++count_;
      return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  static inline int count_ = 0;
  HWND window_;
};

TEST(Win32Dispatch, NativeLoopStopsBeforeAQuitMessage) {
  drainQueue();
  CountingWindow window;
  ASSERT_NE(window.get(), nullptr);
  ::PostMessageA(window.get(), WM_APP, 0, 0);
  ::PostThreadMessageA(::GetCurrentThreadId(), WM_QUIT, 7, 0);
  ::PostMessageA(window.get(), WM_APP, 0, 0);
  dispatchPendingMessages();
  EXPECT_EQ(CountingWindow::count(), 1);
  MSG message;
  ASSERT_TRUE(::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 7u);
  dispatchPendingMessages();
  EXPECT_EQ(CountingWindow::count(), 2);
  drainQueue();
}

TEST(Win32Dispatch, WaitPumpingDispatchesWhileTheTimerRuns) {
  drainQueue();
  CountingWindow window;
  ::PostMessageA(window.get(), WM_APP, 0, 0);
  ::PostMessageA(window.get(), WM_APP, 0, 0);
  ::PostQuitMessage(3);
  EXPECT_TRUE(waitPumping(30));
  EXPECT_EQ(CountingWindow::count(), 2);
  MSG message;
  ASSERT_TRUE(::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  drainQueue();
}

TEST(Win32Dispatch, FailedTimerFallsBackToSleepingTheInterval) {
  PumpGuard guard;
  drainQueue();
  int seen = 0;
  installMessagePump([&seen] {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ++seen;
  });
  ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP, 0, 0);
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_TRUE(waitPumpingOn(nullptr, 50));
  EXPECT_GE(::GetTickCount64() - start, 50u);
  EXPECT_EQ(seen, 1);

  // A wait that fails (a handle that is no waitable object) does the same.
  const ULONGLONG again = ::GetTickCount64();
  EXPECT_TRUE(waitPumpingOn(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x7ff0)), 20));
  EXPECT_GE(::GetTickCount64() - again, 20u);
}

}  // namespace
}  // namespace phpswitch
