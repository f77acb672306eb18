// Paths that cmd would expand even inside quotes ("%") are refused by switch,
// delete, test and the monitor before anything runs or is removed: the App
// through the fake window with the real Windows services, in a temporary folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/app.h"
#include "support/fake_window.h"

namespace phpswitch::testing {
namespace {

constexpr char kRefusal[] = "路径中含有命令解释器会展开的字符,已停止操作";

class WindowsTempFolder {
 public:
  WindowsTempFolder() {
    char base[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, base);
    for (int serial = 1;; ++serial) {
      path_ = std::string(base) + "phpswitch-app-" + std::to_string(::GetCurrentProcessId()) + "-" +
              std::to_string(serial);
      if (::CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
  }
  ~WindowsTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

void makeFile(const std::string& path) { std::ofstream(path, std::ios::binary) << "keep"; }

bool isFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(CommandRefusal, APercentInAPathStopsEveryCommandBeforeItRuns) {
  WindowsTempFolder temp;
  const std::string program = temp / "program";
  const std::string version = temp / "php-7.0.3";
  const std::string target = temp / "%OS%";  // cmd would read %OS% as Windows_NT
  ::CreateDirectoryA(program.c_str(), nullptr);
  ::CreateDirectoryA(version.c_str(), nullptr);
  ::CreateDirectoryA(target.c_str(), nullptr);
  makeFile(version + "\\php.exe");
  makeFile(target + "\\php.exe");
  makeFile(target + "\\keep.txt");

  FakeWindow window;
  window.presetText("编辑框_目标路径", target);
  window.presetText("编辑框_模拟路径", version);
  {
    App app(window, AppServices{program, {}});
    window.setEvents(&app);
    window.open();

    window.click("按钮_切换");
    window.click("按钮_恢复");
    window.click("按钮3");
    // The version path is checked as well.
    window.presetText("编辑框_目标路径", temp / "target");
    window.presetText("编辑框_模拟路径", temp / "php%OS%");
    ::CreateDirectoryA((temp / "php%OS%").c_str(), nullptr);
    makeFile(temp / "php%OS%\\php.exe");
    window.click("按钮_切换");

    window.presetText("编辑框_目标路径", target);
    const Text label = window.waitForText("透明标签_PHP版本",
                                          [](const Text& text) { return text.rfind("PHP版本未知", 0) == 0; });
    EXPECT_EQ(label, "PHP版本未知:路径含有特殊字符");
  }

  const auto boxes = window.boxes();
  ASSERT_EQ(boxes.size(), 4u);
  for (const ShownBox& box : boxes) {
    EXPECT_EQ(box.text, kRefusal);
    EXPECT_EQ(box.style, 0x2010u);
    EXPECT_EQ(box.caption, "Error");
    EXPECT_FALSE(box.owned);
  }
  EXPECT_TRUE(isFile(target + "\\keep.txt"));
  EXPECT_TRUE(isFile(target + "\\php.exe"));
  EXPECT_EQ(window.panel(1), "欢迎使用 PHP环境切换工具 v1.0 phpswitch 开发组");
}

}  // namespace
}  // namespace phpswitch::testing
