// Fixtures for the flows on POSIX: a temporary folder that holds the program
// directory, the environment files and fake PHP installations, and a test base
// that runs the App in it through the fake window.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/app.h"
#include "support/fake_window.h"

namespace phpswitch::testing {

// A folder made with mkdtemp under /tmp, removed with everything in it (links
// as links) at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const Text& path() const { return path_; }
  Text operator/(const Text& name) const { return path_ + "/" + name; }

 private:
  Text path_;
};

void makeFolder(const Text& path);
void writeFile(const Text& path, const Text& content);
Text readFile(const Text& path);  // "" when missing
bool exists(const Text& path);    // links not followed
bool isLinkTo(const Text& link, const Text& destination);
void makeLink(const Text& link, const Text& destination);

// A PHP installation: an executable `php` that prints `version` for -r and
// phpBanner(version) for -v, plus a few files and a subfolder.
void makeInstallation(const Text& folder, const Text& version);
Text phpBanner(const Text& version);

// Every entry below `folder`, links not followed: its relative path, its kind
// and a file's content or a link's destination, sorted.
std::vector<Text> snapshot(const Text& folder);

class AppFlow : public ::testing::Test {
 protected:
  AppFlow();
  ~AppFlow() override;

  // Makes the App over the fake window and opens the window (start-up runs).
  void startApp(EnvironmentFactory makeEnvironment = {});
  Text settingsFile() const { return programDir + "/data/setsoft.ini"; }
  Text targetText() { return window.controlText("编辑框_目标路径"); }
  Text versionText() { return window.controlText("编辑框_模拟路径"); }

  TempFolder temp;
  Text programDir;
  EnvironmentLocations environment;
  Text target;   // the target field's text at start: <temp>/target, nothing there
  Text version;  // the version field's text at start: <temp>/php-7.0.3, not made
  FakeWindow window;
  std::unique_ptr<App> app;

 private:
  Text savedDirectory_;
};

}  // namespace phpswitch::testing
