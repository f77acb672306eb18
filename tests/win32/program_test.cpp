// phpswitch.exe driven from another process through Win32 messages only, as
// an automation tool would: the window found by its title, controls by their
// IDs, texts read with WM_GETTEXT, clicks and keys posted. Status-bar messages
// are not marshalled between processes, so panels are read through memory
// allocated in the program's process. Each test runs its own copy of the
// program in a temporary program folder with a stand-in php.exe.
// Arguments: <phpswitch.exe> <stand-in php.exe>.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "app/layout.h"
#include "app/win32/win32_window.h"

namespace phpswitch {
namespace {

Text programExe;
Text standInPhp;

constexpr DWORD kStartPatienceMs = 60000;  // a first start may still be setting up the Wine prefix
constexpr DWORD kPatienceMs = 30000;       // bound for anything the program does on its own

// Polls `done` until it holds; false when `patienceMs` pass first.
bool eventually(const std::function<bool()>& done, DWORD patienceMs = kPatienceMs) {
  const ULONGLONG deadline = ::GetTickCount64() + patienceMs;
  while (!done()) {
    if (::GetTickCount64() > deadline) return false;
    ::Sleep(50);
  }
  return true;
}

// A path given by ctest is a Unix path; Wine maps the Unix root to drive Z:.
Text windowsPath(Text path) {
  if (path.empty() || path[0] != '/') return path;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return "Z:" + path;
}

void removeTree(const Text& path) {
  WIN32_FIND_DATAA entry;
  HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const Text name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const Text full = path + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(full);
      } else {
        ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(full.c_str());
      }
    } while (::FindNextFileA(search, &entry));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(path.c_str());
}

