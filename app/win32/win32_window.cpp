// The Win32 main window: turns control notifications into WindowEvents on the
// window's thread and offers the Window operations. Texts cross threads only as
// copies: other threads read a mutex-guarded copy that the window's thread keeps
// current, and their writes are posted to the window's thread. Nothing sends a
// message across threads, so a window thread inside a message box, the folder
// dialog or a plain wait never blocks the monitor.
#include "app/win32/win32_window.h"

#include <windows.h>
#include <commctrl.h>

#include <mutex>

#include "app/win32/win32_controls.h"
#include "app/win32/win32_picker.h"
#include "system/runner.h"

namespace phpswitch {
namespace {

constexpr char kWindowClass[] = "PhpSwitchMainWindow";
constexpr UINT kRunPosted = WM_APP + 1;  // lParam: a heap-held Task, deleted by the receiver
constexpr UINT_PTR kEditSubclass = 1;

using Task = std::function<void()>;

Text windowText(HWND handle) {
  const int length = ::GetWindowTextLengthA(handle);
  if (length <= 0) return {};
  Text buffer(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = ::GetWindowTextA(handle, buffer.data(), length + 1);
  return textFromBuffer(buffer.data(), copied > 0 ? static_cast<std::size_t>(copied) : 0);
}

// The controls' font, deleted after the window (State outlives the window).
struct OwnedFont {
  HFONT handle = nullptr;
  OwnedFont() = default;
  OwnedFont(const OwnedFont&) = delete;
  OwnedFont& operator=(const OwnedFont&) = delete;
  ~OwnedFont() {
    if (handle != nullptr) ::DeleteObject(handle);
  }
};

}  // namespace

struct Win32Window::State {
  WindowEvents* events = nullptr;
  std::function<void()> afterDestroyed;
  HWND window = nullptr;
  OwnedFont font;
  DWORD thread = 0;
  std::vector<HWND> controls;    // by layout index
  std::vector<int> writesInProgress;  // by layout index: our own SetWindowTextA calls

  std::mutex textMutex;
  std::vector<Text> texts;  // by layout index; what other threads read

  bool onWindowThread() const { return ::GetCurrentThreadId() == thread; }

  int indexOf(const Text& name) const {
    int index = 0;
    for (const ControlSpec& control : mainWindowControls()) {
      if (name == control.name) return index < static_cast<int>(controls.size()) ? index : -1;
      ++index;
    }
    return -1;
  }

  HWND listBox(const Text& name) const {
    const int index = indexOf(name);
    if (index < 0 || mainWindowControls()[index].kind != ControlKind::ListBox) return nullptr;
    return controls[index];
  }

  void storeText(int index, Text text) {
    std::lock_guard lock(textMutex);
    texts[index] = std::move(text);
  }

  void deliver(int index, Event event) {
    const ControlSpec& control = mainWindowControls()[index];
    if (events != nullptr && (control.events & event) != 0) events->controlEvent(control.name, event);
  }

  // On the window's thread. An edit box raises text-changed exactly once per
  // write: the control's own EN_CHANGE is ignored while we write, whether the
  // platform sends it or not (an unchanged text may or may not notify).
  void applyText(int index, const Text& text) {
    HWND control = controls[index];
    const ControlKind kind = mainWindowControls()[index].kind;
    ++writesInProgress[index];
    ::SetWindowTextA(control, text.c_str());
    --writesInProgress[index];
    storeText(index, windowText(control));
    if (kind == ControlKind::EditBox) deliver(index, kTextChanged);
    if (kind == ControlKind::TransparentLabel) repaintBehind(control);
  }

