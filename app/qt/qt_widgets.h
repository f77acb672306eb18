// The few Qt widgets the window needs beyond the stock ones: each reports what
// the port calls an event through a callback, and holds no behaviour of its own.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <functional>

namespace phpswitch {

// Sets a label's text; a text that its box would cut at the bottom gets a
// smaller font instead.
void setLabelText(QLabel* label, const QString& text);

// The top-level window: reports its close, and keeps its outer size once a
// frame appears around it.
class MainWidget : public QWidget {
 public:
  std::function<void()> onClose;
  QSize pendingOuterSize;  // the outer size to keep, until the frame is known

  void fitOuterSize();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

class FieldEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;
  std::function<void()> onDoubleClick, onFocusOut;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

// Any double-click in the list raises the event, also one beside the items
// while nothing is selected: the handler then takes the empty text.
class DirectoryList : public QListWidget {
 public:
  using QListWidget::QListWidget;
  std::function<void()> onDoubleClick;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace phpswitch