Text fileContents(const Text& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

const ControlSpec& layoutOf(std::string_view name) {
  const ControlSpec* found = findControl(name);
  if (found == nullptr) throw std::runtime_error("no control " + Text(name));
  return *found;
}

int controlId(std::string_view name) { return kFirstControlId + static_cast<int>(&layoutOf(name) - mainWindowControls().data()); }

RECT layoutRect(const ControlSpec& control) {
  int x = control.x, y = control.y;
  if (*control.parent != '\0') {
    const RECT box = layoutRect(layoutOf(control.parent));
    x += box.left;
    y += box.top;
  }
  return RECT{x, y, x + control.width, y + control.height};
}

// Memory in another process, for messages whose pointers are not marshalled.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, std::size_t size)
      : process_(process), size_(size),
        address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  LPARAM address() const { return reinterpret_cast<LPARAM>(address_); }
  std::string read() const {
    std::string bytes(size_, '\0');
    SIZE_T copied = 0;
    ::ReadProcessMemory(process_, address_, bytes.data(), size_, &copied);
    bytes.resize(copied);
    return bytes;
  }

 private:
  HANDLE process_;
  std::size_t size_;
  void* address_;
};

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof(temp), temp);
    static int serial = 0;
    root_ = Text(temp) + "phpswitch-program-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++serial);
    folder_ = root_ + "\\prog";
    for (const Text& dir : {root_, folder_, folder_ + "\\php-7.0.3", folder_ + "\\PHP8", folder_ + "\\php版本",
                            folder_ + "\\.cache"}) {
      ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr)) << dir;
    }
    char full[MAX_PATH] = {};
    ::GetLongPathNameA(folder_.c_str(), full, sizeof(full));
    folder_ = full;
    ASSERT_TRUE(::CopyFileA(programExe.c_str(), (folder_ + "\\phpswitch.exe").c_str(), FALSE)) << programExe;
    ASSERT_TRUE(::CopyFileA(standInPhp.c_str(), (folder_ + "\\php-7.0.3\\php.exe").c_str(), FALSE)) << standInPhp;
    settings_ = folder_ + "\\data\\setsoft.ini";
  }

  void TearDown() override {
    if (process_.hProcess != nullptr) {
      if (::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(process_.hProcess, 99);
      ::WaitForSingleObject(process_.hProcess, 10000);
      ::CloseHandle(process_.hProcess);
      ::CloseHandle(process_.hThread);
    }
    removeTree(root_);
  }

  void writeSettings(const Text& target, const Text& version) {
    ::CreateDirectoryA((folder_ + "\\data").c_str(), nullptr);
    ::WritePrivateProfileStringA("编辑框", "编辑框_目标路径", target.c_str(), settings_.c_str());
    ::WritePrivateProfileStringA("编辑框", "编辑框_模拟路径", version.c_str(), settings_.c_str());
  }

  Text savedField(const char* name) {
    char value[MAX_PATH] = {};
    ::GetPrivateProfileStringA("编辑框", name, "", value, sizeof(value), settings_.c_str());
    return value;
  }

  // Starts the program from another current directory and waits for its window.
  void launch() {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    const Text exe = folder_ + "\\phpswitch.exe";
    Text commandLine = "\"" + exe + "\"";
    ASSERT_TRUE(::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 root_.c_str(), &startup, &process_))
        << "error " << ::GetLastError();
    ASSERT_TRUE(eventually([&] { return (main_ = findMainWindow()) != nullptr; }, kStartPatienceMs))
        << "no window titled " << mainWindowSpec().title << "; " << describeProcess();
    // The start-up sequence has run once the directory list is filled.
    ASSERT_TRUE(eventually([&] { return ::SendMessageA(control("列表框_menus"), LB_GETCOUNT, 0, 0) > 0; }));
  }

  HWND findMainWindow() {
    struct Search {
      DWORD process;
      HWND found;
    } search{process_.dwProcessId, nullptr};
    ::EnumWindows(
        [](HWND candidate, LPARAM data) -> BOOL {
          auto* search = reinterpret_cast<Search*>(data);
          DWORD owner = 0;
          ::GetWindowThreadProcessId(candidate, &owner);
          if (owner != search->process || !::IsWindowVisible(candidate)) return TRUE;
          char title[256] = {};
          ::GetWindowTextA(candidate, title, sizeof(title));
          if (std::string_view(title) != mainWindowSpec().title) return TRUE;
          search->found = candidate;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // For a failed start: whether the program still runs, and its top-level windows.
  std::string describeProcess() {
    DWORD code = 0;
    ::GetExitCodeProcess(process_.hProcess, &code);
    std::string out = code == STILL_ACTIVE ? "running" : "exited with " + std::to_string(code);
    struct Search {
      DWORD process;
      std::string* out;
    } search{process_.dwProcessId, &out};
    ::EnumWindows(
        [](HWND candidate, LPARAM data) -> BOOL {
          auto* search = reinterpret_cast<Search*>(data);
          DWORD owner = 0;
          ::GetWindowThreadProcessId(candidate, &owner);
          if (owner != search->process) return TRUE;
          char name[64] = {}, title[256] = {};
          ::GetClassNameA(candidate, name, sizeof(name));
          ::GetWindowTextA(candidate, title, sizeof(title));
          *search->out += std::string("; window ") + name + " \"" + title + "\"" +
                          (::IsWindowVisible(candidate) ? " visible" : " hidden");
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return out;
  }

  // The program's first visible dialog box ("#32770"), or null.
  HWND findDialog() {
    struct Search {
      DWORD process;
      HWND found;
    } search{process_.dwProcessId, nullptr};
    ::EnumWindows(
        [](HWND candidate, LPARAM data) -> BOOL {
          auto* search = reinterpret_cast<Search*>(data);
          DWORD owner = 0;
          ::GetWindowThreadProcessId(candidate, &owner);
          char name[16] = {};
          ::GetClassNameA(candidate, name, sizeof(name));
          if (owner != search->process || std::string_view(name) != "#32770" || !::IsWindowVisible(candidate)) {
            return TRUE;
          }
          search->found = candidate;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  HWND waitForDialog() {
    HWND dialog = nullptr;
    eventually([&] { return (dialog = findDialog()) != nullptr; });
    return dialog;
  }

  HWND control(std::string_view name) { return ::GetDlgItem(main_, controlId(name)); }

  static Text text(HWND window) {
    char buffer[4096] = {};
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutA(window, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                          5000, &copied);
    return buffer;
  }
  Text text(std::string_view name) { return text(control(name)); }

  Text panel(int part) {
    HWND bar = control("状态条1");
    EXPECT_EQ(HIWORD(::SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0)), 0)
        << "panel " << part << ": default sunken border, no other style";
    RemoteBuffer buffer(process_.hProcess, 1024);
    ::SendMessageA(bar, SB_GETTEXTA, part, buffer.address());
    const std::string bytes = buffer.read();
    return textFromBuffer(bytes.data(), bytes.size());
  }

  std::vector<int> panelEdges() {
    RemoteBuffer buffer(process_.hProcess, 8 * sizeof(int));
    const auto count = ::SendMessageA(control("状态条1"), SB_GETPARTS, 8, buffer.address());
    std::vector<int> edges(static_cast<std::size_t>(count));
    std::memcpy(edges.data(), buffer.read().data(), edges.size() * sizeof(int));
    return edges;
  }

  // Types into a field as a user would: a click gives it the focus, the text
  // replaces what it held.
  void typeInto(std::string_view name, const Text& value) {
    HWND box = control(name);
    ::PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ::PostMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    ASSERT_TRUE(eventually([&] { return (::GetWindowLongA(box, GWL_STYLE) & WS_VISIBLE) && focusedIn() == box; }));
    ::SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
  }

  HWND focusedIn() {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(process_.dwThreadId, &info);
    return info.hwndFocus;
  }

  void click(std::string_view button) { ::PostMessageA(control(button), BM_CLICK, 0, 0); }

  struct Box {
    Text text, caption;
  };
  // Reads the message box that the program shows and presses `button`.
  Box answerMessageBox(int button) {
    HWND dialog = waitForDialog();
    if (dialog == nullptr) return {"(no message box)", ""};
    Box box{text(::GetDlgItem(dialog, 0xFFFF)), text(dialog)};
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    EXPECT_TRUE(eventually([&] { return !::IsWindow(dialog); })) << "the box did not close";
    return box;
  }

  Text root_, folder_, settings_;
  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
};

TEST_F(ProgramTest, ShowsTheWindowAndEveryControlAsLaidOut) {
  launch();
  ASSERT_NE(main_, nullptr);
  EXPECT_EQ(text(main_), mainWindowSpec().title);
  RECT outer;
  ::GetWindowRect(main_, &outer);
  const WindowSpec& window = mainWindowSpec();
  EXPECT_EQ(outer.left, window.x);
  EXPECT_EQ(outer.top, window.y);
  EXPECT_EQ(outer.right - outer.left, window.width);
  EXPECT_EQ(outer.bottom - outer.top, window.height);

  RECT client;
  ::GetClientRect(main_, &client);
  for (const ControlSpec& entry : mainWindowControls()) {
    SCOPED_TRACE(entry.name);
    HWND handle = control(entry.name);
    ASSERT_NE(handle, nullptr);
    RECT place;
    ::GetWindowRect(handle, &place);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(handle), reinterpret_cast<POINT*>(&place), 2);
    if (entry.kind == ControlKind::StatusBar) {
      // The status bar docks to the bottom edge over the whole width.
      EXPECT_EQ(place.left, 0);
      EXPECT_EQ(place.right, client.right);
      EXPECT_EQ(place.bottom, client.bottom);
      EXPECT_GT(place.bottom - place.top, 10);
      continue;
    }
    const RECT expected = layoutRect(entry);
    EXPECT_EQ(place.left, expected.left);
    EXPECT_EQ(place.top, expected.top);
    EXPECT_EQ(place.right - place.left, entry.width);
    EXPECT_EQ(place.bottom - place.top, entry.height);
    if (entry.kind != ControlKind::ListBox && std::string_view(entry.name) != "透明标签_PHP版本") {
      EXPECT_EQ(text(handle), initialTextOf(entry));
    }
  }
  EXPECT_EQ(text("编辑框_目标路径"), "D:\\php_target");
  EXPECT_EQ(text("编辑框_模拟路径"), "E:\\php\\php-7.0.3");
  EXPECT_EQ(panelEdges(), (std::vector<int>{50, 330, -1}));
  for (int part = 0; part < 3; ++part) EXPECT_EQ(panel(part), statusPanels()[part].text);

  // No php.exe under the default target path.
  EXPECT_TRUE(eventually([&] { return text("透明标签_PHP版本") == "PHP文件丢失"; })) << text("透明标签_PHP版本");
  EXPECT_EQ(::GetFileAttributesA(settings_.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing saved at start-up";
}

TEST_F(ProgramTest, RestoresTheFieldsAndListsTheProgramFolder) {
  writeSettings(folder_ + "\\php-7.0.3", folder_ + "\\php版本");
  const Text before = fileContents(settings_);
  launch();
  EXPECT_EQ(text("编辑框_目标路径"), folder_ + "\\php-7.0.3");
  EXPECT_EQ(text("编辑框_模拟路径"), folder_ + "\\php版本");

  HWND list = control("列表框_menus");
  std::vector<Text> items;
  const auto count = ::SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (int i = 0; i < count; ++i) {
    // Read as UTF-16 and converted here, as automation tools do: Wine does not
    // convert an LB_GETTEXT answer back to ANSI between processes.
    wchar_t item[MAX_PATH] = {};
    ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
    char bytes[2 * MAX_PATH] = {};
    ::WideCharToMultiByte(CP_ACP, 0, item, -1, bytes, sizeof(bytes), nullptr, nullptr);
    items.emplace_back(bytes);
  }
  // Full paths in ascending byte order; the dot folder and the files are not listed.
  EXPECT_EQ(items, (std::vector<Text>{folder_ + "\\PHP8", folder_ + "\\data", folder_ + "\\php-7.0.3",
                                      folder_ + "\\php版本"}));

  // The monitor runs the stand-in php.exe at the restored target path.
  EXPECT_TRUE(eventually([&] { return text("透明标签_PHP版本") == "PHP版本为:7.0.3"; })) << text("透明标签_PHP版本");
  EXPECT_EQ(fileContents(settings_), before) << "restoring saves nothing";

  // A double-click on an item makes it the version path.
  ::SendMessageA(list, LB_SETCURSEL, 0, 0);
  ::PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4));
  EXPECT_TRUE(eventually([&] { return text("编辑框_模拟路径") == folder_ + "\\PHP8"; })) << text("编辑框_模拟路径");
}

struct SwitchCase {
  const char* version;  // relative to the program folder when it has no drive
  const char* message;
  const char* caption;
  int answer;
};

TEST_F(ProgramTest, SwitchChecksTheVersionPathBeforeTouchingAnything) {
  writeSettings(folder_ + "\\current", folder_ + "\\PHP8");
  launch();
  const Text panelBefore = panel(1);
  const SwitchCase cases[] = {
      {"missing", "需要被模拟路径不存在", "Error", IDOK},
      {"PHP8", "PHP.exe 未找到", "信息：", IDOK},
      // A relative path works from the program folder, whatever folder started
      // the program; the target does not exist, so the program asks first.
      {"", "确定切换环境吗?\r\n切换环境会将现有模拟路径删除后重建,请确认无误后点击确定", "将会删除模拟目录", IDNO},
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(c.message);
    const Text version = *c.version == '\0' ? Text("php-7.0.3") : folder_ + "\\" + c.version;
    typeInto("编辑框_模拟路径", version);
    click("按钮_切换");
    const Box box = answerMessageBox(c.answer);
    EXPECT_EQ(box.text, c.message);
    EXPECT_EQ(box.caption, c.caption);
  }
  EXPECT_EQ(panel(1), panelBefore) << "no command ran";
}

TEST_F(ProgramTest, DeleteReportsTheRemovedLink) {
  writeSettings(folder_ + "\\gone", folder_ + "\\php-7.0.3");
  launch();
  click("按钮_恢复");
  const Box box = answerMessageBox(IDOK);
  EXPECT_EQ(box.text, "已删除模拟后的目录");
  EXPECT_EQ(box.caption, "信息：");
}

TEST_F(ProgramTest, FieldIsNormalisedAndSavedWhenItLosesFocus) {
  launch();
  typeInto("编辑框_目标路径", " D:\\x\\ ");
  // Tab moves the focus on through the dialog navigation of the message loop.
  ::PostMessageA(control("编辑框_目标路径"), WM_KEYDOWN, VK_TAB, 0);
  EXPECT_TRUE(eventually([&] { return text("编辑框_目标路径") == "D:\\x"; })) << text("编辑框_目标路径");
  EXPECT_NE(focusedIn(), control("编辑框_目标路径"));
  EXPECT_TRUE(eventually([&] { return savedField("编辑框_目标路径") == "D:\\x"; })) << savedField("编辑框_目标路径");
}

TEST_F(ProgramTest, DoubleClickOpensTheFolderDialogAndCancelKeepsTheField) {
  launch();
  const Text before = text("编辑框_目标路径");
  ::PostMessageA(control("编辑框_目标路径"), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4));
  HWND dialog = waitForDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(::GetWindow(dialog, GW_OWNER), main_);
  bool titled = false;
  for (HWND child = ::FindWindowExA(dialog, nullptr, "Static", nullptr); child != nullptr;
       child = ::FindWindowExA(dialog, child, "Static", nullptr)) {
    titled |= text(child) == "请选择需要模拟到的路径,目录只是一个链接切勿存放文件在此目录,会<<<删除>>>!";
  }
  EXPECT_TRUE(titled);
  ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_TRUE(eventually([&] { return !::IsWindow(dialog); }));
  EXPECT_EQ(text("编辑框_目标路径"), before);
}

TEST_F(ProgramTest, ClosingTheWindowEndsTheProcessWithExitCodeZero) {
  writeSettings(folder_ + "\\php-7.0.3", folder_ + "\\php-7.0.3");
  launch();
  ::PostMessageA(main_, WM_CLOSE, 0, 0);
  ASSERT_EQ(::WaitForSingleObject(process_.hProcess, kPatienceMs), WAIT_OBJECT_0);
  DWORD code = 1234;
  ::GetExitCodeProcess(process_.hProcess, &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace phpswitch

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <phpswitch.exe> <stand-in php.exe>\n", argv[0]);
    return 2;
  }
  phpswitch::programExe = phpswitch::windowsPath(argv[1]);
  phpswitch::standInPhp = phpswitch::windowsPath(argv[2]);
  return RUN_ALL_TESTS();
}
