// What every action works with: the window, the program directory, the
// environment service and the settingsReady flag. One per App.
#pragma once

#include <atomic>
#include <memory>

#include "app/app.h"

namespace phpswitch {

struct AppContext {
  Window& window;
  Text programDirectory;
  EnvironmentLocations environmentLocations;
  EnvironmentFactory makeEnvironment;
  // Set once, at the end of start-up; from then on every field change saves.
  std::atomic<bool> settingsReady{false};

  std::unique_ptr<SystemEnvironment> environment() const {
    return makeEnvironment ? makeEnvironment(environmentLocations) : makeSystemEnvironment(environmentLocations);
  }
};

}  // namespace phpswitch
