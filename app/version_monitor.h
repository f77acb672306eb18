// The PHP version monitor: a thread that, about once a second, asks the PHP at
// the target path for its version and shows the answer in 透明标签_PHP版本.
// Between cycles it sleeps; it does not spin a core while it waits.
#pragma once

// Not <chrono>: its formatting part holds a literal that GBK cannot encode;
// <condition_variable> brings the clocks and durations.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/window.h"

namespace phpswitch {

// A one-way flag that sleeping waits wake up for.
class StopSignal {
 public:
  void raise();
  bool raised() const;
  // Sleeps until `deadline` or until raised; true when raised.
  bool sleepUntil(std::chrono::steady_clock::time_point deadline);

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool raised_ = false;
};

// The wait between two cycles: `length` long, dispatching the thread's
// pending messages every few milliseconds and sleeping in between. True when
// `stop` was raised before the time was up.
bool pauseBetweenCycles(StopSignal& stop, std::chrono::milliseconds length);

// One cycle: "PHP版本为:" and the version that the target path's PHP prints,
// or "PHP文件丢失" when there is none.
void monitorCycle(Window& window);

class VersionMonitor {
 public:
  explicit VersionMonitor(Window& window) : window_(window) {}
  ~VersionMonitor() { stop(); }
  VersionMonitor(const VersionMonitor&) = delete;
  VersionMonitor& operator=(const VersionMonitor&) = delete;

  void start();
  void requestStop() { stop_.raise(); }  // ends after the cycle under way
  void stop();                           // requestStop, then wait for the thread

 private:
  void monitorPhpVersion();

  Window& window_;
  StopSignal stop_;
  std::thread thread_;
};

}  // namespace phpswitch
