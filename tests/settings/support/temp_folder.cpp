// Temporary folders for the settings tests, made with std::filesystem so the
// same code serves the native build and the Windows build under Wine.
#include "support/temp_folder.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace phpswitch::testing {

TempFolder::TempFolder() {
  std::random_device seed;
  std::mt19937 random(seed());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = base / ("phpswitch-settings-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = std::move(candidate);
      return;
    }
  }
  throw std::runtime_error("no temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Read-only files left by a test must not keep the folder alive.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow,
                                 ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

Text TempFolder::file(const std::string& name) const {
  return (path_ / name).string();
}

std::optional<std::string> readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace phpswitch::testing
