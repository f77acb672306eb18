// The POSIX flow fixtures: temporary folders, fake PHP installations and
// snapshots of trees that must be left complete.
#include "support/posix/app_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace phpswitch::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  char pattern[] = "/tmp/phpswitch-app-XXXXXX";
  const char* made = ::mkdtemp(pattern);
  if (made == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = made;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void makeFolder(const Text& path) { fs::create_directories(path); }

void writeFile(const Text& path, const Text& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

Text readFile(const Text& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool exists(const Text& path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

bool isLinkTo(const Text& link, const Text& destination) {
  std::error_code error;
  return fs::is_symlink(fs::symlink_status(link, error)) && fs::read_symlink(link, error) == destination;
}

void makeLink(const Text& link, const Text& destination) { fs::create_directory_symlink(destination, link); }

Text phpBanner(const Text& version) {
  return "PHP " + version + " (cli) (built: Jan  6 2016 12:34:56)\nCopyright (c) The PHP Group\n";
}

void makeInstallation(const Text& folder, const Text& version) {
  makeFolder(folder + "/ext");
  writeFile(folder + "/php.ini", "memory_limit = 128M\n");
  writeFile(folder + "/ext/php_curl.so", "curl");
  const Text script = "#!/bin/sh\n"
                      "case \"$1\" in\n"
                      "  -r) printf '%s' '" + version + "' ;;\n"
                      "  -v) printf '%s' '" + phpBanner(version) + "' ;;\n"
                      "  *) echo \"unexpected: $*\" >&2; exit 1 ;;\n"
                      "esac\n";
  writeFile(folder + "/php", script);
  ::chmod((folder + "/php").c_str(), 0755);
}

std::vector<Text> snapshot(const Text& folder) {
  std::vector<Text> entries;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    // Lexically: fs::relative would follow a link to where it leads.
    const Text relative = entry.path().lexically_relative(folder).string();
    if (entry.is_symlink()) {
      entries.push_back(relative + " -> " + fs::read_symlink(entry.path()).string());
    } else if (entry.is_directory()) {
      entries.push_back(relative + "/");
    } else {
      entries.push_back(relative + " = " + readFile(entry.path().string()));
    }
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

AppFlow::AppFlow()
    : programDir(temp / "program"),
      environment{temp / "environment", temp / "user-environment.conf"},
      target(temp / "target"),
      version(temp / "php-7.0.3"),
      savedDirectory_(fs::current_path().string()) {
  makeFolder(programDir);
  window.presetText("编辑框_目标路径", target);
  window.presetText("编辑框_模拟路径", version);
}

AppFlow::~AppFlow() {
  app.reset();  // joins the monitor before the window and the folder go
  std::error_code ignored;
  fs::current_path(savedDirectory_, ignored);
}

void AppFlow::startApp(EnvironmentFactory makeEnvironment) {
  app = std::make_unique<App>(window, AppServices{programDir, environment, std::move(makeEnvironment)});
  window.setEvents(app.get());
  window.open();
}

}  // namespace phpswitch::testing
