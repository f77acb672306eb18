// Path overlap as Windows compares paths: full paths, letter case ignored,
// "\" and "/" alike, characters of code page 936 whose second byte is 0x5C.
#include <gtest/gtest.h>

#include "system/path_compare.h"

namespace phpswitch {
namespace {

TEST(PathsOverlap, ComparesTheWayWindowsDoes) {
  struct Case {
    const char* removed;
    const char* kept;
    bool overlap;
  };
  const Case cases[] = {
      {"C:\\php\\php-7.0.3", "C:\\php\\php-7.0.3", true},
      {"c:/PHP/php-7.0.3/", "C:\\php\\PHP-7.0.3", true},
      {"C:\\php", "C:\\php\\php-7.0.3", true},           // holds the version
      {"C:\\php\\php-7.0.3\\current", "C:\\php\\php-7.0.3", true},  // inside it
      {"C:\\php\\.\\x\\..\\php-7.0.3", "C:\\php\\php-7.0.3", true},
      {"C:\\", "C:\\php\\php-7.0.3", true},
      {"C:", "C:\\php\\php-7.0.3", true},  // the current folder of drive C
      {"C:\\php_target", "C:\\php\\php-7.0.3", false},
      {"C:\\php\\php-7.0", "C:\\php\\php-7.0.3", false},  // a prefix of the name only
      {"D:\\php\\php-7.0.3", "C:\\php\\php-7.0.3", false},
      {"", "C:\\php", false},
      {"C:\\php", "", false},
      // 0x95 0x5C is one character: its second byte is no separator.
      {"C:\\x\x95\x5C", "C:\\x\x95\x5Cy", false},
      {"C:\\x\x95\x5C", "C:\\x\x95\x5C\\y", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pathsOverlap(c.removed, c.kept), c.overlap) << c.removed << " | " << c.kept;
  }
}

}  // namespace
}  // namespace phpswitch
