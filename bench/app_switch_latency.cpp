// Switch latency: from the start of the switch handler until the new link
// exists and the status panel shows the command's answer, through the fake
// window with the real POSIX services, against `ln -sfn` run through /bin/sh
// alone. Prints figures and the ratio; asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/actions.h"
#include "support/fake_window.h"
#include "system/platform.h"
#include "system/program_directory.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using phpswitch::Text;

constexpr int kSwitches = 200;

// Confirms every question and notes when the middle panel is written.
class TimedWindow : public phpswitch::testing::FakeWindow {
 public:
  Clock::time_point panelSet;
  int messageBox(const Text& text, unsigned style, const Text& caption, bool owned) override {
    FakeWindow::messageBox(text, style, caption, owned);
    return 6;  // IDYES
  }
  void setPanelText(int panel, const Text& text) override {
    FakeWindow::setPanelText(panel, text);
    if (panel == 1) panelSet = Clock::now();
  }
};

double milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

struct Spread {
  double median, p90, best;
};

Spread spreadOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return {values[values.size() / 2], values[values.size() * 9 / 10], values.front()};
}

void runShell(const std::string& command) {
  char shell[] = "/bin/sh";
  char option[] = "-c";
  char* argv[] = {shell, option, const_cast<char*>(command.c_str()), nullptr};
  pid_t pid = 0;
  if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return;
  int status = 0;
  ::waitpid(pid, &status, 0);
}

void makeInstallation(const fs::path& folder) {
  fs::create_directories(folder);
  std::ofstream(folder / "php") << "#!/bin/sh\necho 'PHP 7.0.3 (cli)'\n";
  fs::permissions(folder / "php", fs::perms::owner_all, fs::perm_options::add);
}

}  // namespace

int main() {
  char pattern[] = "/tmp/phpswitch-bench-switch-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 1;
  const fs::path folder = pattern;
  const Text versions[] = {(folder / "php-7.0.3").string(), (folder / "php-8.2.0").string()};
  for (const Text& version : versions) makeInstallation(version);
  const Text target = (folder / "target").string();

  TimedWindow window;
  phpswitch::useProgramDirectory(folder.string());
  phpswitch::AppContext app{window, folder.string(), {}, {}};
  app.settingsReady = true;  // each switch also saves the fields, as after start-up
  window.setControlText("编辑框_目标路径", target);

  std::vector<double> untilPanel;
  std::vector<double> wholeHandler;
  for (int i = 0; i < kSwitches; ++i) {
    const Text& version = versions[i % 2];
    window.setControlText("编辑框_模拟路径", version);
    const Clock::time_point start = Clock::now();
    phpswitch::switchVersion(app);
    const Clock::time_point end = Clock::now();
    if (fs::read_symlink(target) != version) {
      std::fprintf(stderr, "switch %d did not link %s\n", i, version.c_str());
      return 1;
    }
    untilPanel.push_back(milliseconds(window.panelSet - start));
    wholeHandler.push_back(milliseconds(end - start));
  }

  std::vector<double> bare;
  for (int i = 0; i < kSwitches; ++i) {
    const std::string command =
        "ln -sfn " + *phpswitch::quotedPath(versions[i % 2]) + " " + *phpswitch::quotedPath(target);
    const Clock::time_point start = Clock::now();
    runShell(command);
    bare.push_back(milliseconds(Clock::now() - start));
  }

  const Spread panel = spreadOf(untilPanel);
  const Spread handler = spreadOf(wholeHandler);
  const Spread shell = spreadOf(bare);
  std::printf("switch latency, %d switches between two installations (ms)\n", kSwitches);
  std::printf("  %-38s %8s %8s %8s\n", "", "median", "p90", "best");
  std::printf("  %-38s %8.3f %8.3f %8.3f\n", "handler start -> link and panel set", panel.median, panel.p90,
              panel.best);
  std::printf("  %-38s %8.3f %8.3f %8.3f\n", "whole handler (and the settings save)", handler.median,
              handler.p90, handler.best);
  std::printf("  %-38s %8.3f %8.3f %8.3f\n", "ln -sfn through /bin/sh alone", shell.median, shell.p90,
              shell.best);
  std::printf("  ratio switch / ln -sfn (median): %.2f\n", panel.median / shell.median);

  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return 0;
}