  void runOnWindowThread(Task task) {
    if (onWindowThread()) {
      task();
      return;
    }
    auto* posted = new Task(std::move(task));
    if (!::PostMessageA(window, kRunPosted, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
  }

  void command(WPARAM wParam, LPARAM lParam) {
    const int index = static_cast<int>(LOWORD(wParam)) - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(controls.size())) return;
    if (controls[index] != reinterpret_cast<HWND>(lParam)) return;
    const WORD code = HIWORD(wParam);
    switch (mainWindowControls()[index].kind) {
      case ControlKind::EditBox:
        if (code == EN_CHANGE && writesInProgress[index] == 0) {
          storeText(index, windowText(controls[index]));
          deliver(index, kTextChanged);
        } else if (code == EN_KILLFOCUS) {
          deliver(index, kLostFocus);
        }
        break;
      case ControlKind::Button:
        if (code == BN_CLICKED) deliver(index, kClicked);
        break;
      case ControlKind::ListBox:
        if (code == LBN_DBLCLK) deliver(index, kItemDoubleClicked);
        break;
      default:
        break;
    }
  }

  bool isTransparentLabel(HWND control) const {
    const int index = ::GetDlgCtrlID(control) - kFirstControlId;
    return index >= 0 && index < static_cast<int>(controls.size()) && controls[index] == control &&
           mainWindowControls()[index].kind == ControlKind::TransparentLabel;
  }

  void destroyed() {
    if (events != nullptr) events->windowDestroyed();
    if (afterDestroyed) {
      afterDestroyed();
    } else {
      ::PostQuitMessage(0);
    }
  }
};

namespace {

LRESULT CALLBACK editProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  if (message == WM_LBUTTONDBLCLK) {
    const LRESULT result = ::DefSubclassProc(edit, message, wParam, lParam);
    // The edit captures the mouse to extend its word selection; a dialog the
    // handler opens would otherwise leave it selecting when the user returns.
    if (::GetCapture() == edit) ::ReleaseCapture();
    reinterpret_cast<Win32Window::State*>(data)->deliver(::GetDlgCtrlID(edit) - kFirstControlId, kDoubleClicked);
    return result;
  }
  if (message == WM_NCDESTROY) ::RemoveWindowSubclass(edit, editProc, kEditSubclass);
  return ::DefSubclassProc(edit, message, wParam, lParam);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* state = reinterpret_cast<Win32Window::State*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (state == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND:
      state->command(wParam, lParam);
      return 0;
    case WM_CTLCOLORSTATIC:
      if (state->isTransparentLabel(reinterpret_cast<HWND>(lParam))) {
        ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
      }
      break;
    case WM_SIZE:
      // The status bar docks itself to the bottom edge when told of the new size.
      for (std::size_t index = 0; index < state->controls.size(); ++index) {
        if (mainWindowControls()[index].kind == ControlKind::StatusBar) {
          ::SendMessageA(state->controls[index], WM_SIZE, 0, 0);
        }
      }
      break;
    case kRunPosted: {
      std::unique_ptr<Task> task(reinterpret_cast<Task*>(lParam));
      (*task)();
      return 0;
    }
    case WM_DESTROY:
      state->destroyed();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

bool registerWindowClass() {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  if (::GetClassInfoExA(::GetModuleHandleA(nullptr), kWindowClass, &windowClass)) return true;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hIcon = ::LoadIconA(windowClass.hInstance, MAKEINTRESOURCEA(1));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  return ::RegisterClassExA(&windowClass) != 0;
}

}  // namespace

Win32Window::Win32Window() : state_(std::make_unique<State>()) {}

Win32Window::~Win32Window() {
  // The pump of this thread dispatches for this window; it must not outlive it.
  if (state_->thread != 0 && state_->onWindowThread()) installMessagePump({});
  if (state_->window != nullptr && ::IsWindow(state_->window)) {
    // Closing the window here must not report anything to events that may be gone.
    state_->events = nullptr;
    state_->afterDestroyed = [] {};
    ::DestroyWindow(state_->window);
  }
}

void Win32Window::setEvents(WindowEvents& events) { state_->events = &events; }

void Win32Window::onDestroyed(std::function<void()> after) { state_->afterDestroyed = std::move(after); }

bool Win32Window::open() {
  State& state = *state_;
  if (!registerWindowClass()) return false;
  state.thread = ::GetCurrentThreadId();
  state.font.handle = createWindowFont();
  const WindowSpec& windowLayout = mainWindowSpec();
  state.window = ::CreateWindowExA(0, kWindowClass, windowLayout.title, WS_OVERLAPPEDWINDOW, windowLayout.x,
                                   windowLayout.y, windowLayout.width, windowLayout.height, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), &state);
  if (state.window == nullptr) return false;

