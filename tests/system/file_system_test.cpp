// File-system tests and removeDirectoryTree on real temporary trees, on every
// build. Links are real: POSIX symlinks, or Unix symlinks made from the Linux
// side under Wine (where Win32 cannot remove a directory link: the test then
// checks that the destination is untouched and the link is reported as kept).
#include "system/file_system.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/file_system_temp_tree.h"

namespace phpswitch {
namespace {

using file_system_support::kSeparator;
using file_system_support::TempTree;

// Wine 8 fails RemoveDirectoryA on a directory link; everywhere else the link goes.
bool directoryLinksAreRemovable() {
#ifdef _WIN32
  return !file_system_support::runningUnderWine();
#else
  return true;
#endif
}

// Wine 8 shows a link to a file as a plain file and DeleteFileA removes its
// destination, even through FILE_FLAG_OPEN_REPARSE_POINT; Windows marks it as
// a reparse point and deletes the link.
bool fileLinksAreSeen() {
#ifdef _WIN32
  return !file_system_support::runningUnderWine();
#else
  return true;
#endif
}

// A PHP installation with files, a nested folder and dot names.
void fillInstallation(const TempTree& tree, const std::string& at) {
  tree.makeDirectory(at + "/ext/.cache");
  tree.writeFile(at + "/php.exe", "MZ php");
  tree.writeFile(at + "/.user.ini", "memory_limit=1G");
  tree.writeFile(at + "/ext/php_curl.dll", "curl");
  tree.writeFile(at + "/ext/.cache/x", "cached");
}

TEST(FileSystemQueries, AnswerForEachKindOfEntry) {
  TempTree tree;
  tree.makeDirectory("empty");
  fillInstallation(tree, "full");
  tree.writeFile("plain.txt", "text");
  const bool links =
      tree.makeLink("to_empty", tree.path("empty")) && tree.makeLink("to_full", tree.path("full"));

  struct Case {
    std::string path;
    bool directory, exists, empty, link;
    bool needsLinks = false;
  };
  const Case cases[] = {
      {tree.path("empty"), true, true, true, false},
      {tree.path("full"), true, true, false, false},
      {tree.path("plain.txt"), false, true, false, false},
      {tree.path("missing"), false, false, false, false},
      {"", false, false, false, false},
      // A link answers for its destination, except when asked whether it is a link.
      {tree.path("to_empty"), true, true, true, true, true},
      {tree.path("to_full"), true, true, false, true, true},
  };
  for (const Case& c : cases) {
    if (c.needsLinks && !links) continue;
    SCOPED_TRACE(c.path);
    EXPECT_EQ(isDirectory(c.path), c.directory);
    EXPECT_EQ(fileExists(c.path), c.exists);
    EXPECT_EQ(isEmptyDirectory(c.path), c.empty);
    EXPECT_EQ(isDirectoryLink(c.path), c.link);
  }
  if (!links) GTEST_SKIP() << "this system cannot make directory links here";
  EXPECT_TRUE(isDirectoryLink(tree.path("to_full") + kSeparator));  // the link, not its destination
}

TEST(RemoveDirectoryTree, RemovesARealTreeWithDotNames) {
  TempTree tree;
  fillInstallation(tree, "target");
  tree.makeDirectory("target/.git/objects");
  tree.writeFile("target/.git/objects/ab", "blob");
  tree.makeDirectory("target/..hidden");

  EXPECT_TRUE(removeDirectoryTree(tree.path("target")));
  EXPECT_FALSE(tree.exists("target"));
}

TEST(RemoveDirectoryTree, SkipsLeadingBlanksAndTrailingSeparators) {
  TempTree tree;
  fillInstallation(tree, "a");
  fillInstallation(tree, "b");

  EXPECT_TRUE(removeDirectoryTree("   " + tree.path("a")));
  EXPECT_TRUE(removeDirectoryTree(tree.path("b") + kSeparator));
  EXPECT_FALSE(tree.exists("a"));
  EXPECT_FALSE(tree.exists("b"));
}

TEST(RemoveDirectoryTree, LeavesWhatIsNotADirectory) {
  TempTree tree;
  tree.writeFile("php.ini", "x=1");

  EXPECT_FALSE(removeDirectoryTree(tree.path("php.ini")));  // a file at the top level stays
  EXPECT_EQ(tree.readFile("php.ini"), "x=1");
  EXPECT_FALSE(removeDirectoryTree(tree.path("missing")));
  EXPECT_FALSE(removeDirectoryTree(""));
  EXPECT_FALSE(removeDirectoryTree("    "));
  EXPECT_TRUE(tree.exists(""));
}

TEST(RemoveDirectoryTree, RemovesATopLevelLinkOnlyAsALink) {
  TempTree tree;
  fillInstallation(tree, "php-8.3");
  if (!tree.makeLink("php_target", tree.path("php-8.3")) ||
      !tree.makeLink("php_slash", tree.path("php-8.3"))) {
    GTEST_SKIP() << "cannot make directory links here";
  }
  const auto before = tree.snapshot("php-8.3");

  // A trailing separator must still name the link, not its destination.
  EXPECT_EQ(removeDirectoryTree(tree.path("php_target")), directoryLinksAreRemovable());
  EXPECT_EQ(removeDirectoryTree(tree.path("php_slash") + kSeparator), directoryLinksAreRemovable());

  EXPECT_EQ(tree.snapshot("php-8.3"), before);
  EXPECT_EQ(tree.exists("php_target"), !directoryLinksAreRemovable());
  EXPECT_EQ(tree.exists("php_slash"), !directoryLinksAreRemovable());
}

TEST(RemoveDirectoryTree, RemovesLinksInsideTheTreeWithoutFollowingThem) {
  TempTree tree;
  fillInstallation(tree, "outside");
  tree.writeFile("outside.txt", "keep me");
  tree.makeDirectory("target/deep/er");
  tree.writeFile("target/deep/file", "gone");
  if (!tree.makeLink("target/deep/er/to_dir", tree.path("outside")) ||
      (fileLinksAreSeen() && !tree.makeLink("target/to_file", tree.path("outside.txt")))) {
    GTEST_SKIP() << "cannot make links here";
  }
  const auto before = tree.snapshot("outside");

  const bool removed = removeDirectoryTree(tree.path("target"));

  EXPECT_EQ(tree.snapshot("outside"), before);
  EXPECT_EQ(tree.readFile("outside.txt"), "keep me");
  EXPECT_FALSE(tree.exists("target/to_file"));  // a link to a file goes as a file does
  EXPECT_FALSE(tree.exists("target/deep/file"));
  EXPECT_EQ(removed, directoryLinksAreRemovable());
  EXPECT_EQ(tree.exists("target"), !directoryLinksAreRemovable());
  EXPECT_EQ(tree.exists("target/deep/er/to_dir"), !directoryLinksAreRemovable());
}

// Removing the current directory or a folder above it would take the
// program's own folder; "." is the usual way to ask for that by mistake.
TEST(RemoveDirectoryTree, RefusesTheCurrentDirectoryAndItsParents) {
  TempTree tree;
  fillInstallation(tree, "app/bin");
  const auto before = tree.snapshot("");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(tree.path("app/bin"));

  const std::string spellings[] = {".",
                                   "..",
                                   tree.path("app/bin"),
                                   tree.path("app"),
                                   tree.root(),
                                   "." + std::string(1, kSeparator),
                                   tree.path("app/bin/ext/..")};
  for (const std::string& spelling : spellings) EXPECT_FALSE(removeDirectoryTree(spelling)) << spelling;
  std::filesystem::current_path(previous);
  EXPECT_EQ(tree.snapshot(""), before);
}

TEST(AbsolutePath, TakesARelativePathFromTheCurrentDirectory) {
  TempTree tree;
  tree.makeDirectory("php-8.2");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(tree.root());

  EXPECT_EQ(absolutePath("php-8.2"), tree.path("php-8.2"));
  EXPECT_EQ(absolutePath(tree.path("php-8.2")), tree.path("php-8.2"));  // already absolute
  EXPECT_EQ(absolutePath(""), "");
  std::filesystem::current_path(previous);
}

TEST(MakeDirectoryPath, CreatesEveryMissingFolder) {
  TempTree tree;
  tree.writeFile("file", "x");

  EXPECT_TRUE(makeDirectoryPath(tree.path("data/a/b")));
  EXPECT_TRUE(isDirectory(tree.path("data/a/b")));
  EXPECT_TRUE(makeDirectoryPath(tree.path("data/a/b")));             // already there
  EXPECT_TRUE(makeDirectoryPath(tree.path("data/c") + kSeparator));  // trailing separator
  EXPECT_TRUE(isDirectory(tree.path("data/c")));
  EXPECT_FALSE(makeDirectoryPath(tree.path("file")));    // a file stands there
  EXPECT_FALSE(makeDirectoryPath(tree.path("file/x")));  // and cannot hold a folder
  EXPECT_EQ(tree.readFile("file"), "x");
}

}  // namespace
}  // namespace phpswitch
