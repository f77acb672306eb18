// showMessage: the one place that decides a box's modality and default caption.
#include "app/message_box.h"

namespace phpswitch {

int showMessage(Window& window, const Text& text, unsigned style, const Text& title, bool owned) {
  // Without an owner a box would let the user go on clicking the window; task
  // modality disables it all the same.
  if ((style & kMbSystemModal) == 0) style |= kMbTaskModal;
  return window.messageBox(text, style, title.empty() ? Text("信息：") : title, owned);
}

}  // namespace phpswitch
