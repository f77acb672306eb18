// Console command runner on Win32: the command runs hidden under cmd.exe with
// stdout and stderr on one anonymous pipe and no stdin. The pipe is peeked and
// read in blocks of exactly the waiting size while the calling thread keeps
// dispatching its window messages.
//
// The end of the command is its process handle, never its exit code (a child
// may well exit with 259, STILL_ACTIVE). Once the process is seen to have
// ended, everything it wrote is in the pipe: that is read and the call
// returns, without waiting for a background program that inherited the pipe.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "system/runner.h"
#include "system/runner_internal.h"
#include "system/win32/win32_runner_internal.h"

namespace phpswitch {
namespace {

// Slice of the fallback sleep when no waitable timer could be made.
constexpr ULONGLONG kFallbackSliceMs = 10;

// Pipe creation and process start of every call happen under this lock, so a
// child never inherits the pipe ends of a call running on another thread, and
// one call's restoring of the process-wide error mode cannot strip it from
// another call's start.
std::mutex& startLock() {
  static std::mutex lock;
  return lock;
}

bool processEnded(HANDLE process) {
  return process == nullptr || ::WaitForSingleObject(process, 0) != WAIT_TIMEOUT;
}

DWORD bytesWaiting(HANDLE pipe) {
  DWORD available = 0;
  if (pipe == nullptr || !::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return 0;
  return available;
}

// Reads one block of `size` bytes and keeps it up to its first zero byte.
void appendBlock(HANDLE pipe, DWORD size, Text& output) {
  const std::size_t start = output.size();
  output.resize(start + size);
  DWORD got = 0;
  if (!::ReadFile(pipe, output.data() + start, size, &got, nullptr)) got = 0;
  output.resize(start + ::strnlen(output.data() + start, got));
}

struct StartedChild {
  OwnedHandle process;
  OwnedHandle output;
};

StartedChild startChild(const Text& command) {
  Text commandLine = interpreterPrefix() + command;
  const std::lock_guard lock(startLock());
  OutputPipe pipe = createOutputPipe();

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = nullptr;
  startup.hStdOutput = pipe.write.get();
  startup.hStdError = pipe.write.get();
  PROCESS_INFORMATION info{};

  const UINT previousMode = ::SetErrorMode(kQuietErrorMode);
  ::SetErrorMode(previousMode | kQuietErrorMode);
  ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  ::SetErrorMode(previousMode);

  StartedChild child;
  child.process.reset(info.hProcess);
  OwnedHandle thread(info.hThread);
  // Closed while the lock is held: from here only the child holds it.
  pipe.write.reset();
  child.output = std::move(pipe.read);
  return child;
}

}  // namespace

OutputPipe createOutputPipe() {
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = nullptr;
  attributes.bInheritHandle = TRUE;
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!::CreatePipe(&read, &write, &attributes, 0)) return {};
  OutputPipe pipe{OwnedHandle(read), OwnedHandle(write)};
  // A child that inherited our read end as well would keep the pipe alive
  // after we are gone and could read its own output back.
  if (!::SetHandleInformation(pipe.read.get(), HANDLE_FLAG_INHERIT, 0)) return {};
  return pipe;
}

void dispatchNativeMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
    if (message.message == WM_QUIT) return;
    if (!::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return;
    if (message.message == WM_QUIT) {
      // A quit message overtook the one we looked at: it must stay queued.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

Text interpreterPrefix() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  // The tool needs the NT family anyway: if the question fails, assume it.
#ifdef _MSC_VER
#pragma warning(suppress : 4996)  // deprecated for version checks; only the platform id is read
#endif
  if (!::GetVersionExA(&version) || version.dwPlatformId == VER_PLATFORM_WIN32_NT) return "cmd.exe /c ";
  return "command.com /c ";
}

Text runAndCapture(const Text& command) {
  const StartedChild child = startChild(command);
  Text output;
  for (;;) {
    // Looked at before the pipe: once the process is seen to have ended, all
    // it wrote is already waiting there.
    const bool ended = processEnded(child.process.get());
    const DWORD available = bytesWaiting(child.output.get());
    if (available > 0) appendBlock(child.output.get(), available, output);
    if (ended) break;
    if (::GetInputState()) dispatchPendingMessages();
    // A pass that found data looks again at once.
    if (available == 0) waitPumping(1);
  }
  return output;
}

bool waitPumpingOn(HANDLE timer, std::int64_t milliseconds) {
  // <chrono> cannot be used here: its "µs" has no code-page-936 form.
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  if (timer != nullptr) {
    for (;;) {
      const DWORD result = ::MsgWaitForMultipleObjects(1, &timer, FALSE, INFINITE, QS_ALLINPUT);
      if (result == WAIT_OBJECT_0) return true;
      if (result == WAIT_FAILED) break;
      dispatchPendingMessages();
    }
  }
  // Never spin: sleep in short slices, dispatching in between.
  for (;;) {
    dispatchPendingMessages();
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return true;
    ::Sleep(static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kFallbackSliceMs)));
  }
}

bool waitPumping(std::int32_t interval, int unit) {
  const std::int64_t milliseconds = waitMilliseconds(interval, unit);
  // A negative due time is relative to now, in units of 100 ns.
  LARGE_INTEGER dueTime;
  dueTime.QuadPart = -milliseconds * 10000;
  OwnedHandle timer(::CreateWaitableTimerA(nullptr, FALSE, nullptr));
  if (timer && !::SetWaitableTimer(timer.get(), &dueTime, 0, nullptr, nullptr, FALSE)) timer.reset();
  return waitPumpingOn(timer.get(), milliseconds);
}

}  // namespace phpswitch
