// phpswitch.exe: wires the real services into the app and runs the window.
// The process ends inside the window's WM_DESTROY, right after the clean-up.
#include <windows.h>
#include <commctrl.h>

#include "app/app.h"
#include "app/win32/win32_window.h"
#include "system/environment.h"
#include "system/program_directory.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace phpswitch;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);

  Win32Window window;
  // Also makes the program's folder the current directory, from which relative
  // paths in the fields and in commands are taken.
  App app(window, AppServices{programDirectory(), defaultEnvironmentLocations()});
  // The clean-up is App::windowDestroyed, reported before this runs. The
  // monitor thread and any command still being waited for end with the process.
  window.setEvents(app);
  window.onDestroyed([] { ::ExitProcess(0); });
  if (!window.open()) return 1;
  return window.runMessageLoop();
}
