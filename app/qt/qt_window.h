// The main window on Qt 6 Widgets: built from the layout table, it translates
// Qt's signals into WindowEvents and the Window port's calls into widget calls.
// Reads from other threads come from a guarded copy of the texts; writes from
// other threads are posted to the GUI thread. No behaviour of the tool lives here.
#pragma once

#include <functional>
#include <memory>

#include "app/window.h"

class QAbstractButton;
class QMessageBox;
class QWidget;

namespace phpswitch {

// What the folder dialog is opened with; tests see this instead of a dialog.
struct QtFolderDialogCall {
  QWidget* parent = nullptr;
  Text title;
  Text initialFolder;
  bool directoriesOnly = true;
};

class QtWindow final : public Window {
 public:
  // Test hooks: when set, they answer instead of showing a dialog. The message
  // box hook gets the box as it would be shown and returns the button to press
  // (nullptr: dismissed without one); the folder hook returns the chosen path.
  static std::function<QAbstractButton*(QMessageBox&)> messageBoxHook;
  static std::function<Text(const QtFolderDialogCall&)> folderDialogHook;

  // Builds every control; construct on the GUI thread, after the QApplication.
  QtWindow();
  ~QtWindow() override;

  void setEvents(WindowEvents& events);
  // Runs after windowDestroyed when the window is closed (main ends the process there).
  void setCloseAction(std::function<void()> action);
  // Shows the window at its outer position and size, then raises windowCreated.
  void open();

  QWidget* widget();          // the top-level widget
  Text panelText(int panel);  // as last written, "" outside the panels

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

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace phpswitch
