// The root guard and the code-page rules of the Windows file-system calls.
// removeDirectoryTree meets the root spellings only on a drive letter and a
// share that Wine maps to a temporary folder for this test, so even a broken
// guard could reach nothing but that folder.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "support/file_system_temp_tree.h"
#include "system/file_system.h"

namespace phpswitch {
namespace {

using file_system_support::TempTree;

TEST(IsRootPath, EverySpellingOfADriveOrShareRoot) {
  const char* roots[] = {
      "C:",
      "C:\\",
      "C:/",
      "c:\\",
      "C:\\\\",
      "  C:\\",
      " C:",
      "?:",
      "1:\\",  // the drive test takes any first byte
      "C:\\.",
      "C:\\..",
      "C:\\Windows\\..",
      "C:\\ ",
      "C:\\.\\",
      "C:/Windows/../",
      "\\",
      "/",
      "\\\\",
      "//",
      "  \\",
      "\\\\server\\share",
      "\\\\server\\share\\",
      "//server/share",
      "\\\\server",
      "\\\\server\\share\\dir\\..",
      "\\\\?\\C:\\",
      "\\\\?\\C:",
      "\\\\.\\C:\\",
      "\\\\.\\C:",
      "\\\\?\\C:\\x\\..",
      "//?/C:/",
      "\\\\?\\UNC\\server\\share",
      "\\\\?\\UNC\\server\\share\\",
      "\\\\.\\UNC\\server\\share",
      "\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\",
  };
  for (const char* spelling : roots) EXPECT_TRUE(isRootPath(spelling)) << spelling;
}

TEST(IsRootPath, PathsBelowARoot) {
  const char* others[] = {"",
                          "   ",
                          "C:\\php",
                          "C:\\php\\",
                          "D:\\php_target",
                          "\\\\server\\share\\php",
                          "\\\\?\\C:\\php",
                          "\\\\?\\UNC\\server\\share\\php",
                          "C:\\x\\y\\..",
                          "php_target"};
  for (const char* spelling : others) EXPECT_FALSE(isRootPath(spelling)) << spelling;
}

// A drive letter and a share \\server\share that Wine maps to folders of a
// temporary tree, made from the Linux side in the prefix's dosdevices.
class SandboxMappings {
 public:
  SandboxMappings(const std::string& driveFolder, const std::string& serverFolder) {
    const std::string cDrive = file_system_support::unixPathOf("C:\\");  // .../dosdevices/c:/
    const auto slash = cDrive.rfind('/', cDrive.size() - 2);
    if (slash == std::string::npos) return;
    const std::string dosdevices = cDrive.substr(0, slash);
    const DWORD used = ::GetLogicalDrives();
    for (char letter = 'P'; letter <= 'Y'; ++letter) {
      if (!(used & (1u << (letter - 'A'))) &&
          !file_system_support::entryExists(std::string(1, letter) + ":\\")) {
        drive_ = letter;
        break;
      }
    }
    server_ =
        "phpswitch-test-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount());
    driveLink_ = dosdevices + "/" + static_cast<char>(drive_ - 'A' + 'a') + ":";
    serverLink_ = dosdevices + "/unc/" + server_;
    file_system_support::startUnixProgram(
        "/bin/sh", "sh -c \"mkdir -p '" + dosdevices + "/unc' && ln -sfn '" +
                       file_system_support::unixPathOf(driveFolder) + "' '" + driveLink_ + "' && ln -sfn '" +
                       file_system_support::unixPathOf(serverFolder) + "' '" + serverLink_ + "'\"");
  }
  // Wine may go on showing a drive it has seen, so nothing waits for the
  // mappings to go; they lead nowhere once the tree is removed.
  ~SandboxMappings() {
    if (!driveLink_.empty())
      file_system_support::startUnixProgram("/bin/rm",
                                            "rm -f \"" + driveLink_ + "\" \"" + serverLink_ + "\"");
  }
  std::string drive() const { return std::string(1, drive_); }
  const std::string& server() const { return server_; }

