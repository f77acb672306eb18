// Start-up of phpswitch on Qt, offscreen, from a fresh portable folder: the
// time from spawning a process until its window is exposed, and its resident
// memory once start-up is over. The exposure is reported from inside, so the
// program timed is this one started with --app: the same wiring as phpswitch's
// main (window, app, services) plus a marker folder made when the window is
// exposed. The real phpswitch is timed too, until its start-up makes the data
// folder beside it (inotify), just before it shows its window. The baseline
// is a bare Qt window started the same way (--bare). Prints figures and
// ratios; asserts nothing.
#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/app.h"
#include "app/qt/qt_window.h"
#include "system/program_directory.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 10;

struct Start {
  double shownMs = -1;  // -1: never shown
  long rssKb = 0;
};

long residentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

// Waits until `name` is created in the folder that `watch` watches.
bool waitForCreation(int watch, const char* name, Clock::time_point deadline) {
  alignas(inotify_event) char buffer[4096];
  while (Clock::now() < deadline) {
    pollfd ready{watch, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (::poll(&ready, 1, static_cast<int>(std::max<long long>(left, 0))) <= 0) continue;
    const ssize_t got = ::read(watch, buffer, sizeof buffer);
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0 && std::strcmp(event->name, name) == 0) return true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return false;
}

// Spawns `args`, times it until `marker` appears in `folder`, lets start-up
// finish, reads its resident memory and ends it.
Start measure(const fs::path& folder, std::vector<std::string> args, const char* marker) {
  Start result;
  const int watch = ::inotify_init1(IN_CLOEXEC);
  ::inotify_add_watch(watch, folder.c_str(), IN_CREATE);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const Clock::time_point start = Clock::now();
  if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    if (waitForCreation(watch, marker, start + std::chrono::seconds(30))) {
      result.shownMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      // Start-up goes on after the window shows: restore, monitor, list.
      std::this_thread::sleep_for(std::chrono::milliseconds(1000));
      result.rssKb = residentKb(pid);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  ::posix_spawn_file_actions_destroy(&actions);
  ::close(watch);
  return result;
}

// A fresh portable folder: a copy of the program (it finds its data beside
// its own file) and one PHP installation for the list.
fs::path portableFolder(const fs::path& base, int run) {
  const fs::path folder = base / std::to_string(run);
  fs::create_directories(folder / "php-debian");
  fs::copy_file(PHPSWITCH_EXECUTABLE, folder / "phpswitch");
  if (::access("/usr/bin/php", X_OK) == 0) fs::create_symlink("/usr/bin/php", folder / "php-debian" / "php");
  return folder;
}

// Makes <folder>/shown once the window is exposed on the screen.
class ExposureMarker : public QObject {
 public:
  explicit ExposureMarker(std::string folder) : folder_(std::move(folder)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWindow*>(watched);
    if (event->type() == QEvent::Expose && window != nullptr && window->isExposed()) {
      ::mkdir((folder_ + "/shown").c_str(), 0755);
    }
    return false;
  }

 private:
  std::string folder_;
};

int bareWindow(int argc, char* argv[], const std::string& folder) {
  QApplication application(argc, argv);
  ExposureMarker marker(folder);
  QWidget window;
  window.resize(1030, 302);
  window.winId();
  window.windowHandle()->installEventFilter(&marker);
  window.show();
  return QApplication::exec();
}

// phpswitch's main, with environment files of its own folder.
int appWindow(int argc, char* argv[], const std::string& folder) {
  using namespace phpswitch;
  QApplication application(argc, argv);
  useProgramDirectory(folder);
  setCurrentDirectory(folder);
  ExposureMarker marker(folder);
  QtWindow window;
  App app(window, AppServices{folder, {folder + "/environment", folder + "/user.conf"}});
  window.setEvents(app);
  window.widget()->winId();
  window.widget()->windowHandle()->installEventFilter(&marker);
  window.open();
  return QApplication::exec();
}

struct Summary {
  double firstMs, medianMs;
  long medianKb;
  int shown;
};

Summary summarise(const std::vector<Start>& starts) {
  std::vector<double> times;
  std::vector<long> sizes;
  for (const Start& s : starts) {
    if (s.shownMs < 0) continue;
    times.push_back(s.shownMs);
    sizes.push_back(s.rssKb);
  }
  if (times.empty()) return {-1, -1, 0, 0};
  const double first = times.front();
  std::sort(times.begin(), times.end());
  std::sort(sizes.begin(), sizes.end());
  return {first, times[times.size() / 2], sizes[sizes.size() / 2], static_cast<int>(times.size())};
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 3 && std::strcmp(argv[1], "--bare") == 0) return bareWindow(argc, argv, argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--app") == 0) return appWindow(argc, argv, argv[2]);

  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  char pattern[] = "/tmp/phpswitch-bench-start-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 1;
  const fs::path base = pattern;
  const std::string self = fs::canonical("/proc/self/exe").string();

  std::vector<Start> program, app, bare;
  for (int run = 0; run < kRuns; ++run) {
    const fs::path programFolder = portableFolder(base / "program", run);
    program.push_back(measure(programFolder, {(programFolder / "phpswitch").string()}, "data"));
    const fs::path appFolder = portableFolder(base / "app", run);
    app.push_back(measure(appFolder, {self, "--app", appFolder.string()}, "shown"));
    const fs::path bareFolder = base / "bare" / std::to_string(run);
    fs::create_directories(bareFolder);
    bare.push_back(measure(bareFolder, {self, "--bare", bareFolder.string()}, "shown"));
  }
  const Summary p = summarise(program);
  const Summary a = summarise(app);
  const Summary b = summarise(bare);
  std::printf("cold start, Qt offscreen, %d runs each, from spawn (ms) and resident memory after 1 s\n",
              kRuns);
  std::printf("  %-48s %6s %9s %9s %10s\n", "", "runs", "first", "median", "VmRSS KiB");
  auto row = [](const char* what, const Summary& s) {
    std::printf("  %-48s %6d %9.1f %9.1f %10ld\n", what, s.shown, s.firstMs, s.medianMs, s.medianKb);
  };
  row("phpswitch until its start-up makes data/", p);
  row("phpswitch's wiring until the window is exposed", a);
  row("bare Qt window until it is exposed", b);
  if (a.shown > 0 && b.shown > 0) {
    std::printf("  ratio phpswitch / bare Qt window: shown %.2f, resident memory %.2f\n",
                a.medianMs / b.medianMs, static_cast<double>(p.medianKb) / static_cast<double>(b.medianKb));
  }
  std::error_code ignored;
  fs::remove_all(base, ignored);
  return 0;
}
