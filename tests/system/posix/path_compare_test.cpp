// Path overlap on POSIX: as written and with links resolved, a link at the end
// of the removed path taken as the link itself.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "system/path_compare.h"

namespace phpswitch {
namespace {

namespace fs = std::filesystem;

class PathsOverlapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = "/tmp/phpswitch-compare-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
    fs::create_directories(root + "/php/php-7.0.3/ext");
    fs::create_directories(root + "/real/inner");
    fs::create_directory_symlink(root + "/php/php-7.0.3", root + "/current");   // a link to the version
    fs::create_directory_symlink(root + "/php", root + "/versions");            // a link to its parent
    fs::create_directory_symlink(root + "/real", root + "/alias");
  }
  void TearDown() override { fs::remove_all(root); }

  std::string root;
};

TEST_F(PathsOverlapTest, AsWrittenAndWithLinksResolved) {
  struct Case {
    std::string removed;
    std::string kept;
    bool overlap;
  };
  const std::string r = root;
  const Case cases[] = {
      {r + "/php/php-7.0.3", r + "/php/php-7.0.3", true},
      {r + "/php/php-7.0.3/", r + "/php//php-7.0.3", true},
      {r + "/php/./x/../php-7.0.3", r + "/php/php-7.0.3", true},
      {r + "/php", r + "/php/php-7.0.3", true},
      {r + "/php/php-7.0.3/ext", r + "/php/php-7.0.3", true},
      {r + "/php/php-7.0", r + "/php/php-7.0.3", false},
      {r + "/target", r + "/php/php-7.0.3", false},
      {"/", r + "/php/php-7.0.3", true},
      {"", r + "/php", false},
      {r + "/php", "", false},
      // A link at the target is removed as a link: where it leads is no overlap.
      {r + "/current", r + "/php/php-7.0.3", false},
      // The version reached through a link into the removed tree.
      {r + "/php", r + "/versions/php-7.0.3", true},
      // The removed path lies inside the version through a link on its way.
      {r + "/current/ext", r + "/php/php-7.0.3", true},
      {r + "/alias/inner", r + "/real", true},
      // The version inside a link that is removed: the link goes, and with it the version's path.
      {r + "/versions", r + "/versions/php-7.0.3", true},
      // Relative paths are taken from the current directory.
      {"relative-dir", fs::current_path().string() + "/relative-dir/sub", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pathsOverlap(c.removed, c.kept), c.overlap) << c.removed << " | " << c.kept;
  }
}

}  // namespace
}  // namespace phpswitch
