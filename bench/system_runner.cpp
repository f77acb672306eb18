// Command runner figures: throughput on 100 MB of output against cat through a
// plain popen pipe, and the cost of one short command against a bare
// posix_spawn of the same shell. Prints figures and ratios; asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "system/platform.h"
#include "system/runner.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kOutputBytes = 100u << 20;
constexpr int kRounds = 3;
constexpr int kCommands = 200;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The plain way: popen and fread into one string.
std::string readThroughPopen(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  ::pclose(pipe);
  return output;
}

void spawnAndWait(const char* command) {
  char shell[] = "sh";
  char option[] = "-c";
  char* argv[] = {shell, option, const_cast<char*>(command), nullptr};
  pid_t pid;
  if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return;
  int status;
  while (::waitpid(pid, &status, 0) < 0) {
  }
}

}  // namespace

int main() {
  char folder[] = "/tmp/phpswitch-bench-runner-XXXXXX";
  if (::mkdtemp(folder) == nullptr) return 1;
  const std::string file = std::string(folder) + "/output.txt";
  {
    const std::string line =
        "PHP 7.0.3 (cli) (built: Feb  2 2016 14:42:56) ( NTS ) Copyright (c) The PHP Group\n";
    std::ofstream out(file, std::ios::binary);
    for (std::size_t written = 0; written < kOutputBytes; written += line.size()) out << line;
  }
  const std::size_t size = std::filesystem::file_size(file);
  const std::string cat = "cat " + *phpswitch::quotedPath(file);
  readThroughPopen(cat);  // into the page cache

  double runner = 1e9, plain = 1e9;
  bool same = true;
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    const std::string a = phpswitch::runAndCapture(cat);
    runner = std::min(runner, secondsSince(start));
    start = Clock::now();
    const std::string b = readThroughPopen(cat);
    plain = std::min(plain, secondsSince(start));
    same = same && a.size() == size && a == b;
  }
  const double megabytes = static_cast<double>(size) / (1 << 20);
  std::printf("throughput, %.0f MB through cat (best of %d)\n", megabytes, kRounds);
  std::printf("  runAndCapture   %8.3f s  %8.1f MB/s\n", runner, megabytes / runner);
  std::printf("  popen + fread   %8.3f s  %8.1f MB/s\n", plain, megabytes / plain);
  std::printf("  ratio runner/popen time: %.2f  (output identical: %s)\n", runner / plain,
              same ? "yes" : "NO");

  double perRun = 1e9, perSpawn = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    for (int i = 0; i < kCommands; ++i) phpswitch::runAndCapture("true");
    perRun = std::min(perRun, secondsSince(start) / kCommands);
    start = Clock::now();
    for (int i = 0; i < kCommands; ++i) spawnAndWait("true");
    perSpawn = std::min(perSpawn, secondsSince(start) / kCommands);
  }
  std::printf("per command, %d x sh -c true (best of %d)\n", kCommands, kRounds);
  std::printf("  runAndCapture   %8.3f ms\n", perRun * 1000);
  std::printf("  posix_spawn     %8.3f ms\n", perSpawn * 1000);
  std::printf("  ratio runner/spawn: %.2f  (overhead %.3f ms)\n", perRun / perSpawn,
              (perRun - perSpawn) * 1000);

  std::filesystem::remove_all(folder);
  return same ? 0 : 1;
}
