// CPU use of the PHP version monitor, for this process and the commands it
// runs (getrusage of self and of the waited-for children), over a number of
// seconds (the first argument, 60 when not given): once with Debian's PHP at
// the target and once with nothing there. The figure with PHP is set against
// what its version queries alone cost, each run bare through posix_spawn.
// Prints figures and the ratio; asserts nothing.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/version_monitor.h"
#include "support/fake_window.h"
#include "system/platform.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using phpswitch::Text;

constexpr char kPhp[] = "/usr/bin/php";
constexpr char kLabel[] = "透明标签_PHP版本";

// Counts the monitor's cycles by its label writes.
class CountingWindow : public phpswitch::testing::FakeWindow {
 public:
  std::atomic<int> cycles{0};
  Text lastLabel() { return controlText(kLabel); }
  void setControlText(const Text& name, const Text& text) override {
    FakeWindow::setControlText(name, text);
    if (name == kLabel) ++cycles;
  }
};

double cpuSeconds() {
  double total = 0;
  for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    ::getrusage(who, &usage);
    total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  return total;
}

struct Usage {
  double cpu;   // seconds of CPU
  double wall;  // seconds
  int cycles;
  Text label;
};

Usage runMonitor(const Text& target, int seconds) {
  CountingWindow window;
  window.presetText("编辑框_目标路径", target);
  const double cpuBefore = cpuSeconds();
  const Clock::time_point start = Clock::now();
  {
    phpswitch::VersionMonitor monitor(window);
    monitor.start();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
  }  // stops and joins
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  return {cpuSeconds() - cpuBefore, wall, window.cycles.load(), window.lastLabel()};
}

// CPU seconds of one run of `argv`, spawned bare with its output discarded.
double bareCpu(char* const argv[], int runs) {
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const double before = cpuSeconds();
  for (int i = 0; i < runs; ++i) {
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ) != 0) break;
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
  ::posix_spawn_file_actions_destroy(&actions);
  return (cpuSeconds() - before) / runs;
}

void print(const char* what, const Usage& usage) {
  std::printf("  %-24s %6.1f s  %4d cycles  CPU %7.3f s = %6.3f %% of one core  (%s)\n", what, usage.wall,
              usage.cycles, usage.cpu, 100 * usage.cpu / usage.wall, usage.label.c_str());
}

}  // namespace

int main(int argc, char* argv[]) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  if (::access(kPhp, X_OK) != 0) {
    std::fprintf(stderr, "%s is missing (Debian's php-cli)\n", kPhp);
    return 1;
  }
  char pattern[] = "/tmp/phpswitch-bench-monitor-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 1;
  const fs::path folder = pattern;
  fs::create_directories(folder / "php-debian");
  fs::create_symlink(kPhp, folder / "php-debian" / "php");

  std::printf("version monitor CPU use over %d s, this process and its children\n", seconds);
  const Usage withPhp = runMonitor((folder / "php-debian").string(), seconds);
  print("real PHP at the target", withPhp);
  const Usage nothing = runMonitor((folder / "nothing-here").string(), seconds);
  print("nothing at the target", nothing);

  // The same queries at the same rate: php alone, and the monitor's own
  // command line through /bin/sh.
  const double rate = withPhp.cycles / withPhp.wall;
  const double monitorShare = withPhp.cpu / withPhp.wall;
  std::string php = kPhp;
  std::string option = "-r";
  std::string code = "echo PHP_VERSION;";
  char* const phpArgv[] = {php.data(), option.data(), code.data(), nullptr};
  std::string shell = "/bin/sh";
  std::string shellOption = "-c";
  std::string command = *phpswitch::phpVersionCommand((folder / "php-debian").string());
  char* const shellArgv[] = {shell.data(), shellOption.data(), command.data(), nullptr};
  const double perPhp = bareCpu(phpArgv, 20);
  const double perCommand = bareCpu(shellArgv, 20);
  std::printf("  bare php -r:            %.2f ms CPU each, at the same rate %6.3f %% of one core\n",
              perPhp * 1e3, 100 * perPhp * rate);
  std::printf("  the same through sh -c: %.2f ms CPU each, at the same rate %6.3f %% of one core\n",
              perCommand * 1e3, 100 * perCommand * rate);
  std::printf("  ratio monitor / bare php: %.2f, monitor / sh -c php: %.2f\n", monitorShare / (perPhp * rate),
              monitorShare / (perCommand * rate));

  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return 0;
}
