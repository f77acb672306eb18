// phpswitch on Linux: wires the real services into the app and runs the Qt
// window. Closing the window ends the process at once with exit code 0; the
// monitor thread and any running command are not waited for. The App makes
// the program directory the current directory.
#include <QApplication>
#include <cstdlib>

#include "app/app.h"
#include "app/qt/qt_window.h"
#include "system/program_directory.h"

int main(int argc, char* argv[]) {
  using namespace phpswitch;
  QApplication application(argc, argv);

  QtWindow window;
  App app(window, AppServices{programDirectory(), defaultEnvironmentLocations()});
  window.setEvents(app);
  window.setCloseAction([] { std::_Exit(0); });
  window.open();
  return QApplication::exec();
}
