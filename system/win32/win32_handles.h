// Owners of Windows handles: OwnedHandle for kernel objects (CloseHandle),
// FindHandle for FindFirstFile searches (FindClose). INVALID_HANDLE_VALUE,
// what CreateFile and FindFirstFile give on failure, is taken as no handle.
#pragma once

#include <windows.h>

#include <utility>

namespace phpswitch {

template <BOOL(WINAPI* closeHandle)(HANDLE)>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) { reset(handle); }
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { reset(); }

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset(HANDLE handle = nullptr) {
    if (handle_ != nullptr) closeHandle(handle_);
    handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

using OwnedHandle = ScopedHandle<&::CloseHandle>;
using FindHandle = ScopedHandle<&::FindClose>;

}  // namespace phpswitch
