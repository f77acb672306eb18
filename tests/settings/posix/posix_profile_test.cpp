// The POSIX profile port's file handling: a write replaces the file in one
// rename and keeps its mode and links; what cannot be read is never replaced.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/profile.h"
#include "shared/posix_privileges.h"
#include "support/temp_folder.h"

namespace phpswitch {
namespace {

namespace fs = std::filesystem;

struct stat statOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info;
}

TEST(PosixProfile, AWriteReplacesTheFileWholeAndLeavesNoTemporaryFile) {
  testing::TempFolder folder;
  const fs::path file = folder.path() / "setsoft.ini";
  const std::string before = "; mine\r\n[S]\r\nk=old\r\n";
  testing::writeBytes(file, before);
  std::ifstream reader(file, std::ios::binary);  // opened before the write

  ASSERT_TRUE(writeProfileValue(file.string(), "S", "k", "new"));

  // The old file was never truncated or rewritten in place.
  std::ostringstream seen;
  seen << reader.rdbuf();
  EXPECT_EQ(seen.str(), before);
  EXPECT_EQ(testing::readBytes(file), "; mine\r\n[S]\r\nk=new\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(PosixProfile, ModeOfAnExistingFileStaysNewFilesFollowTheUmask) {
  testing::TempFolder folder;
  const fs::path file = folder.path() / "setsoft.ini";
  testing::writeBytes(file, "[S]\n");
  ASSERT_EQ(::chmod(file.c_str(), 0604), 0);
  ASSERT_TRUE(writeProfileValue(file.string(), "S", "k", "v"));
  EXPECT_EQ(statOf(file).st_mode & 07777, 0604u);

  const mode_t old = ::umask(027);
  const bool written = writeProfileValue((folder.path() / "new.ini").string(), "S", "k", "v");
  ::umask(old);
  ASSERT_TRUE(written);
  EXPECT_EQ(statOf(folder.path() / "new.ini").st_mode & 07777, 0640u);
}

TEST(PosixProfile, ALinkedSettingsFileStaysALink) {
  testing::TempFolder folder;
  const fs::path real = folder.path() / "real.ini";
  const fs::path link = folder.path() / "setsoft.ini";
  testing::writeBytes(real, "[S]\nk=1\n");
  fs::create_symlink(real, link);

  ASSERT_TRUE(writeProfileValue(link.string(), "S", "k", "2"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(testing::readBytes(real), "[S]\nk=2\n");
  EXPECT_EQ(readProfileValue(link.string(), "S", "k"), "2");
}

TEST(PosixProfile, AnUnchangedValueDoesNotRewriteTheFile) {
  testing::TempFolder folder;
  const fs::path file = folder.path() / "setsoft.ini";
  testing::writeBytes(file, "[S]\nk=v\n");
  const ino_t before = statOf(file).st_ino;
  ASSERT_TRUE(writeProfileValue(file.string(), "s", "K", "v"));
  EXPECT_EQ(statOf(file).st_ino, before);
}

TEST(PosixProfile, WhatCannotBeReadIsNeverReplaced) {
  testing::TempFolder folder;
  const fs::path notAFile = folder.path() / "setsoft.ini";
  fs::create_directory(notAFile);
  testing::writeBytes(notAFile / "inside", "kept");
  EXPECT_FALSE(writeProfileValue(notAFile.string(), "S", "k", "v"));
  EXPECT_EQ(readProfileValue(notAFile.string(), "S", "k", "F"), "F");
  EXPECT_TRUE(fs::is_directory(notAFile));
  EXPECT_EQ(testing::readBytes(notAFile / "inside"), "kept");

  // A file standing where the folder should be.
  const fs::path underFile = notAFile / "inside" / "setsoft.ini";
  EXPECT_FALSE(writeProfileValue(underFile.string(), "S", "k", "v"));
  EXPECT_EQ(testing::readBytes(notAFile / "inside"), "kept");
}

// A FIFO in the file's place has no end: a read must not wait for a writer.
TEST(PosixProfile, AFifoInTheFilesPlaceIsNeitherWaitedOnNorReplaced) {
  testing::TempFolder folder;
  const fs::path fifo = folder.path() / "setsoft.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(readProfileValue(fifo.string(), "S", "k", "F"), "F");
  EXPECT_FALSE(writeProfileValue(fifo.string(), "S", "k", "v"));
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(PosixProfile, AReadOnlyFileIsLeftAlone) {
  testing::TempFolder folder;
  const fs::path file = folder.path() / "setsoft.ini";
  testing::writeBytes(file, "[S]\nk=old\n");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_TRUE(testing_shared::withoutRootPrivileges(folder.path().string(), [&] {
    EXPECT_FALSE(writeProfileValue(file.string(), "S", "k", "new"));
    EXPECT_EQ(testing::readBytes(file), "[S]\nk=old\n");
  }));
}

}  // namespace
}  // namespace phpswitch
