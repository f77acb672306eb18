// The monitor's access from its own thread: reads answer at once from the
// guarded copy (also while the GUI thread is blocked joining that thread),
// and writes are carried to the GUI thread, where their events are raised.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <atomic>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "app/qt/qt_window.h"
#include "support/qt_test_support.h"

namespace phpswitch {
namespace {

using testing::EventRecorder;
using testing::RecordedEvent;
using testing::testApplication;

constexpr char kTarget[] = "编辑框_目标路径";
constexpr char kLabel[] = "透明标签_PHP版本";

class QtWindowThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.setEvents(recorder_);
    window_.open();
  }
  template <typename T>
  T* control(const char* name) {
    return window_.widget()->findChild<T*>(QString::fromUtf8(name));
  }

  QApplication& application_ = testApplication();
  EventRecorder recorder_;
  QtWindow window_;
};

TEST_F(QtWindowThreads, ReadsFromAnotherThreadSeeTheCurrentText) {
  window_.setControlText(kTarget, "/srv/php_target");
  Text seen;
  std::thread([&] { seen = window_.controlText(kTarget); }).join();
  EXPECT_EQ(seen, "/srv/php_target");

  control<QLineEdit>(kTarget)->setFocus();
  control<QLineEdit>(kTarget)->end(false);
  QTest::keyClicks(control<QLineEdit>(kTarget), "2");  // a user edit is seen as well
  std::thread([&] { seen = window_.controlText(kTarget); }).join();
  EXPECT_EQ(seen, "/srv/php_target2");
}

TEST_F(QtWindowThreads, WritesFromAnotherThreadArriveOnTheGuiThread) {
  const std::thread::id gui = std::this_thread::get_id();
  std::vector<std::thread::id> eventThreads;
  recorder_.onEvent = [&](const RecordedEvent&) { eventThreads.push_back(std::this_thread::get_id()); };
  std::thread([&] {
    window_.setControlText(kLabel, "PHP版本为:8.2.7");
    window_.setControlText(kTarget, "/from/monitor");
    window_.setPanelText(1, "from the monitor");
  }).join();
  QCoreApplication::processEvents();

  EXPECT_EQ(control<QLabel>(kLabel)->text(), QStringLiteral("PHP版本为:8.2.7"));
  EXPECT_EQ(window_.controlText(kLabel), "PHP版本为:8.2.7");
  EXPECT_EQ(control<QLineEdit>(kTarget)->text(), QStringLiteral("/from/monitor"));
  EXPECT_EQ(window_.panelText(1), "from the monitor");
  EXPECT_EQ(recorder_.events, (std::vector<RecordedEvent>{{kTarget, kTextChanged}}));
  EXPECT_EQ(eventThreads, std::vector<std::thread::id>{gui});
}

TEST_F(QtWindowThreads, GuiThreadJoiningABusyMonitorDoesNotDeadlock) {
  // As at the end of the app: the GUI thread waits for the monitor and
  // dispatches nothing meanwhile, while the monitor goes on reading and writing.
  std::thread monitor([&] {
    for (int i = 0; i < 2000; ++i) {
      if (window_.controlText(kTarget).empty()) return;
      window_.setControlText(kLabel, "PHP版本为:" + std::to_string(i));
    }
  });
  monitor.join();
  QCoreApplication::processEvents();
  EXPECT_EQ(window_.controlText(kLabel), "PHP版本为:1999");
}

TEST_F(QtWindowThreads, ConcurrentReadsNeverSeeAHalfWrittenText) {
  const std::set<Text> written = {"/opt/php_target", "/a", "/a/much/longer/path/with/中文/characters/in/it"};
  std::atomic<bool> done{false};
  std::set<Text> seen;
  std::thread reader([&] {
    while (!done) seen.insert(window_.controlText(kTarget));
  });
  for (int i = 0; i < 3000; ++i) {
    for (const Text& text : written) window_.setControlText(kTarget, text);
  }
  done = true;
  reader.join();
  for (const Text& text : seen) EXPECT_TRUE(written.count(text) == 1) << text;
}

}  // namespace
}  // namespace phpswitch
