// The two folder spellings the Windows listing treats by their last byte:
// the empty folder (the root of the current drive) and a folder ending in a
// double-byte character whose second byte is 0x5C.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "support/file_system_temp_tree.h"
#include "system/listing.h"

namespace phpswitch {
namespace {

using file_system_support::TempTree;

TEST(ListSubdirectories, EmptyFolderSearchesTheRootOfTheCurrentDrive) {
  TempTree tree;
  char previous[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryA(tree.root().c_str()));
  TextList fromEmpty, fromRoot;
  const int count = listSubdirectories("", fromEmpty, true, true);
  listSubdirectories(tree.root().substr(0, 3), fromRoot, false, true);  // "C:\"
  ::SetCurrentDirectoryA(previous);

  ASSERT_GT(count, 0);
  for (Text& member : fromRoot.members()) member = "\\" + member;
  EXPECT_EQ(fromEmpty, fromRoot);
}

// Only the last byte is looked at: 0x81 0x5C counts as ending in a
// backslash, so the search runs on folder + "*.*" and finds the folder's
// namesakes beside it, not its contents.
TEST(ListSubdirectories, FolderEndingInA5CTrailByteGetsNoSeparator) {
  if (::GetACP() != 936) GTEST_SKIP() << "needs the ANSI code page 936";
  TempTree tree;
  const std::string folder = tree.root() + "\\\x81\x5C";
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA((folder + "\\inside").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA((folder + "2").c_str(), nullptr));
  TextList list;

  EXPECT_EQ(listSubdirectories(folder, list, true, true), 2);
  EXPECT_EQ(list, (TextList{folder + "\x81\x5C", folder + "\x81\x5C"
                                                          "2"}));
}

}  // namespace
}  // namespace phpswitch
