// Races on the real Qt window, offscreen: the app's monitor and two more
// threads running its cycle read the target field and write the version
// label from their own threads while the GUI thread picks, switches, tests,
// deletes and edits PATH, and clicks queued as Qt events run nested inside the
// handlers that wait for a command. The linux-tsan preset runs this under
// ThreadSanitizer; every build checks the end state.
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>
#include <stdlib.h>

#include "app/app.h"
#include "app/qt/qt_window.h"
#include "app/version_monitor.h"
#include "support/qt_test_support.h"

namespace phpswitch {
namespace {

namespace fs = std::filesystem;

constexpr char kTarget[] = "编辑框_目标路径";
constexpr char kVersion[] = "编辑框_模拟路径";
constexpr char kList[] = "列表框_menus";
constexpr char kLabel[] = "透明标签_PHP版本";

// A PHP whose -v takes a while, so that the GUI thread pumps its events
// (and runs the queued clicks) while it waits.
void makeSlowPhp(const fs::path& folder, const std::string& version) {
  fs::create_directories(folder);
  std::ofstream(folder / "php") << "#!/bin/sh\n"
                                << "if [ \"$1\" = -r ]; then printf '" << version << "'; exit 0; fi\n"
                                << "sleep 0.05; echo 'PHP " << version << " (cli)'\n";
  fs::permissions(folder / "php", fs::perms::owner_all, fs::perm_options::add);
}

class QtRace : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/phpswitch-qt-race-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    makeSlowPhp(folder_ / "php-7.0.3", "7.0.3");
    makeSlowPhp(folder_ / "php-8.1.0", "8.1.0");
    std::ofstream(folder_ / "environment") << "PATH=/usr/bin:/bin\n";
    QtWindow::messageBoxHook = [this](QMessageBox& box) -> QAbstractButton* {
      ++boxes_;
      return box.button(box.standardButtons() & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok);
    };
  }
  void TearDown() override {
    QtWindow::messageBoxHook = nullptr;
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  Text path(const char* name) const { return (folder_ / name).string(); }
  template <typename T>
  T* control(const char* name) {
    return window_.widget()->findChild<T*>(QString::fromUtf8(name));
  }
  void click(const char* button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
  void pick(const Text& folder) {
    auto* list = control<QListWidget>(kList);
    for (int i = 0; i < list->count(); ++i) {
      if (window_.listItemText(kList, i) == folder) {
        list->scrollToItem(list->item(i));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                           list->visualItemRect(list->item(i)).center());
        return;
      }
    }
    ADD_FAILURE() << "not listed: " << folder;
  }
  // Runs `action` from the GUI thread's event loop: inside the next handler
  // that waits for a command.
  void whileRunning(std::function<void()> action) {
    QTimer::singleShot(0, window_.widget(), [this, action = std::move(action)] {
      ++nested_;
      action();
    });
  }

  QApplication& application_ = testing::testApplication();
  fs::path folder_;
  int boxes_ = 0;
  int nested_ = 0;
  QtWindow window_;
};

TEST_F(QtRace, MonitorsOverlapSwitchesAndNestedClicks) {
  App app(window_, AppServices{folder_.string(), {path("environment"), path("user.conf")}});
  window_.setEvents(app);
  window_.open();
  window_.widget()->resize(1300, 302);
  window_.setControlText(kTarget, path("target"));

  std::atomic<bool> stop{false};
  std::vector<std::thread> monitors;
  for (int i = 0; i < 2; ++i) {
    monitors.emplace_back([&] {
      while (!stop) monitorCycle(window_);
    });
  }

  const Text versions[] = {path("php-7.0.3"), path("php-8.1.0")};
  constexpr int kRounds = 8;
  for (int round = 0; round < kRounds; ++round) {
    pick(versions[round % 2]);
    click("按钮_切换");
    const Text other = versions[(round + 1) % 2];
    whileRunning([this, other] { pick(other); });
    whileRunning([this] { click("按钮_切换"); });
    whileRunning([this, round] { click(round % 2 ? "按钮1" : "按钮2"); });
    whileRunning([this, round] { click(round % 3 ? "按钮3" : "按钮_恢复"); });
    click("按钮3");
    QCoreApplication::processEvents();
  }
  stop = true;
  for (std::thread& monitor : monitors) monitor.join();
  QCoreApplication::processEvents();
  EXPECT_EQ(nested_, 4 * kRounds);
  EXPECT_GT(boxes_, 2 * kRounds);

  // Whatever the interleaving, the last switch decides, and the monitor follows.
  pick(versions[0]);
  click("按钮_切换");
  EXPECT_EQ(fs::read_symlink(path("target")), versions[0]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (window_.controlText(kLabel) != "PHP版本为:7.0.3" && std::chrono::steady_clock::now() < deadline) {
    QTest::qWait(20);
  }
  EXPECT_EQ(window_.controlText(kLabel), "PHP版本为:7.0.3");
  window_.widget()->close();
}

}  // namespace
}  // namespace phpswitch