  const auto controls = mainWindowControls();
  state.writesInProgress.assign(controls.size(), 0);
  state.texts.assign(controls.size(), Text());
  state.controls.assign(controls.size(), nullptr);
  for (std::size_t index = 0; index < controls.size(); ++index) {
    HWND control = createControl(state.window, controls[index], kFirstControlId + static_cast<int>(index),
                                 state.font.handle);
    state.controls[index] = control;
    if (control == nullptr) continue;
    state.storeText(static_cast<int>(index), windowText(control));
    if (controls[index].kind == ControlKind::EditBox) {
      ::SetWindowSubclass(control, editProc, kEditSubclass, reinterpret_cast<DWORD_PTR>(&state));
    }
  }
  orderTabStops(state.controls);
  installMessagePump([this] { pumpMessages(); });
  if (state.events != nullptr) state.events->windowCreated();
  ::ShowWindow(state.window, SW_SHOWNORMAL);
  ::UpdateWindow(state.window);
  return true;
}

int Win32Window::runMessageLoop() {
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (state_->window != nullptr && ::IsDialogMessageA(state_->window, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

void* Win32Window::nativeHandle() const { return state_->window; }

Text Win32Window::controlText(const Text& name) {
  const int index = state_->indexOf(name);
  if (index < 0) return {};
  if (state_->onWindowThread()) return windowText(state_->controls[index]);
  std::lock_guard lock(state_->textMutex);
  return state_->texts[index];
}

void Win32Window::setControlText(const Text& name, const Text& text) {
  const int index = state_->indexOf(name);
  if (index < 0 || state_->controls[index] == nullptr) return;
  // Other threads read their own write back at once, before the window shows it.
  if (!state_->onWindowThread()) state_->storeText(index, text);
  state_->runOnWindowThread([state = state_.get(), index, text] { state->applyText(index, text); });
}

void Win32Window::setPanelText(int panel, const Text& text) {
  if (panel < 0 || panel >= static_cast<int>(statusPanels().size())) return;
  const std::vector<Text> bars = controlsOfKind(ControlKind::StatusBar);
  if (bars.empty()) return;
  HWND bar = state_->controls[state_->indexOf(bars.front())];
  state_->runOnWindowThread([bar, panel, text] {
    ::SendMessageA(bar, SB_SETTEXTA, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.c_str()));
  });
}

int Win32Window::messageBox(const Text& text, unsigned style, const Text& caption, bool owned) {
  return ::MessageBoxA(owned ? state_->window : nullptr, text.c_str(), caption.c_str(), style);
}

void Win32Window::setFocus(const Text& name) {
  const int index = state_->indexOf(name);
  if (index >= 0 && state_->controls[index] != nullptr) ::SetFocus(state_->controls[index]);
}

void Win32Window::clearList(const Text& list) {
  if (HWND box = state_->listBox(list)) ::SendMessageA(box, LB_RESETCONTENT, 0, 0);
}

void Win32Window::insertListItem(const Text& list, int index, const Text& text) {
  if (HWND box = state_->listBox(list)) {
    ::SendMessageA(box, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  }
}

int Win32Window::selectedListIndex(const Text& list) {
  HWND box = state_->listBox(list);
  if (box == nullptr) return -1;
  const LRESULT selected = ::SendMessageA(box, LB_GETCURSEL, 0, 0);
  return selected == LB_ERR ? -1 : static_cast<int>(selected);
}

Text Win32Window::listItemText(const Text& list, int index) {
  HWND box = state_->listBox(list);
  if (box == nullptr || index < 0 || index >= ::SendMessageA(box, LB_GETCOUNT, 0, 0)) return {};
  const LRESULT length = ::SendMessageA(box, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  Text buffer(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied =
      ::SendMessageA(box, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  return copied == LB_ERR ? Text() : textFromBuffer(buffer.data(), static_cast<std::size_t>(copied));
}

std::vector<Text> Win32Window::controlsOfKind(ControlKind kind) {
  std::vector<Text> names;
  for (const ControlSpec& control : mainWindowControls()) {
    if (control.kind == kind) names.emplace_back(control.name);
  }
  return names;
}

Text Win32Window::browseForFolder(const FolderDialogRequest& request) {
  return showFolderDialog(request.owned ? state_->window : nullptr, request);
}

void Win32Window::pumpMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
    if (!::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) break;
    if (message.message == WM_QUIT) {
      // A quit posted between the two peeks stays for the message loop.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (state_->window != nullptr && ::IsDialogMessageA(state_->window, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

}  // namespace phpswitch
