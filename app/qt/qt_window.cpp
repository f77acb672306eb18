// The Qt 6 main window: one widget per row of the layout table, each named by
// its layout name, and the Window port on top of them. The GUI thread owns the
// widgets; a guarded copy of every control's text serves readers on other
// threads, and their writes are posted to the GUI thread.
#include "app/qt/qt_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <array>
#include <map>
#include <mutex>
#include <thread>

#include "app/qt/qt_widgets.h"
#include "system/runner.h"

namespace phpswitch {

std::function<QAbstractButton*(QMessageBox&)> QtWindow::messageBoxHook;
std::function<Text(const QtFolderDialogCall&)> QtWindow::folderDialogHook;

namespace {

constexpr int kButtonOk = 1, kButtonCancel = 2, kButtonAbort = 3, kButtonRetry = 4, kButtonIgnore = 5,
              kButtonYes = 6, kButtonNo = 7;
constexpr unsigned kBrowseIncludeFiles = 0x4000;

QString toQt(const Text& text) {
  return QString::fromStdString(text);
}
Text fromQt(const QString& text) {
  return text.toStdString();
}

// Win32 controls break lines at CR LF; Qt wants a bare LF.
QString multiLine(const Text& text) {
  return toQt(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// A status-bar panel shows one line, as a Win32 status bar does.
QString oneLine(const Text& text) {
  QString line = toQt(text);
  line.replace(QLatin1String("\r\n"), QLatin1String(" "));
  line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
  return line;
}

// The buttons of MessageBoxA's low style nibble, in Win32 order (the default
// button bits count in this order).
std::vector<QMessageBox::StandardButton> buttonsOfStyle(unsigned style) {
  switch (style & 0xFu) {
    case 1:
      return {QMessageBox::Ok, QMessageBox::Cancel};
    case 2:
      return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case 3:
      return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case 4:
      return {QMessageBox::Yes, QMessageBox::No};
    case 5:
      return {QMessageBox::Retry, QMessageBox::Cancel};
    default:
      return {QMessageBox::Ok};
  }
}

QMessageBox::Icon iconOfStyle(unsigned style) {
  switch (style & 0xF0u) {
    case 0x10:
      return QMessageBox::Critical;
    case 0x20:
      return QMessageBox::Question;
    case 0x30:
      return QMessageBox::Warning;
    case 0x40:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

int buttonCode(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok:
      return kButtonOk;
    case QMessageBox::Abort:
      return kButtonAbort;
    case QMessageBox::Retry:
      return kButtonRetry;
    case QMessageBox::Ignore:
      return kButtonIgnore;
    case QMessageBox::Yes:
      return kButtonYes;
    case QMessageBox::No:
      return kButtonNo;
    default:
      return kButtonCancel;
  }
}

}  // namespace

struct QtWindow::State {
  struct Control {
    const ControlSpec* entry;
    QWidget* widget;
  };

  MainWidget root;
  std::vector<Control> controls;  // definition order
  std::array<QLabel*, 3> panels{};
  std::array<Text, 3> panelTexts;
  WindowEvents* events = nullptr;
  std::function<void()> closeAction;
  bool destroyed = false;
  unsigned lostFocusRaised = 0;
  std::thread::id guiThread = std::this_thread::get_id();

  std::mutex textsMutex;
  std::map<Text, Text, std::less<>> texts;  // every control's current text, for any thread

  bool onGuiThread() const { return std::this_thread::get_id() == guiThread; }

  Control* find(std::string_view name) {
    for (Control& control : controls) {
      if (name == control.entry->name) return &control;
    }
    return nullptr;
  }
  const Control* controlOf(const QWidget* widget) const {
    for (const Control& control : controls) {
      if (control.widget == widget) return &control;
    }
    return nullptr;
  }
  QListWidget* list(std::string_view name) {
    Control* control = find(name);
    return control != nullptr ? qobject_cast<QListWidget*>(control->widget) : nullptr;
  }

  void remember(const char* name, const Text& text) {
    std::lock_guard lock(textsMutex);
    texts[name] = text;
  }

  void raise(const ControlSpec& entry, Event event) {
    if (event == kLostFocus) ++lostFocusRaised;
    if (events != nullptr && (entry.events & event) != 0) events->controlEvent(entry.name, event);
  }

  QWidget* makeWidget(const ControlSpec& entry, QWidget* parent);
  QWidget* makeStatusBar(const ControlSpec& entry, QWidget* parent);
};

QWidget* QtWindow::State::makeWidget(const ControlSpec& entry, QWidget* parent) {
  const Text text = initialTextOf(entry);
  switch (entry.kind) {
    case ControlKind::GroupBox:
      return new QGroupBox(toQt(text), parent);
    case ControlKind::Label:
    case ControlKind::TransparentLabel: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setGeometry(entry.x, entry.y, entry.width, entry.height);
      setLabelText(label, multiLine(text));
      // A plain label paints the window colour; the transparent one paints
      // nothing, so whatever lies below shows through.
      label->setAutoFillBackground(entry.kind == ControlKind::Label);
      return label;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(toQt(text), parent);
      QObject::connect(button, &QPushButton::clicked, &root, [this, &entry] { raise(entry, kClicked); });
      return button;
    }
    case ControlKind::EditBox: {
      auto* edit = new FieldEdit(toQt(text), parent);
      // Qt signals only real changes; program writes raise their own event
      // in setControlText, so only the user's edits come through here.
      QObject::connect(edit, &QLineEdit::textChanged, &root,
                       [this, &entry](const QString& now) { remember(entry.name, fromQt(now)); });
      QObject::connect(edit, &QLineEdit::textEdited, &root, [this, &entry](const QString& now) {
        remember(entry.name, fromQt(now));
        raise(entry, kTextChanged);
      });
      edit->onDoubleClick = [this, &entry] { raise(entry, kDoubleClicked); };
      edit->onFocusOut = [this, &entry] { raise(entry, kLostFocus); };
      return edit;
    }
    case ControlKind::ListBox: {
      auto* list = new DirectoryList(parent);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->onDoubleClick = [this, &entry] { raise(entry, kItemDoubleClicked); };
      return list;
    }
    case ControlKind::StatusBar:
      return makeStatusBar(entry, parent);
  }
  return nullptr;
}

// The panels are placed by hand: QStatusBar's own layout adds margins and
// spacing, and the panels' right edges must lie at 50 and 330 pixels.
QWidget* QtWindow::State::makeStatusBar(const ControlSpec& entry, QWidget* parent) {
  auto* bar = new QStatusBar(parent);
  bar->setSizeGripEnabled(false);
  int left = 0;
  const auto specs = statusPanels();
  for (std::size_t i = 0; i < specs.size() && i < panels.size(); ++i) {
    const int width = specs[i].width >= 0 ? specs[i].width : entry.width - left;
    auto* panel = new QLabel(oneLine(specs[i].text), bar);
    panel->setObjectName(QStringLiteral("%1_panel%2").arg(QString::fromUtf8(entry.name)).arg(i));
    panel->setTextFormat(Qt::PlainText);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(left, 0, width, entry.height);
    panels[i] = panel;
    panelTexts[i] = specs[i].text;
    left += width;
  }
  return bar;
}

QtWindow::QtWindow() : state_(std::make_unique<State>()) {
  State& s = *state_;
  const WindowSpec& window = mainWindowSpec();
  s.root.setWindowTitle(toQt(window.title));
  // About the size and line height of the 9-point GUI font the fixed control
  // sizes were made for; a CJK face first, since most texts are Chinese.
  QFont font = s.root.font();
  font.setFamilies(
      {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"), font.family()});
  font.setPixelSize(12);
  s.root.setFont(font);
  s.root.onClose = [&s] {
    if (s.destroyed) return;
    s.destroyed = true;
    if (s.events != nullptr) s.events->windowDestroyed();
    if (s.closeAction) s.closeAction();
  };

  for (const ControlSpec& entry : mainWindowControls()) {
    QWidget* parent = &s.root;
    if (*entry.parent != '\0') {
      State::Control* holder = s.find(entry.parent);
      if (holder != nullptr) parent = holder->widget;
    }
    QWidget* widget = s.makeWidget(entry, parent);
    widget->setObjectName(QString::fromUtf8(entry.name));
    widget->setGeometry(entry.x, entry.y, entry.width, entry.height);
    s.controls.push_back({&entry, widget});
    const Text text = entry.kind == ControlKind::ListBox || entry.kind == ControlKind::StatusBar
                          ? Text()
                          : initialTextOf(entry);
    s.remember(entry.name, text);
  }
  installMessagePump([] {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
  });
}

QtWindow::~QtWindow() {
  // Tearing the widgets down moves the focus and closes the window: none of
  // that is the user's doing, so nobody hears of it.
  state_->events = nullptr;
  state_->closeAction = nullptr;
  state_->root.onClose = nullptr;
}

void QtWindow::setEvents(WindowEvents& events) {
  state_->events = &events;
}
void QtWindow::setCloseAction(std::function<void()> action) {
  state_->closeAction = std::move(action);
}
QWidget* QtWindow::widget() {
  return &state_->root;
}

void QtWindow::open() {
  State& s = *state_;
  const WindowSpec& window = mainWindowSpec();
  // move() places the frame; resize() the client area, until the frame is known.
  s.root.move(window.x, window.y);
  s.root.resize(window.width, window.height);
  s.root.pendingOuterSize = QSize(window.width, window.height);
  s.root.winId();
  if (s.events != nullptr) s.events->windowCreated();
  s.root.show();
  s.root.fitOuterSize();
}

Text QtWindow::controlText(const Text& name) {
  std::lock_guard lock(state_->textsMutex);
  const auto found = state_->texts.find(name);
  return found != state_->texts.end() ? found->second : Text();
}

void QtWindow::setControlText(const Text& name, const Text& text) {
  State& s = *state_;
  if (!s.onGuiThread()) {
    s.root.post([this, name, text] { setControlText(name, text); });
    return;
  }
  State::Control* control = s.find(name);
  if (control == nullptr) return;
  switch (control->entry->kind) {
    case ControlKind::GroupBox:
      static_cast<QGroupBox*>(control->widget)->setTitle(toQt(text));
      break;
    case ControlKind::Label:
    case ControlKind::TransparentLabel:
      setLabelText(static_cast<QLabel*>(control->widget), multiLine(text));
      break;
    case ControlKind::Button:
      static_cast<QPushButton*>(control->widget)->setText(toQt(text));
      break;
    case ControlKind::EditBox: {
      auto* edit = static_cast<QLineEdit*>(control->widget);
      const QSignalBlocker blocker(edit);
      edit->setText(toQt(text));
      break;
    }
    case ControlKind::ListBox:
    case ControlKind::StatusBar:
      return;
  }
  s.remember(control->entry->name, text);
  s.raise(*control->entry, kTextChanged);
}

void QtWindow::setPanelText(int panel, const Text& text) {
  State& s = *state_;
  if (panel < 0 || panel >= static_cast<int>(s.panels.size())) return;
  if (!s.onGuiThread()) {
    s.root.post([this, panel, text] { setPanelText(panel, text); });
    return;
  }
  s.panelTexts[panel] = text;
  s.panels[panel]->setText(oneLine(text));
}

Text QtWindow::panelText(int panel) {
  if (panel < 0 || panel >= static_cast<int>(state_->panelTexts.size())) return {};
  return state_->panelTexts[panel];
}

int QtWindow::messageBox(const Text& text, unsigned style, const Text& caption, bool owned) {
  QMessageBox box(owned ? &state_->root : nullptr);
  // MessageBoxA is task-modal here: every window of the program waits for it.
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowTitle(toQt(caption));
  box.setTextFormat(Qt::PlainText);
  box.setText(multiLine(text));
  box.setIcon(iconOfStyle(style));
  const std::vector<QMessageBox::StandardButton> buttons = buttonsOfStyle(style);
  for (QMessageBox::StandardButton button : buttons) box.addButton(button);
  const std::size_t defaultIndex = (style >> 8) & 0xFu;  // MB_DEFBUTTON2 0x100, ...
  box.setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0]);

  QAbstractButton* pressed = nullptr;
  if (messageBoxHook) {
    pressed = messageBoxHook(box);
  } else {
    box.exec();
    pressed = box.clickedButton();
  }
  return pressed != nullptr ? buttonCode(box.standardButton(pressed)) : kButtonCancel;
}

void QtWindow::setFocus(const Text& name) {
  State& s = *state_;
  State::Control* control = s.find(name);
  if (control == nullptr) return;
  const State::Control* previous = s.controlOf(s.root.focusWidget());
  const unsigned raisedBefore = s.lostFocusRaised;
  control->widget->setFocus(Qt::OtherFocusReason);
  // Qt sends no focus events while the window is inactive, yet the box that
  // had the focus must hear of losing it before this returns.
  if (previous != nullptr && previous != control && previous->entry->kind == ControlKind::EditBox &&
      s.lostFocusRaised == raisedBefore) {
    s.raise(*previous->entry, kLostFocus);
  }
}

void QtWindow::clearList(const Text& list) {
  if (QListWidget* widget = state_->list(list)) widget->clear();
}

void QtWindow::insertListItem(const Text& list, int index, const Text& text) {
  QListWidget* widget = state_->list(list);
  if (widget == nullptr) return;
  // As LB_INSERTSTRING: -1 appends, an index beyond the end inserts nothing.
  if (index == -1) index = widget->count();
  if (index < 0 || index > widget->count()) return;
  widget->insertItem(index, toQt(text));
}

int QtWindow::selectedListIndex(const Text& list) {
  QListWidget* widget = state_->list(list);
  if (widget == nullptr) return -1;
  const QModelIndexList selected = widget->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? -1 : selected.front().row();
}

Text QtWindow::listItemText(const Text& list, int index) {
  QListWidget* widget = state_->list(list);
  if (widget == nullptr || index < 0 || index >= widget->count()) return {};
  return fromQt(widget->item(index)->text());
}

std::vector<Text> QtWindow::controlsOfKind(ControlKind kind) {
  std::vector<Text> names;
  for (const State::Control& control : state_->controls) {
    if (control.entry->kind == kind) names.emplace_back(control.entry->name);
  }
  return names;
}

Text QtWindow::browseForFolder(const FolderDialogRequest& request) {
  QtFolderDialogCall call;
  call.parent = request.owned ? &state_->root : nullptr;
  call.title = request.title;
  call.initialFolder = request.initialFolder;
  call.directoriesOnly = (request.flags & kBrowseIncludeFiles) == 0;
  if (folderDialogHook) return folderDialogHook(call);
  const QFileDialog::Options options =
      call.directoriesOnly ? QFileDialog::ShowDirsOnly : QFileDialog::Options();
  return fromQt(
      QFileDialog::getExistingDirectory(call.parent, toQt(call.title), toQt(call.initialFolder), options));
}

void QtWindow::pumpMessages() {
  if (state_->onGuiThread()) QCoreApplication::processEvents();
}

}  // namespace phpswitch
