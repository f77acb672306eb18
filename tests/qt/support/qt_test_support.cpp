// One QApplication for the whole test program, made lazily so that listing the
// tests needs no display.
#include "support/qt_test_support.h"

#include <QApplication>
#include <algorithm>
#include <cstdlib>

namespace phpswitch::testing {

QApplication& testApplication() {
  static int argc = 1;
  static char name[] = "phpswitch-qt-test";
  static char* argv[] = {name, nullptr};
  static QApplication* application = [] {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return new QApplication(argc, argv);
  }();
  return *application;
}

int EventRecorder::count(const Text& control, Event event) const {
  return static_cast<int>(std::count(events.begin(), events.end(), RecordedEvent{control, event}));
}

}  // namespace phpswitch::testing

// Fontconfig keeps caches for the life of the process that it never frees;
// they are not ours to release.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
