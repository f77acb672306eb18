// Races on the fake window: the monitor, and two more threads running its
// cycle, ask the target path's PHP for its version while the window's thread
// switches, tests, deletes, edits PATH and types, and while a command runs
// the message pump starts further handlers nested inside it. The linux-tsan
// preset runs this under ThreadSanitizer; every build checks the end state.
#include <atomic>
#include <deque>
#include <functional>
#include <thread>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/app.h"
#include "app/version_monitor.h"
#include "settings/settings.h"
#include "support/fake_window.h"
#include "support/posix/app_fixture.h"
#include "system/environment.h"
#include "system/runner.h"

namespace phpswitch::testing {
namespace {

constexpr char kTargetField[] = "编辑框_目标路径";
constexpr char kVersionField[] = "编辑框_模拟路径";
constexpr char kLabel[] = "透明标签_PHP版本";


// A PHP whose -v takes a while, so that the window's thread pumps messages
// (and runs nested handlers) while it waits.
void makeSlowInstallation(const Text& folder, const Text& version) {
  makeFolder(folder);
  writeFile(folder + "/php",
            "#!/bin/sh\n"
            "case \"$1\" in\n"
            "  -r) printf '%s' '" +
                version +
                "' ;;\n"
                "  -v) sleep 0.05; printf 'PHP %s (cli)\\n' '" +
                version +
                "' ;;\n"
                "esac\n");
  ::chmod((folder + "/php").c_str(), 0755);
}

class RaceStress : public ::testing::Test {
 protected:
  RaceStress() : program(temp / "program"), environmentFile(temp / "environment"), target(temp / "target") {
    makeFolder(program);
    makeSlowInstallation(program + "/php-7.0.3", "7.0.3");
    makeSlowInstallation(program + "/php-8.1.0", "8.1.0");
    writeFile(environmentFile, "PATH=/usr/bin:/bin\n");
    window.presetText(kTargetField, target);
    window.presetText(kVersionField, program + "/php-7.0.3");
    app = std::make_unique<App>(window, AppServices{program, {environmentFile, temp / "user.conf"}});
    window.setEvents(app.get());
    window.open();
    // Each pump of a waiting command runs at most one queued user action,
    // and never from inside a nested one.
    installMessagePump([this] {
      if (depth_ > 0 || pending_.empty()) return;
      const std::function<void()> action = std::move(pending_.front());
      pending_.pop_front();
      ++depth_;
      action();
      --depth_;
      ++nested;
    });
  }

  ~RaceStress() override {
    installMessagePump(nullptr);
    app.reset();
  }

  // The index of `folder` in the directory list.
  int itemOf(const Text& folder) {
    const std::vector<Text> items = window.listItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i] == folder) return static_cast<int>(i);
    }
    return -1;
  }

  void whileRunning(std::function<void()> action) { pending_.push_back(std::move(action)); }
  void dropPending() { pending_.clear(); }

  TempFolder temp;
  Text program, environmentFile, target;
  ConfirmingWindow window;
  std::unique_ptr<App> app;
  int nested = 0;

 private:
  std::deque<std::function<void()>> pending_;
  int depth_ = 0;
};

TEST_F(RaceStress, MonitorCyclesOverlapSwitchesAndNestedHandlers) {
  const Text versions[] = {program + "/php-7.0.3", program + "/php-8.1.0"};
  ASSERT_GE(itemOf(versions[0]), 0);
  ASSERT_GE(itemOf(versions[1]), 0);

  std::atomic<bool> stop{false};
  std::vector<std::thread> monitors;
  for (int i = 0; i < 2; ++i) {
    monitors.emplace_back([&] {
      while (!stop) monitorCycle(window);
    });
  }

  constexpr int kRounds = 12;
  for (int round = 0; round < kRounds; ++round) {
    const Text version = versions[round % 2];
    const Text other = versions[(round + 1) % 2];
    window.doubleClickItem(itemOf(version));
    window.click("按钮_切换");
    // Nested inside the test command: a pick, a switch to the other version,
    // typing in the target field, PATH edits and a delete.
    whileRunning([this, other] { window.doubleClickItem(itemOf(other)); });
    whileRunning([this] { window.click("按钮_切换"); });
    whileRunning([this] { window.type(kTargetField, target); });
    whileRunning([this, round] { window.click(round % 2 ? "按钮1" : "按钮2"); });
    whileRunning([this] { window.click("按钮3"); });
    whileRunning([this, round] { window.click(round % 3 ? "按钮3" : "按钮_恢复"); });
    window.click("按钮3");
    window.click("按钮3");
  }
  stop = true;
  for (std::thread& monitor : monitors) monitor.join();
  EXPECT_GT(nested, kRounds) << "handlers ran nested inside waiting commands";

  // Whatever the interleaving, the last switch decides.
  dropPending();
  window.doubleClickItem(itemOf(versions[1]));
  window.click("按钮_切换");
  EXPECT_TRUE(isLinkTo(target, versions[1]));
  monitorCycle(window);
  EXPECT_EQ(window.controlText(kLabel), "PHP版本为:8.1.0");
  FakeWindow restored;
  loadFieldSettings(restored);
  EXPECT_EQ(restored.controlText(kTargetField), target);
  EXPECT_EQ(restored.controlText(kVersionField), versions[1]);
  const VariableRead path =
      makeSystemEnvironment({environmentFile, {}})->readVariableChecked(false, "PATH", false);
  EXPECT_EQ(path.source, ReadSource::Collection);
  EXPECT_EQ(path.value.rfind("/usr/bin:/bin", 0), 0u) << path.value;
}

// The app's own monitor thread runs while the window's thread keeps changing
// the target under it; closing the window stops it without a join from there.
TEST_F(RaceStress, TheAppsMonitorFollowsATargetThatKeepsChanging) {
  const Text versions[] = {program + "/php-7.0.3", program + "/php-8.1.0"};
  for (int round = 0; round < 40; ++round) {
    window.setControlText(kVersionField, versions[round % 2]);
    window.click("按钮_切换");
    window.setControlText(kTargetField, round % 5 ? target : temp / "elsewhere");
    waitPumping(30);
  }
  window.setControlText(kTargetField, target);
  const Text label = window.waitForText(kLabel, [&](const Text& text) {
    return text == "PHP版本为:" + Text(isLinkTo(target, versions[0]) ? "7.0.3" : "8.1.0");
  });
  EXPECT_EQ(label.rfind("PHP版本为:", 0), 0u) << label;
  window.close();
}

}  // namespace
}  // namespace phpswitch::testing
