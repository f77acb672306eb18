// The app: reacts to the main window's events with the actions, runs the
// start-up sequence and owns the version monitor. Platform-free; the frontend
// delivers events on the window's thread and main wires in the real services.
#pragma once

#include <functional>
#include <memory>

#include "app/window.h"
#include "system/environment.h"

namespace phpswitch {

using EnvironmentFactory = std::function<std::unique_ptr<SystemEnvironment>(const EnvironmentLocations&)>;

struct AppServices {
  Text programDirectory;             // settings file and directory list are based on it
  EnvironmentLocations environment;  // where the machine-wide and user variables live
  EnvironmentFactory makeEnvironment = {};  // empty: makeSystemEnvironment
};

class App : public WindowEvents {
 public:
  // Makes the program directory the current directory and the base of the
  // settings file (an empty one: the executable's folder).
  App(Window& window, AppServices services);
  ~App() override;  // stops and joins the monitor (the process normally ends first)

  void windowCreated() override;  // the start-up sequence
  void controlEvent(const Text& control, Event event) override;
  void windowDestroyed() override;  // the end-of-process clean-up

  bool settingsReady() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace phpswitch
