// The version monitor: its label following the target path, and its wait,
// which sleeps rather than spins.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

#include "app/version_monitor.h"
#include "support/posix/app_fixture.h"

namespace phpswitch::testing {
namespace {

constexpr char kTargetField[] = "编辑框_目标路径";
constexpr char kVersionField[] = "编辑框_模拟路径";
constexpr char kVersionLabel[] = "透明标签_PHP版本";
constexpr int kYes = 6;

class VersionMonitorFlow : public AppFlow {
 protected:
  Text labelBecomes(const Text& wanted) {
    return window.waitForText(kVersionLabel, [&](const Text& text) { return text == wanted; });
  }
};

TEST_F(VersionMonitorFlow, FollowsSwitchesDeletionsAndTheFieldsText) {
  makeInstallation(temp / "php-7.0.3", "7.0.3");
  makeInstallation(temp / "php-8.1.0", "8.1.0");
  startApp();
  EXPECT_EQ(labelBecomes("PHP文件丢失"), "PHP文件丢失");

  window.setControlText(kVersionField, temp / "php-7.0.3");
  window.answerBoxes({kYes});
  window.click("按钮_切换");
  EXPECT_EQ(labelBecomes("PHP版本为:7.0.3"), "PHP版本为:7.0.3");

  window.setControlText(kVersionField, temp / "php-8.1.0");
  window.answerBoxes({kYes});
  window.click("按钮_切换");
  EXPECT_EQ(labelBecomes("PHP版本为:8.1.0"), "PHP版本为:8.1.0");

  window.click("按钮_恢复");
  EXPECT_EQ(labelBecomes("PHP文件丢失"), "PHP文件丢失");

  // The field's text counts at once, without saving or leaving the field.
  window.presetText(kTargetField, temp / "php-7.0.3");
  EXPECT_EQ(labelBecomes("PHP版本为:7.0.3"), "PHP版本为:7.0.3");
}

TEST(VersionMonitorCycle, ShowsTheOutputExactlyAsPrinted) {
  TempFolder temp;
  const Text php = temp / "php";
  writeFile(php, "#!/bin/sh\nprintf 'Warning: something\\n7.4.0\\n'\necho 'on stderr' >&2\n");
  ::chmod(php.c_str(), 0755);
  FakeWindow window;
  window.presetText(kTargetField, temp.path());
  monitorCycle(window);
  const Text label = window.controlText(kVersionLabel);
  EXPECT_EQ(label.substr(0, label.find("Warning")), "PHP版本为:");
  EXPECT_NE(label.find("Warning: something\n7.4.0\n"), Text::npos) << label;
  EXPECT_NE(label.find("on stderr"), Text::npos) << label;

  window.presetText(kTargetField, temp / "missing");
  monitorCycle(window);
  EXPECT_EQ(window.controlText(kVersionLabel), "PHP文件丢失");
}

double threadCpuMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// A wait that spun would burn about its whole second on this thread; a
// sleeping one wakes some twenty times and uses next to nothing.
TEST(VersionMonitorPause, SleepsInsteadOfSpinning) {
  StopSignal stop;
  const double before = threadCpuMilliseconds();
  EXPECT_FALSE(pauseBetweenCycles(stop, std::chrono::milliseconds(1000)));
  const double used = threadCpuMilliseconds() - before;
  EXPECT_LT(used, 100.0) << "CPU time of one pause: " << used << " ms";
}

TEST(VersionMonitorPause, EndsWhenStopped) {
  StopSignal stop;
  stop.raise();
  EXPECT_TRUE(pauseBetweenCycles(stop, std::chrono::hours(1)));

  StopSignal later;
  std::thread stopper([&] { later.raise(); });
  EXPECT_TRUE(pauseBetweenCycles(later, std::chrono::hours(1)));
  stopper.join();
}

}  // namespace
}  // namespace phpswitch::testing
