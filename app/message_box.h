// Message boxes as the actions show them: task-modal unless system-modal is
// asked for, and the caption "信息：" when no title is given.
#pragma once

#include "app/window.h"

namespace phpswitch {

constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconInformation = 0x40;
constexpr unsigned kMbSystemModal = 0x1000;
constexpr unsigned kMbTaskModal = 0x2000;

constexpr int kIdOk = 1;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// Shows `text` unchanged and returns the button pressed. An empty title means
// none was given. `owned`: modal to the main window rather than ownerless.
int showMessage(Window& window, const Text& text, unsigned style = kMbOk, const Text& title = {},
                bool owned = false);

}  // namespace phpswitch
