// listSubdirectories on real temporary folders, on every build: which entries
// count, how members are spelled, and how the list passed in is kept.
#include "system/listing.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "support/file_system_temp_tree.h"

namespace phpswitch {
namespace {

using file_system_support::kSeparator;
using file_system_support::TempTree;

// The program directory of a typical installation: two PHP folders, a dot
// folder and a file.
void fillProgramDirectory(const TempTree& tree) {
  tree.makeDirectory("php-7.0.3");
  tree.makeDirectory("PHP8");
  tree.makeDirectory(".cache");
  tree.writeFile("php.ini", "x=1");
}

TEST(ListSubdirectories, NamesOfFoldersSortedCaseSensitively) {
  TempTree tree;
  fillProgramDirectory(tree);
  TextList list;

  EXPECT_EQ(listSubdirectories(tree.root(), list, false, true), 2);
  EXPECT_EQ(list, (TextList{"PHP8", "php-7.0.3"}));
}

TEST(ListSubdirectories, FullPathsAreTheSameWithOrWithoutTrailingSeparator) {
  TempTree tree;
  fillProgramDirectory(tree);
  const TextList expected{tree.path("PHP8"), tree.path("php-7.0.3")};

  for (const std::string& folder : {tree.root(), tree.root() + kSeparator}) {
    SCOPED_TRACE(folder);
    TextList list;
    EXPECT_EQ(listSubdirectories(folder, list, true, true), 2);
    EXPECT_EQ(list, expected);
  }
}

TEST(ListSubdirectories, UnsortedGivesTheSameMembersInTheSystemsOrder) {
  TempTree tree;
  fillProgramDirectory(tree);
  TextList list;

  EXPECT_EQ(listSubdirectories(tree.root(), list), 2);
  std::sort(list.members().begin(), list.members().end());
  EXPECT_EQ(list, (TextList{"PHP8", "php-7.0.3"}));
}

TEST(ListSubdirectories, AppendsToTheListAndSortsItWhole) {
  TempTree tree;
  fillProgramDirectory(tree);
  TextList list{"zeta", "Alpha"};

  EXPECT_EQ(listSubdirectories(tree.root(), list, false, true), 4);
  EXPECT_EQ(list, (TextList{"Alpha", "PHP8", "php-7.0.3", "zeta"}));
}

TEST(ListSubdirectories, AddsNothingForFoldersWithoutSubfolders) {
  TempTree tree;
  tree.makeDirectory("empty");
  tree.writeFile("files/a.txt", "a");
  tree.writeFile("file.txt", "f");

  for (const std::string& folder :
       {tree.path("empty"), tree.path("files"), tree.path("missing"), tree.path("file.txt")}) {
    SCOPED_TRACE(folder);
    TextList list{"kept"};
    EXPECT_EQ(listSubdirectories(folder, list, true, true), 1);
    EXPECT_EQ(list, TextList{"kept"});
  }
}

TEST(ListSubdirectories, ListsLinksToFoldersButNotToFiles) {
  TempTree tree;
  tree.makeDirectory("installs/php-8.3");
  tree.writeFile("installs/notes.txt", "n");
  tree.makeDirectory("program");
  if (!tree.makeLink("program/current", tree.path("installs/php-8.3")) ||
      !tree.makeLink("program/notes", tree.path("installs/notes.txt"))) {
    GTEST_SKIP() << "cannot make links here";
  }
#ifndef _WIN32
  ASSERT_TRUE(
      tree.makeLink("program/dangling", tree.path("installs/gone")));  // Win32 under Wine cannot see one
#endif
  TextList list;

  EXPECT_EQ(listSubdirectories(tree.path("program"), list, false, true), 1);
  EXPECT_EQ(list, TextList{"current"});
}

}  // namespace
}  // namespace phpswitch
