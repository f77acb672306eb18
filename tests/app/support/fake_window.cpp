// The fake window: every control of the layout table, its texts under one
// lock (the monitor reads and writes from its own thread), and events raised
// outside the lock, since the handlers read the window again.
#include "support/fake_window.h"

#include <algorithm>

namespace phpswitch::testing {
namespace {

constexpr int kIdOk = 1;
constexpr int kIdNo = 7;
constexpr unsigned kButtonsMask = 0xF;
constexpr unsigned kYesNo = 0x4;

}  // namespace

FakeWindow::FakeWindow() {
  for (const ControlSpec& control : mainWindowControls()) texts_[control.name] = initialTextOf(control);
  for (const PanelSpec& panel : statusPanels()) panels_.emplace_back(panel.text);
}

void FakeWindow::presetText(const Text& name, const Text& text) {
  std::lock_guard lock(mutex_);
  texts_[name] = text;
}

void FakeWindow::open() {
  if (events_ != nullptr) events_->windowCreated();
}

void FakeWindow::close() {
  if (events_ != nullptr) events_->windowDestroyed();
}

void FakeWindow::type(const Text& field, const Text& text) {
  setFocus(field);
  setControlText(field, text);
}

void FakeWindow::click(const Text& button) {
  setFocus(button);
  raise(button, kClicked);
}

void FakeWindow::doubleClick(const Text& field) {
  setFocus(field);
  raise(field, kDoubleClicked);
}

void FakeWindow::doubleClickItem(int index) {
  {
    std::lock_guard lock(mutex_);
    selected_ = index;
  }
  raise(findControl("列表框_menus")->name, kItemDoubleClicked);
}

void FakeWindow::answerBoxes(std::initializer_list<int> buttons) {
  std::lock_guard lock(mutex_);
  boxAnswers_.insert(boxAnswers_.end(), buttons);
}

void FakeWindow::answerPicker(const Text& folder) {
  std::lock_guard lock(mutex_);
  pickerAnswers_.push_back(folder);
}

std::vector<ShownBox> FakeWindow::boxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

std::vector<FolderDialogRequest> FakeWindow::pickerRequests() const {
  std::lock_guard lock(mutex_);
  return pickerRequests_;
}

int FakeWindow::unscripted() const {
  std::lock_guard lock(mutex_);
  return unscripted_;
}

Text FakeWindow::panel(int index) const {
  std::lock_guard lock(mutex_);
  return panels_.at(static_cast<std::size_t>(index));
}

std::vector<Text> FakeWindow::listItems() const {
  std::lock_guard lock(mutex_);
  return items_;
}

Text FakeWindow::focused() const {
  std::lock_guard lock(mutex_);
  return focus_;
}

int FakeWindow::pumps() const {
  std::lock_guard lock(mutex_);
  return pumps_;
}

Text FakeWindow::waitForText(const Text& name, const std::function<bool(const Text&)>& wanted,
                             std::chrono::seconds limit) {
  std::unique_lock lock(mutex_);
  textChanged_.wait_for(lock, limit, [&] { return wanted(texts_[name]); });
  return texts_[name];
}

Text FakeWindow::controlText(const Text& name) {
  std::lock_guard lock(mutex_);
  const auto found = texts_.find(name);
  return found == texts_.end() ? Text() : found->second;
}

void FakeWindow::setControlText(const Text& name, const Text& text) {
  {
    std::lock_guard lock(mutex_);
    if (texts_.count(name) == 0) return;
    texts_[name] = text;
  }
  textChanged_.notify_all();
  // As an edit control's EN_CHANGE: once per write, even when nothing changed.
  if (isEditBox(name)) raise(name, kTextChanged);
}

void FakeWindow::setPanelText(int panel, const Text& text) {
  std::lock_guard lock(mutex_);
  if (panel >= 0 && panel < static_cast<int>(panels_.size())) panels_[static_cast<std::size_t>(panel)] = text;
}

int FakeWindow::messageBox(const Text& text, unsigned style, const Text& caption, bool owned) {
  std::lock_guard lock(mutex_);
  boxes_.push_back({text, style, caption, owned});
  if (!boxAnswers_.empty()) {
    const int answer = boxAnswers_.front();
    boxAnswers_.pop_front();
    return answer;
  }
  ++unscripted_;
  return (style & kButtonsMask) == kYesNo ? kIdNo : kIdOk;
}

void FakeWindow::setFocus(const Text& name) {
  Text left;
  {
    std::lock_guard lock(mutex_);
    if (focus_ == name) return;
    left = focus_;
    focus_ = name;
  }
  if (isEditBox(left)) raise(left, kLostFocus);
}

void FakeWindow::clearList(const Text&) {
  std::lock_guard lock(mutex_);
  items_.clear();
  selected_ = -1;
}

void FakeWindow::insertListItem(const Text&, int index, const Text& text) {
  std::lock_guard lock(mutex_);
  const std::size_t at = std::min(static_cast<std::size_t>(std::max(index, 0)), items_.size());
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), text);
}

int FakeWindow::selectedListIndex(const Text&) {
  std::lock_guard lock(mutex_);
  return selected_;
}

Text FakeWindow::listItemText(const Text&, int index) {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<int>(items_.size())) return {};
  return items_[static_cast<std::size_t>(index)];
}

std::vector<Text> FakeWindow::controlsOfKind(ControlKind kind) {
  std::vector<Text> names;
  for (const ControlSpec& control : mainWindowControls()) {
    if (control.kind == kind) names.emplace_back(control.name);
  }
  return names;
}

Text FakeWindow::browseForFolder(const FolderDialogRequest& request) {
  std::lock_guard lock(mutex_);
  pickerRequests_.push_back(request);
  if (pickerAnswers_.empty()) {
    ++unscripted_;
    return {};
  }
  const Text answer = pickerAnswers_.front();
  pickerAnswers_.pop_front();
  return answer;
}

void FakeWindow::pumpMessages() {
  std::lock_guard lock(mutex_);
  ++pumps_;
}

bool FakeWindow::isEditBox(const Text& name) const {
  const ControlSpec* control = findControl(name);
  return control != nullptr && control->kind == ControlKind::EditBox;
}

void FakeWindow::raise(const Text& control, Event event) {
  if (events_ != nullptr) events_->controlEvent(control, event);
}

}  // namespace phpswitch::testing
