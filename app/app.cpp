// The App: start-up, event dispatch and the end-of-process clean-up.
#include "app/app.h"

#include "app/actions.h"
#include "app/app_context.h"
#include "app/control_names.h"
#include "app/folder_picker.h"
#include "app/version_monitor.h"
#include "settings/settings.h"
#include "system/program_directory.h"

namespace phpswitch {

struct App::State {
  State(Window& window, AppServices services)
      : context{window, services.programDirectory.empty() ? programDirectory() : services.programDirectory,
                std::move(services.environment), std::move(services.makeEnvironment)},
        monitor(window) {}

  AppContext context;
  VersionMonitor monitor;
};

App::App(Window& window, AppServices services) : state_(std::make_unique<State>(window, std::move(services))) {
  // Relative paths in the fields and in the commands are taken from here.
  useProgramDirectory(state_->context.programDirectory);
  setCurrentDirectory(state_->context.programDirectory);
}

App::~App() = default;

void App::windowCreated() {
  AppContext& app = state_->context;
  // The restored texts raise text-changed, which saves nothing yet.
  loadFieldSettings(app.window);
  state_->monitor.start();
  fillDirectoryList(app);
  app.settingsReady = true;
}

void App::controlEvent(const Text& control, Event event) {
  AppContext& app = state_->context;
  const bool pathField = control == controls::kTargetField || control == controls::kVersionField;
  if (event == kClicked) {
    if (control == controls::kSwitchButton) switchVersion(app);
    if (control == controls::kDeleteButton) deleteLink(app);
    if (control == controls::kTestButton) testPhp(app);
    if (control == controls::kAddToPathButton) addTargetToPath(app);
    if (control == controls::kRemoveFromPathButton) removeTargetFromPath(app);
  } else if (event == kTextChanged && pathField) {
    saveIfReady(app);
  } else if (event == kLostFocus && pathField) {
    normalizePathField(app, control);
  } else if (event == kDoubleClicked && control == controls::kTargetField) {
    browseTargetPath(app);
  } else if (event == kDoubleClicked && control == controls::kVersionField) {
    browseVersionPath(app);
  } else if (event == kItemDoubleClicked && control == controls::kDirectoryList) {
    takeListSelection(app);
  }
}

void App::windowDestroyed() {
  // The process ends next; the monitor writes no more labels into a closed window.
  state_->monitor.requestStop();
  releaseInitialFolder();
}

bool App::settingsReady() const { return state_->context.settingsReady; }

}  // namespace phpswitch
