// The app: reacts to the main window's events with the actions, runs the
// start-up sequence and owns the version monitor. Platform-free; the frontend
// delivers events on the window's thread and main wires in the real services.
#pragma once

#include <memory>

#include "app/window.h"
#include "system/environment.h"

namespace phpswitch {

struct AppServices {
  Text programDirectory;            // settings file and directory list are based on it
  EnvironmentLocations environment; // where the machine-wide and user variables live
};

class App : public WindowEvents {
 public:
  App(Window& window, AppServices services);
  ~App() override;  // stops and joins the monitor (the process normally ends first)

  void windowCreated() override;   // the start-up sequence
  void controlEvent(const Text& control, Event event) override;
  void windowDestroyed() override; // the end-of-process clean-up

  bool settingsReady() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace phpswitch