 private:
  char drive_ = 0;
  std::string server_, driveLink_, serverLink_;
};

TEST(RemoveDirectoryTree, RefusesEveryRootSpellingOfASandboxDriveAndShare) {
  if (!file_system_support::runningUnderWine()) GTEST_SKIP() << "only Wine can map a drive to a test folder";
  TempTree tree;
  tree.writeFile("drive/canary", "drive");
  tree.writeFile("drive/sub/deeper/file", "x");
  tree.writeFile("server/share/canary", "share");
  tree.writeFile("server/share/sub/file", "y");
  const auto before = tree.snapshot("");
  const SandboxMappings sandbox(tree.path("drive"), tree.path("server"));
  const std::string d = sandbox.drive();
  const std::string share = "\\\\" + sandbox.server() + "\\share";
  ASSERT_TRUE(file_system_support::waitFor([&] {
    return file_system_support::entryExists(d + ":\\canary") &&
           file_system_support::entryExists(share + "\\canary");
  }));

  char previous[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryA((d + ":\\sub\\deeper").c_str()));
  const std::string spellings[] = {d + ":",
                                   d + ":\\",
                                   d + ":/",
                                   "  " + d + ":\\",
                                   d + ":\\.",
                                   d + ":\\..",
                                   d + ":\\sub\\..",
                                   d + ":\\sub\\deeper\\..\\..\\",
                                   "\\\\?\\" + d + ":\\",
                                   "\\\\?\\" + d + ":",
                                   "\\\\.\\" + d + ":\\",
                                   "\\\\.\\" + d + ":",
                                   "\\",
                                   "/",
                                   "..\\..",
                                   "..\\..\\..",
                                   share,
                                   share + "\\",
                                   "//" + sandbox.server() + "/share",
                                   share + "\\sub\\..",
                                   "\\\\?\\UNC\\" + sandbox.server() + "\\share",
                                   "\\\\.\\UNC\\" + sandbox.server() + "\\share\\"};
  for (const std::string& spelling : spellings) {
    // The guard is asked first: while it refuses, removal is never tried.
    ASSERT_TRUE(isRootPath(spelling)) << spelling;
    EXPECT_FALSE(removeDirectoryTree(spelling)) << spelling;
    ASSERT_TRUE(file_system_support::entryExists(d + ":\\canary")) << spelling;
    ASSERT_TRUE(file_system_support::entryExists(share + "\\canary")) << spelling;
  }
  ::SetCurrentDirectoryA(previous);
  EXPECT_EQ(tree.snapshot(""), before);
}

// 0x81 0x5C is one character in code page 936 whose second byte is the
// backslash byte: it must not be taken for a separator, nor cut as one.
TEST(RemoveDirectoryTree, NamesEndingInABackslashByteUnderCodePage936) {
  if (::GetACP() != 936) GTEST_SKIP() << "needs the ANSI code page 936";
  TempTree tree;
  const std::string name = "\x81\x5C";
  const std::string folder = tree.path("") + "\\" + name;
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA((folder + "\\" + name).c_str(), nullptr));
  tree.writeFile("keep.txt", "stays");

  EXPECT_FALSE(isDirectoryLink(folder));
  EXPECT_TRUE(removeDirectoryTree(folder + "\\"));  // the real separator goes, the character stays
  EXPECT_FALSE(file_system_support::entryExists(folder));
  EXPECT_EQ(tree.readFile("keep.txt"), "stays");

  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  EXPECT_TRUE(makeDirectoryPath(folder + "\\a\\b"));
  EXPECT_TRUE(removeDirectoryTree(folder));
  EXPECT_FALSE(file_system_support::entryExists(folder));
}

TEST(RemoveDirectoryTree, KeepsAReadOnlyFileAndRemovesTheRest) {
  TempTree tree;
  tree.writeFile("target/locked/readonly.txt", "stays");
  tree.writeFile("target/free/a.txt", "goes");
  tree.writeFile("target/b.txt", "goes");
  ASSERT_TRUE(::SetFileAttributesA(tree.path("target/locked/readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));

  EXPECT_FALSE(removeDirectoryTree(tree.path("target")));
  EXPECT_EQ(tree.readFile("target/locked/readonly.txt"), "stays");
  EXPECT_FALSE(tree.exists("target/free"));
  EXPECT_FALSE(tree.exists("target/b.txt"));
  ::SetFileAttributesA(tree.path("target/locked/readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace phpswitch
