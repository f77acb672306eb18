// The few Qt widgets the window needs beyond the stock ones: each reports what
// the port calls an event through a callback, and holds no behaviour of its own.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <functional>
#include <mutex>
#include <vector>

namespace phpswitch {

// Sets a label's text; a text that its box would cut at the bottom gets a
// smaller font instead.
void setLabelText(QLabel* label, const QString& text);

// The top-level window: reports its close, keeps its outer size once a frame
// appears around it, and runs tasks that other threads post to the GUI thread.
class MainWidget : public QWidget {
  Q_OBJECT

 public:
  std::function<void()> onClose;
  QSize pendingOuterSize;  // the outer size to keep, until the frame is known

  void fitOuterSize();

  // Safe from any thread: `task` runs on the GUI thread, in posting order.
  void post(std::function<void()> task);

 private:
  Q_INVOKABLE void runPosted();

  // The tasks pass through our own lock rather than inside a queued functor:
  // Qt's event queue is synchronised where ThreadSanitizer cannot see it.
  std::mutex postedMutex_;
  std::vector<std::function<void()>> posted_;

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
