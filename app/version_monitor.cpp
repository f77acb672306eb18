// The version monitor's thread, its cycle and its sleeping wait.
#include "app/version_monitor.h"

#include <algorithm>
#include <optional>

#include "app/control_names.h"
#include "system/file_system.h"
#include "system/platform.h"
#include "system/runner.h"

namespace phpswitch {
namespace {

constexpr std::chrono::milliseconds kCycleWait{1000};
// Often enough that a message for this thread never waits noticeably.
constexpr std::chrono::milliseconds kDispatchInterval{50};

}  // namespace

void StopSignal::raise() {
  {
    std::lock_guard lock(mutex_);
    raised_ = true;
  }
  changed_.notify_all();
}

bool StopSignal::raised() const {
  std::lock_guard lock(mutex_);
  return raised_;
}

bool StopSignal::sleepUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  return changed_.wait_until(lock, deadline, [this] { return raised_; });
}

bool pauseBetweenCycles(StopSignal& stop, std::chrono::milliseconds length) {
  const auto deadline = std::chrono::steady_clock::now() + length;
  for (;;) {
    dispatchPendingMessages();
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return stop.raised();
    if (stop.sleepUntil(std::min(deadline, now + kDispatchInterval))) return true;
  }
}

void monitorCycle(Window& window) {
  Text label = "PHP文件丢失";
  if (fileExists(phpExecutableIn(window.controlText(controls::kTargetField)))) {
    // Read again: the field may have changed since, and the command follows it.
    const std::optional<Text> command = phpVersionCommand(window.controlText(controls::kTargetField));
    // A path the interpreter would expand is never run, here as in the actions.
    label = command ? concatTexts("PHP版本为:", runAndCapture(*command)) : Text("PHP版本未知:路径含有特殊字符");
  }
  window.setControlText(controls::kVersionLabel, label);
}

void VersionMonitor::start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { monitorPhpVersion(); });
}

void VersionMonitor::stop() {
  requestStop();
  if (thread_.joinable()) thread_.join();
}

void VersionMonitor::monitorPhpVersion() {
  while (!stop_.raised()) {
    monitorCycle(window_);
    if (pauseBetweenCycles(stop_, kCycleWait)) return;
    dispatchPendingMessages();
  }
}

}  // namespace phpswitch
