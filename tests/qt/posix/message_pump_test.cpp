// The window installs its message pump on the GUI thread: while a handler waits
// for a command, the window keeps handling events, so a second click runs its
// handler nested inside the first.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include <gtest/gtest.h>
#include <stdlib.h>

#include "app/qt/qt_window.h"
#include "support/qt_test_support.h"
#include "system/runner.h"

namespace phpswitch {
namespace {

using testing::EventRecorder;
using testing::RecordedEvent;
using testing::testApplication;

TEST(QtMessagePump, ASecondClickRunsWhileTheFirstWaitsForItsCommand) {
  testApplication();
  char pattern[] = "/tmp/phpswitch-qt-pump-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::filesystem::path flag = std::filesystem::path(pattern) / "second-click";

  QtWindow window;
  EventRecorder recorder;
  std::vector<Text> log;
  recorder.onEvent = [&](const RecordedEvent& event) {
    if (event.control == "按钮3") {
      // Ends as soon as the second click's handler has made the flag file;
      // without a pump that can never happen, and the wait runs out.
      QTimer::singleShot(0, [&] { window.widget()->findChild<QPushButton*>("按钮1")->click(); });
      log.push_back("first: " + runAndCapture("i=0; while [ ! -e '" + flag.string() +
                                              "' ] && [ $i -lt 3000 ]; do sleep 0.01; i=$((i+1)); done; "
                                              "[ -e '" +
                                              flag.string() + "' ] && echo nested || echo alone"));
    } else if (event.control == "按钮1") {
      log.push_back("second");
      std::filesystem::create_directory(flag);
    }
  };
  window.setEvents(recorder);
  window.open();

  window.widget()->findChild<QPushButton*>("按钮3")->click();
  EXPECT_EQ(log, (std::vector<Text>{"second", "first: nested\n"}));
  std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace phpswitch
