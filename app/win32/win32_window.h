// The native Win32 main window: builds its controls from the layout table and
// translates control notifications into WindowEvents. No behaviour of its own.
// Control texts can be read and written from any thread without a cross-thread
// SendMessage, so a busy or blocked window thread never stalls the caller.
#pragma once

#include <functional>
#include <memory>

#include "app/window.h"

namespace phpswitch {

// Control IDs are the layout index plus this base, so an automation tool can
// find every control with GetDlgItem.
constexpr int kFirstControlId = 1000;

class Win32Window : public Window {
 public:
  Win32Window();
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Set before open(). The events arrive on the thread that called open().
  void setEvents(WindowEvents& events);
  // Runs after windowDestroyed(); the default ends the message loop.
  void onDestroyed(std::function<void()> after);

  // Creates the window and its controls on the calling thread, reports
  // windowCreated() and shows it. False when the window cannot be made.
  bool open();
  // GetMessage loop until WM_QUIT; returns its exit code.
  int runMessageLoop();
  void* nativeHandle() const;  // the HWND

  Text controlText(const Text& name) override;
  void setControlText(const Text& name, const Text& text) override;
  void setPanelText(int panel, const Text& text) override;
  int messageBox(const Text& text, unsigned style, const Text& caption, bool owned) override;
  void setFocus(const Text& name) override;
  void clearList(const Text& list) override;
  void insertListItem(const Text& list, int index, const Text& text) override;
  int selectedListIndex(const Text& list) override;
  Text listItemText(const Text& list, int index) override;
  std::vector<Text> controlsOfKind(ControlKind kind) override;
  Text browseForFolder(const FolderDialogRequest& request) override;
  void pumpMessages() override;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace phpswitch
