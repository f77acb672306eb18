// The root guard on POSIX. isRootPath is asked directly; removeDirectoryTree
// is asked only inside a child process jailed (chroot) in a temporary folder,
// so that even a broken guard could reach nothing but that folder.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/file_system_temp_tree.h"
#include "system/file_system.h"

namespace phpswitch {
namespace {

using file_system_support::TempTree;

// "../" often enough to climb from the current directory past "/".
std::string climbToRoot() {
  const std::string current = std::filesystem::current_path().string();
  std::string up;
  for (char c : current) {
    if (c == '/') up += "../";
  }
  return up + "..";
}

TEST(IsRootPath, EverySpellingOfTheRoot) {
  TempTree tree;
  tree.makeDirectory("a/b");
  // Real links: the text says "inside the tree", the file system says "/".
  ASSERT_TRUE(tree.makeLink("to_usr", "/usr"));
  const std::string roots[] = {"/",
                               "//",
                               "///",
                               "/.",
                               "/..",
                               "/./..",
                               "/../..",
                               "  /",
                               " //.",
                               "/tmp/..",
                               "/tmp/../",
                               "/no/such/folder/../../..",
                               tree.path("a/b/../../../.."),
                               tree.path("to_usr/.."),
                               tree.path("to_usr/../"),
                               climbToRoot()};
  for (const std::string& spelling : roots) EXPECT_TRUE(isRootPath(spelling)) << spelling;
}

TEST(IsRootPath, PathsThatAreNotTheRoot) {
  TempTree tree;
  tree.makeDirectory("a");
  ASSERT_TRUE(tree.makeLink("to_root", "/"));
  const std::string others[] = {"", "   ", "/tmp", "/ ", "/..a", "/.x", "tmp", tree.path("a"),
                                tree.path("a/.."),
                                // A link to "/" is a link: removing it removes the link only.
                                tree.path("to_root"), tree.path("to_root/")};
  for (const std::string& spelling : others) EXPECT_FALSE(isRootPath(spelling)) << spelling;
}

// Runs `body` in a child process whose root directory is `jail`; the
// child's exit code is the result, 77 when this machine cannot jail it.
int inJail(const std::string& jail, int (*body)()) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chroot(jail.c_str()) != 0) {
      // Not root: a user namespace gives the child the right to chroot.
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || ::chroot(jail.c_str()) != 0) ::_exit(77);
    }
    // Away from "/", so that the guard of the current directory cannot hide a hole in the root guard.
    if (::chdir("/home/user") != 0) ::_exit(78);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(RemoveDirectoryTree, RefusesEveryRootSpellingInAJail) {
  TempTree jail;
  jail.makeDirectory("home/user/php");
  jail.writeFile("canary", "still here");
  jail.writeFile("home/user/php/php", "#!/bin/sh");
  jail.makeDirectory("etc");
  const auto before = jail.snapshot("");

  const int result = inJail(jail.root(), [] {
    const char* spellings[] = {"/",
                               "//",
                               "/.",
                               "/..",
                               "  /",
                               "/./",
                               "/home/..",
                               "/home/user/../..",
                               "/missing/..",
                               "../..",
                               "../../",
                               "../../..",
                               "php/../../..",
                               "/home/user/php/../../../"};
    int index = 1;
    for (const char* spelling : spellings) {
      // The guard is asked first: a refusal there means nothing was touched.
      if (!isRootPath(spelling)) return index;
      if (removeDirectoryTree(spelling)) return 100 + index;
      if (::access("/canary", F_OK) != 0) return 200 + index;
      ++index;
    }
    return 0;
  });
  if (result == 77) GTEST_SKIP() << "no chroot on this machine";
  EXPECT_EQ(result, 0) << "1-99: not seen as a root, 100+: removal reported, 200+: canary gone";
  EXPECT_EQ(jail.snapshot(""), before);
}

}  // namespace
}  // namespace phpswitch
