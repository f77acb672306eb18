// The Window port: what the actions need of the main window. Implemented by the
// Win32 window, the Qt window and the headless fake of the tests.
#pragma once

#include <vector>

#include "app/layout.h"
#include "settings/settings.h"

namespace phpswitch {

struct FolderDialogRequest {
  Text title;
  Text initialFolder;  // empty: the dialog's own default selection
  unsigned flags = 0;  // BIF_EDITBOX 0x10, BIF_NEWDIALOGSTYLE 0x40, BIF_BROWSEINCLUDEFILES 0x4000
  bool owned = true;   // modal to the main window
};

class Window : public EditBoxes {
 public:
  // Control texts by name. Safe from any thread: the monitor reads the target
  // field and writes the version label from its own thread.
  virtual Text controlText(const Text& name) = 0;
  // Raises text-changed once for an edit box, also when the text is unchanged.
  virtual void setControlText(const Text& name, const Text& text) = 0;

  // Panels of the status bar, from 0; other numbers change nothing.
  virtual void setPanelText(int panel, const Text& text) = 0;

  // A modal message box with exactly this style and caption; returns the
  // button (IDOK 1, IDCANCEL 2, IDABORT 3, IDRETRY 4, IDIGNORE 5, IDYES 6, IDNO 7).
  virtual int messageBox(const Text& text, unsigned style, const Text& caption, bool owned) = 0;

  // Moves the keyboard focus; the box that loses it raises lost-focus first.
  virtual void setFocus(const Text& name) = 0;

  virtual void clearList(const Text& list) = 0;
  virtual void insertListItem(const Text& list, int index, const Text& text) = 0;
  virtual int selectedListIndex(const Text& list) = 0;  // -1: none
  virtual Text listItemText(const Text& list, int index) = 0;  // "" outside the items

  // Controls of one kind, in definition order.
  virtual std::vector<Text> controlsOfKind(ControlKind kind) = 0;

  // The platform's folder dialog; the chosen path or "" when cancelled.
  virtual Text browseForFolder(const FolderDialogRequest& request) = 0;

  // Dispatches the window thread's pending messages.
  virtual void pumpMessages() = 0;

  std::vector<Text> editBoxNames() override { return controlsOfKind(ControlKind::EditBox); }
  Text editBoxText(const Text& name) override { return controlText(name); }
  void setEditBoxText(const Text& name, const Text& text) override { setControlText(name, text); }
};

// What a frontend reports to the app, always on the window's thread.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void windowCreated() = 0;
  virtual void controlEvent(const Text& control, Event event) = 0;
  virtual void windowDestroyed() = 0;
};

}  // namespace phpswitch
