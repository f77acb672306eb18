// The POSIX command runner against real /bin/sh commands: what comes back, how
// the child is started (stdin, descriptors, session), when the wait ends
// (exit, background jobs, closed output), signals, threads and the pump hook.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/runner_temp_folder.h"
#include "system/platform.h"
#include "system/program_directory.h"
#include "system/runner.h"

namespace phpswitch {
namespace {

using testing::HasSubstr;

// Started as PHPSWITCH_RUNNER_CHILD=blocks, this program is a child that
// writes three blocks with zero bytes, each only once the one before has been
// taken from the pipe, so that the runner sees exactly these blocks.
void writeBlocksAndExit() {
  for (const std::string& block :
       {std::string("ab\0cd", 5), std::string("ef\0gh", 5), std::string("ij", 2)}) {
    if (::write(1, block.data(), block.size()) != static_cast<ssize_t>(block.size())) std::_Exit(1);
    int waiting = 1;
    // FIONREAD works on the write end of a pipe too: it counts unread bytes.
    while (::ioctl(1, FIONREAD, &waiting) == 0 && waiting > 0) ::usleep(1000);
  }
  std::_Exit(0);
}

[[maybe_unused]] const bool kIsChild = [] {
  const char* mode = std::getenv("PHPSWITCH_RUNNER_CHILD");
  if (mode != nullptr && std::string(mode) == "blocks") writeBlocksAndExit();
  return false;
}();

struct PumpGuard {
  ~PumpGuard() { installMessagePump(nullptr); }
};

std::uint64_t fnv1a(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string repeatLines(const std::string& line, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += line + "\n";
  return out;
}

TEST(PosixRunner, OutputTable) {
  struct Case {
    const char* command;
    std::string output;
  } cases[] = {
      {"true", ""},
      {"echo hello", "hello\n"},
      {"printf 'no line end'", "no line end"},
      {"printf 'a\\r\\nb\\n\\n'", "a\r\nb\n\n"},
      // stdout and stderr share one pipe, in the order of the writes
      {"echo 1; echo 2 >&2; echo 3; echo 4 1>&2", "1\n2\n3\n4\n"},
      // a zero byte ends its block
      {"printf 'ab\\0cd'", "ab"},
      // stdin is empty at once: nothing to wait for
      {"cat; wc -c; echo done", "0\ndone\n"},
      // the exit code of the command plays no part, not even STILL_ACTIVE's
      {"echo x; exit 259", "x\n"},
      {"exit 3", ""},
      {"printf '\\344\\270\\255\\346\\226\\207'", "中文"},
      // the shell's own complaints are output too
      {"echo 'unterminated", "sh: 1: Syntax error: Unterminated quoted string\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(runAndCapture(c.command), c.output);
  }
}

TEST(PosixRunner, MissingCommandGivesTheShellsMessage) {
  const Text output = runAndCapture("no-such-command-7f3a");
  EXPECT_THAT(output, HasSubstr("no-such-command-7f3a"));
  EXPECT_THAT(output, HasSubstr("not found"));
}

TEST(PosixRunner, ZeroByteCutsOnlyItsOwnBlock) {
  const std::optional<Text> self = quotedPath(executablePath());
  ASSERT_TRUE(self);
  EXPECT_EQ(runAndCapture("PHPSWITCH_RUNNER_CHILD=blocks " + *self), "abefij");
}

TEST(PosixRunner, FiftyMegabytesArriveWhole) {
  const std::string line = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  constexpr std::size_t kSize = 50u << 20;
  std::string expected;
  expected.reserve(kSize + line.size() + 1);
  while (expected.size() < kSize) expected += line + "\n";
  expected.resize(kSize);

  const Text output = runAndCapture("yes " + line + " | head -c " + std::to_string(kSize));
  EXPECT_EQ(output.size(), kSize);
  EXPECT_EQ(fnv1a(output), fnv1a(expected));
}

TEST(PosixRunner, OutputLeftInThePipeAtExitIsKept) {
  // Less than a pipe holds: the shell writes it all and is gone before most is read.
  for (int round = 0; round < 20; ++round) {
    const Text output = runAndCapture("head -c 60000 /dev/zero | tr '\\0' y");
    ASSERT_EQ(output, std::string(60000, 'y')) << "round " << round;
  }
}

TEST(PosixRunner, BackgroundJobHoldingThePipeDoesNotHoldTheCaller) {
  // The job inherits the pipe and would keep it open for 30 s; the call ends
  // with the shell and keeps everything the shell itself wrote.
  const Text output = runAndCapture("echo before; sleep 30 & echo $!; echo after");
  std::istringstream lines(output);
  std::string before, pid, after;
  std::getline(lines, before);
  std::getline(lines, pid);
  std::getline(lines, after);
  EXPECT_EQ(before, "before");
  EXPECT_EQ(after, "after");
  const pid_t job = static_cast<pid_t>(std::atoi(pid.c_str()));
  ASSERT_GT(job, 1);
  EXPECT_EQ(::kill(job, 0), 0) << "the job should still be running";
  ::kill(job, SIGKILL);
}

TEST(PosixRunner, CommandThatClosesItsOutputIsStillWaitedFor) {
  runner_support::TempFolder temp;
  const Text done = *quotedPath(temp / "done");
  EXPECT_EQ(runAndCapture("echo first; exec >/dev/null 2>&1; sleep 0.2; echo > " + done), "first\n");
  EXPECT_TRUE(std::filesystem::exists(temp / "done"));
}

TEST(PosixRunner, ChildGetsNullStdinAndOnlyTheWriteEnd) {
  // Each descriptor of the shell with what it refers to; the pipe's read end
  // would show as a third descriptor on the same pipe.
  const Text output = runAndCapture(
      "for f in /proc/$$/fd/*; do l=$(readlink \"$f\") && printf '%s %s\\n' \"${f##*/}\" \"$l\"; done");
  std::istringstream lines(output);
  std::string fd, target, stdoutPipe;
  std::vector<std::string> pipeFds;
  std::string stdinTarget;
  std::vector<std::pair<std::string, std::string>> entries;
  while (lines >> fd >> target) entries.emplace_back(fd, target);
  for (const auto& [number, link] : entries) {
    if (number == "0") stdinTarget = link;
    if (number == "1") stdoutPipe = link;
  }
  ASSERT_THAT(stdoutPipe, testing::StartsWith("pipe:")) << output;
  for (const auto& [number, link] : entries) {
    if (link == stdoutPipe) pipeFds.push_back(number);
  }
  EXPECT_EQ(stdinTarget, "/dev/null");
  EXPECT_THAT(pipeFds, testing::ElementsAre("1", "2")) << output;
}

TEST(PosixRunner, ChildLeadsASessionWithoutTerminal) {
  // Fields of /proc/<pid>/stat: pid (comm) state ppid pgrp session tty_nr.
  const Text output = runAndCapture("cat /proc/$$/stat");
  std::istringstream fields(output);
  long pid = 0, ppid = 0, group = 0, session = -1, tty = -1;
  std::string comm, state;
  fields >> pid >> comm >> state >> ppid >> group >> session >> tty;
  ASSERT_GT(pid, 0) << output;
  EXPECT_EQ(session, pid);
  EXPECT_EQ(group, pid);
  EXPECT_EQ(tty, 0);
}

TEST(PosixRunner, SignalsWithoutRestartDoNotCutTheOutputOrTheWait) {
  struct sigaction quiet {};
  quiet.sa_handler = [](int) {};
  sigemptyset(&quiet.sa_mask);
  quiet.sa_flags = 0;  // no SA_RESTART: poll, read, waitpid and sleeps see EINTR
  struct sigaction previous {};
  ASSERT_EQ(::sigaction(SIGALRM, &quiet, &previous), 0);
  const itimerval often{{0, 500}, {0, 500}};
  ::setitimer(ITIMER_REAL, &often, nullptr);

  const Text output =
      runAndCapture("i=0; while [ $i -lt 300 ]; do echo line; i=$((i+1)); done; sleep 0.1; echo end");
  const auto start = std::chrono::steady_clock::now();
  waitPumping(50);
  const auto waited = std::chrono::steady_clock::now() - start;

  const itimerval off{};
  ::setitimer(ITIMER_REAL, &off, nullptr);
  ::sigaction(SIGALRM, &previous, nullptr);
  EXPECT_EQ(output, repeatLines("line", 300) + "end\n");
  EXPECT_GE(waited, std::chrono::milliseconds(50));
}

TEST(PosixRunner, IgnoredChildSignalDoesNotHangTheWait) {
  // With SIGCHLD ignored the kernel reaps the shell itself and waitpid fails.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  struct sigaction previous {};
  ASSERT_EQ(::sigaction(SIGCHLD, &ignore, &previous), 0);
  const Text output = runAndCapture("echo x; sleep 0.05; echo y");
  ::sigaction(SIGCHLD, &previous, nullptr);
  EXPECT_EQ(output, "x\ny\n");
}

TEST(PosixRunner, TwoThreadsAtOnceEachGetTheirOwnOutputAndLeaveNoZombie) {
  auto run = [](const std::string& word, std::string* result) {
    for (int round = 0; round < 3; ++round) {
      const Text output = runAndCapture("i=0; while [ $i -lt 2000 ]; do echo " + word + "; i=$((i+1)); done");
      if (output != repeatLines(word, 2000)) {
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
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(PosixRunner, PumpRunsWhileWaitingAndMayRunCommandsItself) {
  PumpGuard guard;
  int calls = 0;
  Text inner;
  installMessagePump([&] {
    ++calls;
    // A handler that starts a second command inside the wait of the first.
    if (calls == 1) inner = runAndCapture("echo inner");
  });
  const Text outer = runAndCapture("sleep 0.1; echo outer");
  EXPECT_EQ(outer, "outer\n");
  EXPECT_EQ(inner, "inner\n");
  EXPECT_GT(calls, 2);
}

TEST(PosixWaitPumping, WaitsTheIntervalAndPumpsMeanwhile) {
  PumpGuard guard;
  int calls = 0;
  installMessagePump([&calls] { ++calls; });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(waitPumping(60));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(60));
  EXPECT_GT(calls, 1);
}

}  // namespace
}  // namespace phpswitch
