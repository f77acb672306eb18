// Listing figures: listSubdirectories with full paths and sorting on a folder
// of 10,000 subfolders, against a bare readdir loop over the same folder and
// a std::sort of its names; the unsorted listing shows what sorting adds.
// Prints figures and ratios; asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <dirent.h>
#include <stdlib.h>

#include "system/listing.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFolders = 10000;
constexpr int kRounds = 5;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The plain way: readdir, keep directories, sort the bare names.
std::size_t listPlainly(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      if (entry->d_name[0] != '.' && entry->d_type == DT_DIR) names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names.size();
}

template <typename Body>
double bestOf(Body body) {
  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = Clock::now();
    body();
    best = std::min(best, secondsSince(start));
  }
  return best;
}

}  // namespace

int main() {
  std::string pattern = "/tmp/phpswitch-bench-listing-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return 1;
  const std::string folder = pattern;
  // Names of mixed case and length, as installations tend to be named.
  for (int i = 0; i < kFolders; ++i) {
    std::filesystem::create_directory(folder + "/" + (i % 2 ? "PHP-" : "php-") +
                                      std::to_string((i * 7919) % kFolders));
  }

  int count = 0;
  const double listing = bestOf([&] {
    phpswitch::TextList list;
    count = phpswitch::listSubdirectories(folder, list, true, true);
  });
  const double unsorted = bestOf([&] {
    phpswitch::TextList list;
    phpswitch::listSubdirectories(folder, list, true, false);
  });
  std::size_t plainCount = 0;
  const double plain = bestOf([&] { plainCount = listPlainly(folder); });

  std::printf("listSubdirectories, full paths, sorted: %d folders in %.2f ms (best of %d)\n", count,
              listing * 1e3, kRounds);
  std::printf("the same without sorting:                %.2f ms\n", unsorted * 1e3);
  std::printf("bare readdir + std::sort of names:      %zu folders in %.2f ms\n", plainCount, plain * 1e3);
  std::printf("ratio listing / bare:                   %.2f\n", listing / plain);

  std::filesystem::remove_all(folder);
  return 0;
}
