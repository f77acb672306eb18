// The Win32 window in this process, with recording WindowEvents: which events
// a control raises and how often, the list and status-bar operations, message
// boxes and the folder dialog, and text access from another thread while the
// window's thread is busy in a modal loop or blocked outright.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "app/win32/win32_window.h"

namespace phpswitch {
namespace {

constexpr char kTarget[] = "编辑框_目标路径";
constexpr char kVersion[] = "编辑框_模拟路径";
constexpr char kVersionLabel[] = "透明标签_PHP版本";
constexpr char kHelpLabel[] = "透明标签1";
constexpr char kList[] = "列表框_menus";
constexpr char kSwitch[] = "按钮_切换";
constexpr ULONGLONG kPatienceMs = 10000;  // bound for anything that should happen at once

struct Recorder : WindowEvents {
  struct Record {
    Text control;
    Event event;
    DWORD thread;
  };
  std::vector<Record> records;
  int created = 0;
  int destroyed = 0;
  std::function<void(const Text&, Event)> react;

  void windowCreated() override { ++created; }
  void controlEvent(const Text& control, Event event) override {
    records.push_back({control, event, ::GetCurrentThreadId()});
    if (react) react(control, event);
  }
  void windowDestroyed() override { ++destroyed; }

  int count(const Text& control, Event event) const {
    int n = 0;
    for (const Record& record : records) n += record.control == control && record.event == event;
    return n;
  }
};

Text textOf(HWND handle) {
  char buffer[4096] = {};
  ::GetWindowTextA(handle, buffer, sizeof(buffer));
  return buffer;
}

// The first visible dialog ("#32770") of `thread`, waiting for it to appear.
HWND waitForDialog(DWORD thread) {
  const ULONGLONG deadline = ::GetTickCount64() + kPatienceMs;
  while (::GetTickCount64() < deadline) {
    HWND found = nullptr;
    ::EnumThreadWindows(
        thread,
        [](HWND candidate, LPARAM result) -> BOOL {
          char name[16] = {};
          ::GetClassNameA(candidate, name, sizeof(name));
          if (std::string_view(name) != "#32770" || !::IsWindowVisible(candidate)) return TRUE;
          *reinterpret_cast<HWND*>(result) = candidate;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found != nullptr) return found;
    ::Sleep(20);
  }
  return nullptr;
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.setEvents(events_);
    window_.onDestroyed([this] { ++afterDestroyed_; });
    ASSERT_TRUE(window_.open());
    main_ = static_cast<HWND>(window_.nativeHandle());
  }

  HWND control(std::string_view name) const {
    int index = 0;
    for (const ControlSpec& entry : mainWindowControls()) {
      if (name == entry.name) return ::GetDlgItem(main_, kFirstControlId + index);
      ++index;
    }
    return nullptr;
  }

  // Dispatches the window's messages until `done` holds; false after kPatienceMs.
  bool pumpUntil(const std::function<bool()>& done) {
    const ULONGLONG deadline = ::GetTickCount64() + kPatienceMs;
    while (!done()) {
      if (::GetTickCount64() > deadline) return false;
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      window_.pumpMessages();
    }
    return true;
  }

  Recorder events_;
  Win32Window window_;
  HWND main_ = nullptr;
  int afterDestroyed_ = 0;
};

TEST_F(Win32WindowTest, ReportsCreationOnceAndDestructionBeforeTheHook) {
  EXPECT_EQ(events_.created, 1);
  bool reportedFirst = false;
  window_.onDestroyed([&] {
    reportedFirst = events_.destroyed == 1;
    ++afterDestroyed_;
  });
  ::SendMessageA(main_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(main_));
  EXPECT_EQ(events_.destroyed, 1);
  EXPECT_EQ(afterDestroyed_, 1);
  EXPECT_TRUE(reportedFirst);
}

TEST_F(Win32WindowTest, ProgramWriteRaisesTextChangedExactlyOnceAlsoWhenUnchanged) {
  for (const char* box : {kTarget, kVersion}) {
    events_.records.clear();
    window_.setControlText(box, "D:\\php_a");
    window_.setControlText(box, "D:\\php_a");
    window_.setControlText(box, "");
    EXPECT_EQ(events_.count(box, kTextChanged), 3) << box;
    EXPECT_EQ(events_.records.size(), 3u) << box;
    EXPECT_EQ(window_.controlText(box), "");
  }
  events_.records.clear();
  window_.setControlText(kVersionLabel, "PHP版本为:7.0.3");
  window_.setControlText(kSwitch, "切换");
  EXPECT_TRUE(events_.records.empty()) << "labels and buttons raise nothing when written";
  EXPECT_EQ(window_.controlText(kVersionLabel), "PHP版本为:7.0.3");
}

TEST_F(Win32WindowTest, HandlerSeesTheNewTextAndMayWriteAgain) {
  // The app's lost-focus handler normalises a field by writing it; the nested
  // write must raise its own single event with the new text in place.
  std::vector<Text> seen;
  events_.react = [&](const Text& box, Event event) {
    if (event != kTextChanged) return;
    seen.push_back(window_.controlText(box));
    if (seen.back() == "D:\\x\\") window_.setControlText(box, "D:\\x");
  };
  window_.setControlText(kTarget, "D:\\x\\");
  EXPECT_EQ(seen, (std::vector<Text>{"D:\\x\\", "D:\\x"}));
  EXPECT_EQ(window_.controlText(kTarget), "D:\\x");
}

TEST_F(Win32WindowTest, UserEditsRaiseTextChangedPerChange) {
  HWND box = control(kVersion);
  ::SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("E:\\php"));  // as an automation tool
  ::SendMessageA(box, EM_SETSEL, 6, 6);
  ::SendMessageA(box, WM_CHAR, '7', 0);
  ::SendMessageA(box, WM_CHAR, VK_BACK, 0);
  ::SendMessageA(box, WM_CHAR, '8', 0);
  EXPECT_EQ(events_.count(kVersion, kTextChanged), 4);
  EXPECT_EQ(window_.controlText(kVersion), "E:\\php8");
  for (const auto& record : events_.records) EXPECT_EQ(record.thread, ::GetCurrentThreadId());
}

TEST_F(Win32WindowTest, MovingTheFocusReportsLostFocusBeforeReturning) {
  window_.setFocus(kTarget);
  ASSERT_EQ(::GetFocus(), control(kTarget));
  events_.records.clear();
  window_.setFocus(kSwitch);
  EXPECT_EQ(::GetFocus(), control(kSwitch));
  ASSERT_EQ(events_.records.size(), 1u);
  EXPECT_EQ(events_.records[0].control, kTarget);
  EXPECT_EQ(events_.records[0].event, kLostFocus);
}

TEST_F(Win32WindowTest, ClicksAndDoubleClicksReachTheWindow) {
  // The controls sit inside group boxes on screen; their notifications must
  // still arrive as events of the named control.
  for (const char* button : {"按钮_切换", "按钮_恢复", "按钮1", "按钮2", "按钮3"}) {
    ::SendMessageA(control(button), BM_CLICK, 0, 0);
    EXPECT_EQ(events_.count(button, kClicked), 1) << button;
  }
  for (const char* box : {kTarget, kVersion}) {
    ::SendMessageA(control(box), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(events_.count(box, kDoubleClicked), 1) << box;
    EXPECT_NE(::GetCapture(), control(box)) << "a dialog opened by the handler must find the mouse free";
  }
  window_.insertListItem(kList, 0, "C:\\tools\\php-7.0.3");
  HWND list = control(kList);
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
    ::SendMessageA(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(5, 5));
  }
  EXPECT_EQ(events_.count(kList, kItemDoubleClicked), 1);
  EXPECT_EQ(window_.selectedListIndex(kList), 0);
}

TEST_F(Win32WindowTest, ListOperationsKeepInsertionOrderAndGuardIndexes) {
  EXPECT_EQ(window_.selectedListIndex(kList), -1);
  window_.insertListItem(kList, 0, "C:\\p\\b");
  window_.insertListItem(kList, 0, "C:\\p\\a");
  window_.insertListItem(kList, 2, "C:\\p\\PHP8");  // no sorting by the control
  EXPECT_EQ(window_.listItemText(kList, 0), "C:\\p\\a");
  EXPECT_EQ(window_.listItemText(kList, 1), "C:\\p\\b");
  EXPECT_EQ(window_.listItemText(kList, 2), "C:\\p\\PHP8");
  EXPECT_EQ(window_.listItemText(kList, 3), "");
  EXPECT_EQ(window_.listItemText(kList, -1), "");
  EXPECT_EQ(window_.listItemText(kTarget, 0), "") << "not a list box";
  ::SendMessageA(control(kList), LB_SETCURSEL, 1, 0);
  EXPECT_EQ(window_.selectedListIndex(kList), 1);
  window_.clearList(kList);
  EXPECT_EQ(::SendMessageA(control(kList), LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(window_.selectedListIndex(kList), -1);
}

TEST_F(Win32WindowTest, TabFollowsTheScreenNotTheDefinitionOrder) {
  const char* order[] = {kVersion, kSwitch, kTarget, "按钮_恢复", kList, "按钮1", "按钮2", "按钮3", kVersion};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
    EXPECT_EQ(::GetNextDlgTabItem(main_, control(order[i]), FALSE), control(order[i + 1])) << order[i];
  }
}

TEST_F(Win32WindowTest, ControlsOfAKindComeInDefinitionOrder) {
  EXPECT_EQ(window_.controlsOfKind(ControlKind::EditBox), (std::vector<Text>{kTarget, kVersion}));
  EXPECT_EQ(window_.editBoxNames(), (std::vector<Text>{kTarget, kVersion}));
  EXPECT_EQ(window_.controlsOfKind(ControlKind::TransparentLabel), (std::vector<Text>{kHelpLabel, kVersionLabel}));
  EXPECT_EQ(window_.controlsOfKind(ControlKind::Button),
            (std::vector<Text>{"按钮_切换", "按钮_恢复", "按钮1", "按钮2", "按钮3"}));
}

TEST_F(Win32WindowTest, PanelTextReplacesOnePanelAndIgnoresOtherNumbers) {
  HWND bar = control("状态条1");
  auto panel = [&](int part) {
    char buffer[512] = {};
    const LRESULT info = ::SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(buffer));
    EXPECT_EQ(HIWORD(info), 0) << "default sunken border, no other drawing style";
    return Text(buffer);
  };
  window_.setPanelText(1, "为 D:\\php_target <<===>> E:\\php 创建的符号链接");
  window_.setPanelText(3, "nothing");
  window_.setPanelText(-1, "nothing");
  EXPECT_EQ(panel(0), "Tips:");
  EXPECT_EQ(panel(1), "为 D:\\php_target <<===>> E:\\php 创建的符号链接");
  EXPECT_EQ(panel(2), statusPanels()[2].text);
  int edges[4] = {};
  EXPECT_EQ(::SendMessageA(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
  EXPECT_EQ(edges[0], 50);
  EXPECT_EQ(edges[1], 330);
  EXPECT_EQ(edges[2], -1);
}

TEST_F(Win32WindowTest, OnlyTransparentLabelsLeaveTheirBackgroundUnpainted) {
  HDC dc = ::GetDC(main_);
  auto brushFor = [&](const char* name) {
    return reinterpret_cast<HGDIOBJ>(
        ::SendMessageA(main_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control(name))));
  };
  EXPECT_EQ(brushFor(kHelpLabel), ::GetStockObject(NULL_BRUSH));
  EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(brushFor(kVersionLabel), ::GetStockObject(NULL_BRUSH));
  EXPECT_NE(brushFor("标签1"), ::GetStockObject(NULL_BRUSH));
  ::ReleaseDC(main_, dc);
}

// A transparent label draws no background, so a shorter text must not leave
// the tail of the longer one it replaces on the screen.
TEST_F(Win32WindowTest, TransparentLabelLeavesNoTraceOfAnOldText) {
  HWND label = control(kVersionLabel);
  RECT area;
  ::GetClientRect(label, &area);
  auto inkRightOf = [&](int left) {
    ::RedrawWindow(main_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    window_.pumpMessages();
    HDC dc = ::GetDC(label);
    const COLORREF background = ::GetPixel(dc, area.right - 1, area.bottom - 1);
    int ink = 0;
    for (int y = 0; y < area.bottom; ++y) {
      for (int x = left; x < area.right; ++x) ink += ::GetPixel(dc, x, y) != background;
    }
    ::ReleaseDC(label, dc);
    return ink;
  };
  window_.setControlText(kVersionLabel, "PHP版本为:7.0.3 PHP版本为:7.0.3");
  ASSERT_GT(inkRightOf(40), 0) << "the long text reaches the right part of the label";
  window_.setControlText(kVersionLabel, "P");
  EXPECT_EQ(inkRightOf(40), 0);
}

struct BoxCase {
  unsigned style;
  bool owned;
  int press;
};

TEST_F(Win32WindowTest, MessageBoxReturnsThePressedButtonWithItsOwner) {
  const BoxCase cases[] = {{MB_YESNO, true, IDNO}, {MB_YESNO | MB_TASKMODAL, false, IDYES}, {MB_ICONERROR | MB_TASKMODAL, false, IDOK}};
  for (const BoxCase& box : cases) {
    struct Seen {
      Text text, caption;
      HWND owner = nullptr;
      bool found = false;
    } seen;
    std::thread presser([&, gui = ::GetCurrentThreadId()] {
      HWND dialog = waitForDialog(gui);
      if (dialog == nullptr) return;
      seen = {textOf(::GetDlgItem(dialog, 0xFFFF)), textOf(dialog), ::GetWindow(dialog, GW_OWNER), true};
      ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(box.press, BN_CLICKED), 0);
    });
    const int pressed = window_.messageBox("需要被模拟路径不存在", box.style, "Error", box.owned);
    presser.join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(pressed, box.press);
    EXPECT_EQ(seen.text, "需要被模拟路径不存在");
    EXPECT_EQ(seen.caption, "Error");
    EXPECT_EQ(seen.owner, box.owned ? main_ : nullptr);
  }
}

TEST_F(Win32WindowTest, OtherThreadsReadAndWriteTextsWhileAMessageBoxIsOpen) {
  window_.setControlText(kTarget, "D:\\php_target");
  std::atomic<int> rounds{0};
  Text lastRead;
  std::thread monitor([&, gui = ::GetCurrentThreadId()] {
    HWND dialog = waitForDialog(gui);
    for (int i = 0; i < 50; ++i) {
      lastRead = window_.controlText(kTarget);
      window_.setControlText(kVersionLabel, "PHP版本为:" + std::to_string(i));
      ++rounds;
    }
    if (dialog != nullptr) ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  window_.messageBox("busy", MB_TASKMODAL, "Error", true);
  monitor.join();
  EXPECT_EQ(rounds, 50);
  EXPECT_EQ(lastRead, "D:\\php_target");
  EXPECT_TRUE(pumpUntil([&] { return textOf(control(kVersionLabel)) == "PHP版本为:49"; }));
}

TEST_F(Win32WindowTest, OtherThreadsNeverWaitForABlockedWindowThread) {
  window_.setControlText(kTarget, "D:\\first");
  events_.records.clear();
  Text readBack, readOwnWrite;
  HANDLE finished = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread worker([&] {
    readBack = window_.controlText(kTarget);
    window_.setControlText(kTarget, "D:\\second");
    readOwnWrite = window_.controlText(kTarget);
    window_.setControlText(kVersionLabel, "PHP文件丢失");
    window_.setPanelText(1, "from the monitor");
    ::SetEvent(finished);
  });
  // The window's thread does not dispatch anything while it waits.
  const DWORD waited = ::WaitForSingleObject(finished, static_cast<DWORD>(kPatienceMs));
  if (waited != WAIT_OBJECT_0) window_.pumpMessages();  // let a stuck worker finish before failing
  worker.join();
  ::CloseHandle(finished);
  ASSERT_EQ(waited, WAIT_OBJECT_0) << "the worker waited for the window's thread";
  EXPECT_EQ(readBack, "D:\\first");
  EXPECT_EQ(readOwnWrite, "D:\\second");
  EXPECT_TRUE(events_.records.empty()) << "no event before the window's thread applies the write";

  EXPECT_TRUE(pumpUntil([&] { return textOf(control(kVersionLabel)) == "PHP文件丢失"; }));
  EXPECT_EQ(textOf(control(kTarget)), "D:\\second");
  ASSERT_EQ(events_.count(kTarget, kTextChanged), 1);
  EXPECT_EQ(events_.records[0].thread, ::GetCurrentThreadId());
  char panel[64] = {};
  ::SendMessageA(control("状态条1"), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(panel));
  EXPECT_STREQ(panel, "from the monitor");
}

// The text of the item selected in the folder tree of a browse dialog.
Text selectedFolderItem(HWND dialog) {
  HWND tree = nullptr;
  ::EnumChildWindows(
      dialog,
      [](HWND child, LPARAM result) -> BOOL {
        char name[32] = {};
        ::GetClassNameA(child, name, sizeof(name));
        if (std::string_view(name) != WC_TREEVIEWA) return TRUE;
        *reinterpret_cast<HWND*>(result) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&tree));
  if (tree == nullptr) return {};
  char text[MAX_PATH] = {};
  TVITEMA item{};
  item.mask = TVIF_TEXT;
  item.hItem = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  item.pszText = text;
  item.cchTextMax = sizeof(text);
  if (item.hItem == nullptr || !::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return {};
  return text;
}

// What the folder dialog is asked to select, as sent to it (BFFM_SETSELECTIONA).
struct SelectionRequest {
  WPARAM byPath;
  bool null;
  Text path;
  bool operator==(const SelectionRequest&) const = default;
};
std::vector<SelectionRequest> selectionRequests;

LRESULT CALLBACK watchSelectionRequests(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->message == WM_USER + 102) {
    const char* path = reinterpret_cast<const char*>(sent->lParam);
    selectionRequests.push_back({sent->wParam, path == nullptr, path == nullptr ? Text() : Text(path)});
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class FolderDialogTest : public Win32WindowTest {
 protected:
  void SetUp() override {
    Win32WindowTest::SetUp();
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof(temp), temp);
    folder_ = Text(temp) + "phpswitch-picker-" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryA(folder_.c_str(), nullptr));
    char full[MAX_PATH] = {};
    ::GetLongPathNameA(folder_.c_str(), full, sizeof(full));
    folder_ = full;
  }
  void TearDown() override { ::RemoveDirectoryA(folder_.c_str()); }

  struct Run {
    Text chosen;
    HWND owner = nullptr;
    bool hasEditBox = false;
    bool showedFolder = false;  // the tree had the initial folder selected before `button`
  };

  // Opens the dialog as the path fields do, waits a bounded time for the tree
  // to show the initial folder selected, then presses `button`.
  Run open(const Text& initialFolder, int button) {
    Run run;
    const Text leaf = initialFolder.substr(initialFolder.rfind('\\') + 1);
    std::thread presser([&, gui = ::GetCurrentThreadId()] {
      HWND dialog = waitForDialog(gui);
      if (dialog == nullptr) return;
      run.owner = ::GetWindow(dialog, GW_OWNER);
      run.hasEditBox = ::FindWindowExA(dialog, nullptr, "Edit", nullptr) != nullptr;
      const ULONGLONG deadline = ::GetTickCount64() + (initialFolder.empty() ? 0 : kPatienceMs);
      while (!(run.showedFolder = selectedFolderItem(dialog) == leaf) && ::GetTickCount64() < deadline) ::Sleep(20);
      ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
    run.chosen = window_.browseForFolder({"请选择需要被模拟到的路径!", initialFolder, 0x50, true});
    presser.join();
    return run;
  }

  Text folder_;
};

TEST_F(FolderDialogTest, AsksTheDialogToSelectTheInitialFolderOrNothing) {
  HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, watchSelectionRequests, nullptr, ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  selectionRequests.clear();
  const Run withFolder = open(folder_, IDCANCEL);
  EXPECT_EQ(selectionRequests, (std::vector<SelectionRequest>{{TRUE, false, folder_}}));
  selectionRequests.clear();
  const Run withoutFolder = open("", IDCANCEL);
  EXPECT_EQ(selectionRequests, (std::vector<SelectionRequest>{{TRUE, true, ""}}));
  ::UnhookWindowsHookEx(hook);

  for (const Run& run : {withFolder, withoutFolder}) {
    EXPECT_EQ(run.chosen, "") << "Cancel chooses nothing";
    EXPECT_EQ(run.owner, main_);
    EXPECT_TRUE(run.hasEditBox) << "BIF_EDITBOX";
  }
}

// OK returns the dialog's selection, so the initial folder comes back
// unchanged when the dialog opened on it. Wine rebuilds parts of its folder
// tree when another Wine process starts meanwhile, which can drop a deep
// selection before the test sees it; the dialog is then simply opened again.
TEST_F(FolderDialogTest, OkReturnsTheInitialFolderItOpenedOn) {
  Run run;
  for (int attempt = 0; attempt < 3 && !run.showedFolder; ++attempt) run = open(folder_, IDOK);
  ASSERT_TRUE(run.showedFolder) << "the dialog never showed " << folder_ << " selected";
  EXPECT_EQ(run.chosen, folder_);
}

}  // namespace
}  // namespace phpswitch
