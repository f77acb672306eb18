// The program directory: the folder part of the executable's path (table per
// platform), the real executable found there, and the override that the app
// and tests set from any thread.
#include "system/program_directory.h"

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/runner_temp_folder.h"

namespace phpswitch {
namespace {

TEST(FolderOfExecutable, CutBeforeTheLastSeparator) {
  struct Case {
    const char* path;
    const char* folder;
  } cases[] = {
#ifdef _WIN32
      {"C:\\tools\\x.exe", "C:\\tools"},
      {"C:\\x.exe", "C:"},
      {"\\\\server\\share\\bin\\x.exe", "\\\\server\\share\\bin"},
      {"D:\\a b\\c.d\\x.exe", "D:\\a b\\c.d"},
      // The second byte of 乗 is 0x5C in code page 936: not a separator.
      {"C:\\工具\\乗x.exe", "C:\\工具"},
      {"C:\\乗\\x.exe", "C:\\乗"},
      {"x.exe", ""},
#else
      {"/usr/local/bin/phpswitch", "/usr/local/bin"},
      {"/phpswitch", "/"},
      {"/opt/a b/c.d/phpswitch", "/opt/a b/c.d"},
      {"/opt/工具/phpswitch", "/opt/工具"},
      {"phpswitch", ""},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(folderOfExecutable(c.path), c.folder);
  }
}

TEST(ProgramDirectory, IsTheFolderOfThisExecutableUntilOverridden) {
  const Text folder = programDirectory();
  const Text exe = executablePath();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(folder + pathSeparator() + exe.substr(folder.size() + 1), exe);
  EXPECT_TRUE(std::filesystem::is_regular_file(exe));
  EXPECT_TRUE(std::filesystem::is_directory(folder));

  useProgramDirectory("elsewhere");
  EXPECT_EQ(programDirectory(), "elsewhere");
  useProgramDirectory("");  // back to the executable's folder
  EXPECT_EQ(programDirectory(), folder);
}

TEST(ProgramDirectory, OverrideIsSafeFromSeveralThreads) {
  const Text folders[] = {"first folder", "second folder"};
  useProgramDirectory(folders[0]);
  std::atomic<bool> torn{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if (t % 2 == 0) {
          useProgramDirectory(folders[(i + t / 2) % 2]);
        } else {
          const Text seen = programDirectory();
          if (seen != folders[0] && seen != folders[1]) torn = true;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_FALSE(torn);
  useProgramDirectory("");
}

TEST(SetCurrentDirectory, ChangesTheProcessDirectory) {
  runner_support::TempFolder temp;
  const std::filesystem::path before = std::filesystem::current_path();
  ASSERT_TRUE(setCurrentDirectory(temp.path()));
  EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), temp.path()));
  EXPECT_FALSE(setCurrentDirectory(temp / "missing"));
  EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), temp.path()));
  ASSERT_TRUE(setCurrentDirectory(before.string()));
}

}  // namespace
}  // namespace phpswitch
