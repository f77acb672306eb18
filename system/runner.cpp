// The platform-free part of the command runner: the per-thread message-pump
// hook and the interval arithmetic of waitPumping.
#include "system/runner.h"

#include <memory>
#include <utility>

#include "system/runner_internal.h"

namespace phpswitch {
namespace {

// Held by shared_ptr so a hook that replaces itself while it runs is not
// destroyed under its own feet.
thread_local std::shared_ptr<const MessagePump> installedPump;

}  // namespace

void installMessagePump(MessagePump pump) {
  installedPump = pump ? std::make_shared<const MessagePump>(std::move(pump)) : nullptr;
}

bool messagePumpInstalled() {
  return installedPump != nullptr;
}

void dispatchPendingMessages() {
  if (const std::shared_ptr<const MessagePump> pump = installedPump) {
    (*pump)();
    return;
  }
  dispatchNativeMessages();
}

std::int64_t waitMilliseconds(std::int32_t interval, int unit) {
  double perUnit = 1.0;
  switch (unit) {
    case 1:
      perUnit = 1000.0;
      break;
    case 2:
      perUnit = 60000.0;
      break;
    case 3:
      perUnit = 3600000.0;
      break;
    default:
      break;
  }
  const double ms = static_cast<double>(interval) * perUnit;
  if (ms <= 0.0) return 0;
  if (ms >= static_cast<double>(kLongestWaitMs)) return kLongestWaitMs;
  return static_cast<std::int64_t>(ms);
}

}  // namespace phpswitch
