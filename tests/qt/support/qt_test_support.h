// Shared pieces of the Qt window tests: one offscreen QApplication per test
// program and a WindowEvents recorder that stands in for the app.
#pragma once

#include <functional>
#include <ostream>
#include <utility>
#include <vector>

#include "app/window.h"

class QApplication;

namespace phpswitch::testing {

// Made on first use; offscreen unless QT_QPA_PLATFORM says otherwise.
QApplication& testApplication();

struct RecordedEvent {
  Text control;
  Event event;
  bool operator==(const RecordedEvent&) const = default;
};

inline void PrintTo(const RecordedEvent& recorded, std::ostream* out) {
  *out << recorded.control << ":" << static_cast<unsigned>(recorded.event);
}

class EventRecorder : public WindowEvents {
 public:
  std::vector<RecordedEvent> events;
  int created = 0;
  int destroyed = 0;
  std::function<void(const RecordedEvent&)> onEvent;  // runs inside the event, after recording

  void windowCreated() override { ++created; }
  void controlEvent(const Text& control, Event event) override {
    events.push_back({control, event});
    if (onEvent) onEvent(events.back());
  }
  void windowDestroyed() override { ++destroyed; }

  int count(const Text& control, Event event) const;
  std::vector<RecordedEvent> take() { return std::exchange(events, {}); }
};

}  // namespace phpswitch::testing
