// A headless main window for the tests: the controls of the layout table with
// their texts, events raised as the real windows raise them (text-changed once
// per write, lost-focus when the focus leaves an edit box), message boxes and
// the folder picker answered from a script, and a record of what was shown.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "app/window.h"

namespace phpswitch::testing {

struct ShownBox {
  Text text;
  unsigned style;
  Text caption;
  bool owned;
};

class FakeWindow : public Window {
 public:
  FakeWindow();

  void setEvents(WindowEvents* events) { events_ = events; }

  // A text as the layout would give it: set before open(), raises nothing.
  void presetText(const Text& name, const Text& text);

  // What the frontend reports, and what a user does.
  void open();
  void close();
  void type(const Text& field, const Text& text);  // focus to the field, then its text changes once
  void click(const Text& button);                  // focus to the button, then clicked
  void doubleClick(const Text& field);             // focus to the field, then double-clicked
  void doubleClickItem(int index);                 // selects the item (-1: none), then double-clicked

  // Scripts: the answers of the next message boxes and folder dialogs, in order.
  // Without a scripted answer a box returns IDNO for Yes/No and IDOK otherwise,
  // and a dialog is cancelled; both are counted as unscripted.
  void answerBoxes(std::initializer_list<int> buttons);
  void answerPicker(const Text& folder);  // "" cancels

  // Records.
  std::vector<ShownBox> boxes() const;
  std::vector<FolderDialogRequest> pickerRequests() const;
  int unscripted() const;
  Text panel(int index) const;
  std::vector<Text> listItems() const;
  Text focused() const;
  int pumps() const;
  // Waits until `name`'s text satisfies `wanted` or `limit` has passed; the
  // text as last seen. For the monitor, which writes from its own thread.
  Text waitForText(const Text& name, const std::function<bool(const Text&)>& wanted,
                   std::chrono::seconds limit = std::chrono::seconds(60));

  // Window
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
  bool isEditBox(const Text& name) const;
  void raise(const Text& control, Event event);

  WindowEvents* events_ = nullptr;
  mutable std::mutex mutex_;
  std::condition_variable textChanged_;
  std::map<Text, Text> texts_;
  std::vector<Text> panels_;
  std::vector<Text> items_;
  int selected_ = -1;
  Text focus_;
  std::deque<int> boxAnswers_;
  std::deque<Text> pickerAnswers_;
  std::vector<ShownBox> boxes_;
  std::vector<FolderDialogRequest> pickerRequests_;
  int unscripted_ = 0;
  int pumps_ = 0;
};

// A user who answers Yes to every Yes/No question, so that each switch runs
// to its end: the harshest case for safety. Other boxes follow the script.
class ConfirmingWindow : public FakeWindow {
 public:
  int messageBox(const Text& text, unsigned style, const Text& caption, bool owned) override {
    const int answer = FakeWindow::messageBox(text, style, caption, owned);
    return (style & 0xF) == 0x4 ? 6 /* IDYES */ : answer;
  }
};

}  // namespace phpswitch::testing
