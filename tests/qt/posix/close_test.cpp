// Closing the real phpswitch window ends its process at once with exit code 0,
// while the monitor's PHP is still running, and leaves that PHP running. The
// program runs from a temporary portable folder on an X server of its own
// (Xvfb); the test closes the window as a window manager does when the user
// clicks its close button: a WM_DELETE_WINDOW message.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/layout.h"

// Last: Xlib defines macros (None, Status, ...) that clash with GoogleTest.
// clang-format off
#include <X11/Xlib.h>
// clang-format on

namespace phpswitch {
namespace {

namespace fs = std::filesystem;

// Starts Xvfb on a display number it chooses itself; the number, or -1.
int startXServer(pid_t& server) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  server = ::fork();
  if (server == 0) {
    ::close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "640x480x24",
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string number;
  char c;
  while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  return number.empty() ? -1 : std::stoi(number);
}

pid_t startProgram(const fs::path& program, int display) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return child;
}

std::string windowName(Display* display, ::Window window) {
  const Atom netWmName = ::XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = ::XInternAtom(display, "UTF8_STRING", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string name;
  if (::XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
      data != nullptr) {
    name.assign(reinterpret_cast<char*>(data), count);
  }
  if (data != nullptr) ::XFree(data);
  return name;
}

// The top-level window with this title, or 0.
::Window findWindow(Display* display, const std::string& title) {
  ::Window root, parent, found = 0;
  ::Window* children = nullptr;
  unsigned int count = 0;
  if (::XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) return 0;
  for (unsigned int i = 0; i < count && found == 0; ++i) {
    if (windowName(display, children[i]) == title) found = children[i];
  }
  if (children != nullptr) ::XFree(children);
  return found;
}

void sendDeleteWindow(Display* display, ::Window window) {
  XEvent event;
  std::memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = ::XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(::XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  ::XSendEvent(display, window, False, NoEventMask, &event);
  ::XFlush(display);
}

class CloseEndsTheProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/phpswitch-qt-close-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    if (display_ != nullptr) ::XCloseDisplay(display_);
    for (const pid_t pid : {program_, php_}) {
      if (pid > 0) ::kill(pid, SIGKILL);
    }
    if (program_ > 0) ::waitpid(program_, nullptr, 0);
    if (server_ > 0) {
      ::kill(server_, SIGTERM);
      ::waitpid(server_, nullptr, 0);
    }
    fs::remove_all(folder_);
  }

  fs::path folder_;
  pid_t server_ = -1, program_ = -1, php_ = -1;
  Display* display_ = nullptr;
};

TEST_F(CloseEndsTheProcess, WithExitCodeZeroWhileTheMonitorsPhpStillRuns) {
  const fs::path program = folder_ / "phpswitch";
  fs::copy_file(PHPSWITCH_EXECUTABLE, program);
  // A PHP that never answers: the monitor is inside its command when the window closes.
  const fs::path pidFile = folder_ / "php.pid";
  fs::create_directories(folder_ / "slow");
  std::ofstream(folder_ / "slow" / "php")
      << "#!/bin/sh\necho $$ > '" << pidFile.string() << "'\nexec sleep 300\n";
  fs::permissions(folder_ / "slow" / "php", fs::perms::owner_all, fs::perm_options::add);
  fs::create_directories(folder_ / "data");
  std::ofstream(folder_ / "data" / "setsoft.ini")
      << "[编辑框]\n编辑框_目标路径=" << (folder_ / "slow").string() << "\n";

  const int display = startXServer(server_);
  ASSERT_GE(display, 0) << "Xvfb did not start";
  program_ = startProgram(program, display);
  display_ = ::XOpenDisplay((":" + std::to_string(display)).c_str());
  ASSERT_NE(display_, nullptr);

  // Wait for the window and for the monitor's PHP; fail rather than hang.
  ::Window window = 0;
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while ((window == 0 || php_ <= 0) && std::chrono::steady_clock::now() < deadline) {
    ASSERT_EQ(::waitpid(program_, &status, WNOHANG), 0) << "phpswitch ended before its window was closed";
    if (window == 0) window = findWindow(display_, mainWindowSpec().title);
    if (php_ <= 0) std::ifstream(pidFile) >> php_;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_NE(window, 0u) << "no phpswitch window appeared";
  ASSERT_GT(php_, 0) << "the monitor never started its PHP";

  sendDeleteWindow(display_, window);
  deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  pid_t ended = 0;
  while (ended == 0 && std::chrono::steady_clock::now() < deadline) {
    ended = ::waitpid(program_, &status, WNOHANG);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(ended, program_) << "phpswitch went on running after its window was closed";
  program_ = -1;
  EXPECT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // Not waited for, and not stopped either.
  EXPECT_EQ(::kill(php_, 0), 0);
}

}  // namespace
}  // namespace phpswitch
