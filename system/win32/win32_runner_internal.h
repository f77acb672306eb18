// Pieces of the Win32 command runner that its tests reach directly: the
// handle owner, the pipe with only the child's end inheritable, and the wait
// on a given timer (a null timer takes the fallback for a failed one).
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace phpswitch {

class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  ~OwnedHandle() { reset(); }

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset(HANDLE handle = nullptr) {
    if (handle_ != nullptr) ::CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

struct OutputPipe {
  OwnedHandle read;   // ours, not inheritable
  OwnedHandle write;  // the child's stdout and stderr, inheritable
};

// Both ends null when the pipe cannot be made.
OutputPipe createOutputPipe();

// The error mode set while a child starts, so that a missing DLL or an empty
// drive fails the start instead of showing a dialog nobody can answer. The
// child inherits it.
inline constexpr UINT kQuietErrorMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

// Waits until `timer` is signalled while dispatching the thread's messages.
// With no timer (or a wait that fails) it sleeps in short slices up to
// `milliseconds` after the call instead, still dispatching in between.
bool waitPumpingOn(HANDLE timer, std::int64_t milliseconds);

}  // namespace phpswitch
