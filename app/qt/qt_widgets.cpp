// The window's own widgets: callbacks after Qt's handling, the label font that
// fits its box, and the outer size that counts a late window-manager frame.
#include "app/qt/qt_widgets.h"

#include <QCloseEvent>

namespace phpswitch {

// Win32's 9-point GUI font has a 12-pixel line; Qt's faces run taller, so a
// label whose wrapped text would be cut at the bottom gets a smaller size
// (down to 9 pixels) instead.
void setLabelText(QLabel* label, const QString& text) {
  label->setText(text);
  QFont font = label->parentWidget()->font();
  for (int size = font.pixelSize(); size > 9; --size) {
    font.setPixelSize(size);
    const QRect needed = QFontMetrics(font).boundingRect(label->contentsRect(), Qt::TextWordWrap, text);
    if (needed.height() <= label->contentsRect().height()) break;
  }
  label->setFont(font);
}

// resize() sizes the client area: take the frame off once the platform knows
// it. A window manager adds its frame after the window is shown; an X server
// without one never does.
void MainWidget::fitOuterSize() {
  const QSize frame = frameGeometry().size() - size();
  if (frame.isNull() || !pendingOuterSize.isValid()) return;
  const QSize outer = pendingOuterSize;
  pendingOuterSize = QSize();  // before resize(), whose events come back here
  resize(outer - frame);
}

bool MainWidget::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  if (pendingOuterSize.isValid() && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
    fitOuterSize();
  }
  return handled;
}

void MainWidget::post(std::function<void()> task) {
  bool wake = false;
  {
    std::lock_guard lock(postedMutex_);
    wake = posted_.empty();  // a wake-up is already on its way otherwise
    posted_.push_back(std::move(task));
  }
  if (wake) QMetaObject::invokeMethod(this, "runPosted", Qt::QueuedConnection);
}

void MainWidget::runPosted() {
  std::vector<std::function<void()>> tasks;
  {
    std::lock_guard lock(postedMutex_);
    tasks.swap(posted_);
  }
  for (const auto& task : tasks) task();
}

void MainWidget::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (event->isAccepted() && onClose) onClose();
}

void FieldEdit::mouseDoubleClickEvent(QMouseEvent* event) {
  QLineEdit::mouseDoubleClickEvent(event);
  if (onDoubleClick) onDoubleClick();
}

void FieldEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (onFocusOut) onFocusOut();
}

void DirectoryList::mouseDoubleClickEvent(QMouseEvent* event) {
  QListWidget::mouseDoubleClickEvent(event);
  if (onDoubleClick) onDoubleClick();
}

}  // namespace phpswitch
