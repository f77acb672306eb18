// Links that only POSIX can show: dangling links, link loops and links to
// files at the top level. Each is removed as a link or left alone, and no
// destination is ever touched.
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/file_system_temp_tree.h"
#include "system/file_system.h"

namespace phpswitch {
namespace {

using file_system_support::TempTree;

TEST(DanglingAndLoopingLinks, CountAsDirectoryLinksAndAreRemoved) {
  TempTree tree;
  ASSERT_TRUE(tree.makeLink("dangling", tree.path("gone")));
  ASSERT_TRUE(tree.makeLink("loop_a", tree.path("loop_b")));
  ASSERT_TRUE(tree.makeLink("loop_b", tree.path("loop_a")));

  for (const char* name : {"dangling", "loop_a"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(fileExists(tree.path(name)));
    EXPECT_FALSE(isDirectory(tree.path(name)));
    EXPECT_TRUE(isDirectoryLink(tree.path(name)));
    EXPECT_TRUE(removeDirectoryTree(tree.path(name)));
    EXPECT_FALSE(tree.exists(name));
  }
  EXPECT_TRUE(tree.exists("loop_b"));
}

TEST(DanglingAndLoopingLinks, InsideATreeAreRemovedWithIt) {
  TempTree tree;
  tree.makeDirectory("target/sub");
  ASSERT_TRUE(tree.makeLink("target/dangling", tree.path("nowhere")));
  ASSERT_TRUE(tree.makeLink("target/sub/up", tree.path("target")));  // a cycle if followed
  ASSERT_TRUE(tree.makeLink("target/sub/self", tree.path("target/sub/self")));

  EXPECT_TRUE(removeDirectoryTree(tree.path("target")));
  EXPECT_FALSE(tree.exists("target"));
}

TEST(LinkToAFile, AtTheTopLevelIsLeftAlone) {
  TempTree tree;
  tree.writeFile("php.ini", "memory_limit=1G");
  ASSERT_TRUE(tree.makeLink("php_target", tree.path("php.ini")));

  EXPECT_FALSE(isDirectoryLink(tree.path("php_target")));
  EXPECT_FALSE(removeDirectoryTree(tree.path("php_target")));
  EXPECT_TRUE(tree.exists("php_target"));
  EXPECT_EQ(tree.readFile("php.ini"), "memory_limit=1G");
}

TEST(RemoveDirectoryTree, KeepsWhatItCannotRemoveAndGoesOn) {
  TempTree tree;
  tree.writeFile("target/a_locked/inner", "stays");
  tree.writeFile("target/b_free/inner", "goes");
  tree.writeFile("target/c_file", "goes");

  EXPECT_TRUE(file_system_support::withoutRootPrivileges(tree, [&] {
    ASSERT_EQ(::chmod(tree.path("target/a_locked").c_str(), 0500), 0);
    EXPECT_FALSE(removeDirectoryTree(tree.path("target")));
    ::chmod(tree.path("target/a_locked").c_str(), 0700);
  }));
  EXPECT_EQ(tree.readFile("target/a_locked/inner"), "stays");
  EXPECT_FALSE(tree.exists("target/b_free"));
  EXPECT_FALSE(tree.exists("target/c_file"));
}

}  // namespace
}  // namespace phpswitch
