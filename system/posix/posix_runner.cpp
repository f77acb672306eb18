// Console command runner on POSIX: /bin/sh -c runs the command in a session of
// its own, stdin from /dev/null, stdout and stderr joined on one pipe. The pipe
// is polled with a short wait while the calling thread's message pump runs.
//
// The end of the command is its pid, never the end of the pipe: a background
// job of the command may keep the pipe open for as long as it likes. Once
// waitpid has reaped the shell, everything it wrote is already in the pipe, so
// exactly the bytes waiting at that moment are read and the call returns; what
// a surviving background job writes later is not waited for. This bound is what
// keeps a command like "server &" from hanging the caller forever.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "system/posix/posix_files.h"
#include "system/runner.h"
#include "system/runner_internal.h"

extern char** environ;

namespace phpswitch {
namespace {

constexpr int kPollMs = 1;
// How often waitPumping runs an installed pump while it waits.
constexpr std::chrono::milliseconds kPumpSlice{1};

// A descriptor that becomes readable when the child ends (Linux 5.3 on), so
// that the wait wakes at once instead of at its next look. Invalid where the
// kernel has none; the 1 ms looks then find the end alone.
FileDescriptor openProcessFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return FileDescriptor(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#else
  (void)pid;
  return FileDescriptor();
#endif
}

// A spawned child that is always reaped: by the loop normally, by the
// destructor if the caller's message pump throws while we wait.
class Child {
 public:
  explicit Child(pid_t pid) : pid_(pid) {}
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    while (!ended_) ended_ = reap(0);
  }

  // True once the child has ended and been reaped (or cannot be waited for).
  bool ended() {
    if (!ended_) ended_ = reap(WNOHANG);
    return ended_;
  }

 private:
  bool reap(int options) {
    for (;;) {
      int status = 0;
      const pid_t r = ::waitpid(pid_, &status, options);
      if (r == pid_) return true;
      if (r == 0) return false;
      if (errno == EINTR) continue;
      // ECHILD: someone ignores SIGCHLD (the kernel reaps for us) or reaped it.
      return true;
    }
  }

  pid_t pid_;
  bool ended_ = false;
};

struct OutputPipe {
  FileDescriptor read;
  FileDescriptor write;
};

// Both ends close on exec: the write end reaches the child only through the
// dup2 onto 1 and 2, and no child of another call inherits either end.
OutputPipe createOutputPipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {};
  OutputPipe pipe{FileDescriptor(fds[0]), FileDescriptor(fds[1])};
  // With 0, 1 or 2 closed in this process a pipe end could land on them, and a
  // dup2 onto itself would keep its close-on-exec flag in the child.
  for (FileDescriptor* end : {&pipe.read, &pipe.write}) {
    if (end->get() < 3) end->reset(::fcntl(end->get(), F_DUPFD_CLOEXEC, 3));
  }
  if (!pipe.read || !pipe.write) return {};
  return pipe;
}

class SpawnActions {
 public:
  SpawnActions() { ::posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { ::posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
 public:
  SpawnAttributes() { ::posix_spawnattr_init(&attributes_); }
  ~SpawnAttributes() { ::posix_spawnattr_destroy(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  posix_spawnattr_t* get() { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

// /bin/sh -c command with stdin from /dev/null and stdout, stderr on `output`.
// -1 when the shell cannot be started.
pid_t spawnShell(const Text& command, int output) {
  SpawnActions actions;
  ::posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_adddup2(actions.get(), output, 1);
  ::posix_spawn_file_actions_adddup2(actions.get(), output, 2);

  // A session of its own: no controlling terminal, and no terminal signal of
  // ours reaches it. Signal mask and SIGPIPE are reset, since an ignored
  // SIGPIPE would be inherited across exec and break pipelines like "yes | head".
  SpawnAttributes attributes;
  sigset_t noSignals;
  sigemptyset(&noSignals);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  ::posix_spawnattr_setsigmask(attributes.get(), &noSignals);
  ::posix_spawnattr_setsigdefault(attributes.get(), &defaults);
  ::posix_spawnattr_setflags(attributes.get(),
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  char shell[] = "sh";
  char option[] = "-c";
  char* argv[] = {shell, option, const_cast<char*>(command.c_str()), nullptr};
  pid_t pid = -1;
  if (::posix_spawn(&pid, "/bin/sh", actions.get(), attributes.get(), argv, environ) != 0) return -1;
  return pid;
}

int bytesWaiting(int fd) {
  int available = 0;
  if (::ioctl(fd, FIONREAD, &available) != 0) return 0;
  return available;
}

// Reads one block of `size` bytes and keeps it up to its first zero byte.
void appendBlock(int fd, int size, Text& output) {
  const std::size_t start = output.size();
  output.resize(start + static_cast<std::size_t>(size));
  ssize_t got;
  do {
    got = ::read(fd, output.data() + start, static_cast<std::size_t>(size));
  } while (got < 0 && errno == EINTR);
  const std::size_t kept = got > 0 ? ::strnlen(output.data() + start, static_cast<std::size_t>(got)) : 0;
  output.resize(start + kept);
}

// Waits up to kPollMs for data on `pipe` (-1: none is awaited any more) or for
// the end of the child (`process`, -1 when unknown). True when every writer of
// the pipe has gone and nothing is left to read: it will never become readable
// again and must not be polled any more.
bool waitForDataOrEnd(int pipe, int process) {
  pollfd entries[2] = {{pipe, POLLIN, 0}, {process, POLLIN, 0}};
  // Entries with a negative descriptor are ignored; with both, this is a sleep.
  if (::poll(entries, 2, kPollMs) <= 0) return false;  // timeout or EINTR: look again
  const short events = entries[0].revents;
  return pipe >= 0 && (events & (POLLHUP | POLLERR | POLLNVAL)) != 0 && (events & POLLIN) == 0;
}

}  // namespace

void dispatchNativeMessages() {}

Text interpreterPrefix() {
  return "/bin/sh -c ";
}

Text runAndCapture(const Text& command) {
  OutputPipe pipe = createOutputPipe();
  if (!pipe.read) return {};
  const pid_t pid = spawnShell(command, pipe.write.get());
  pipe.write.reset();  // only the child holds it now
  if (pid < 0) return {};
  Child child(pid);
  const FileDescriptor processFd = openProcessFd(pid);

  Text output;
  bool hungUp = false;
  for (;;) {
    // Looked at before the pipe: once the child is seen to have ended, all it
    // wrote is already waiting there.
    const bool ended = child.ended();
    const int available = hungUp ? 0 : bytesWaiting(pipe.read.get());
    if (available > 0) appendBlock(pipe.read.get(), available, output);
    if (ended) break;
    dispatchPendingMessages();
    if (available > 0) continue;
    // After a hang-up the command has closed its output but may still run.
    if (waitForDataOrEnd(hungUp ? -1 : pipe.read.get(), processFd.get())) hungUp = true;
  }
  return output;
}

bool waitPumping(std::int32_t interval, int unit) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds(interval, unit));
  for (;;) {
    dispatchPendingMessages();
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return true;
    const auto left = deadline - now;
    // Without a pump there is nothing to run in between: one plain sleep.
    std::this_thread::sleep_for(
        messagePumpInstalled() ? std::min<std::chrono::steady_clock::duration>(left, kPumpSlice) : left);
  }
}

}  // namespace phpswitch
