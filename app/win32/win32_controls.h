// The native controls of the layout table: classes, styles, places and the
// one font they share. Used by the main window only.
#pragma once

#include <windows.h>

#include <vector>

#include "app/layout.h"

namespace phpswitch {

// Where a control sits in the window's client area. Group-box contents are
// children of the main window, offset by the origin of their group box.
RECT clientRectOf(const ControlSpec& control);

// Creates one control with its initial text; group boxes go to the bottom of
// the sibling order so that they never paint over what they hold.
HWND createControl(HWND window, const ControlSpec& control, int id, HFONT font);

// Tab moves through the fields and buttons as they read on screen, top to
// bottom and left to right, rather than in definition order.
void orderTabStops(const std::vector<HWND>& controls);

// SimSun at 9 points, the font the layout's sizes were made for: ten lines of
// help fit its label. The caller owns the handle and deletes it.
HFONT createWindowFont();

// A transparent label shows whatever lies beneath it, so after a text change
// the parent must repaint that area before the label draws the new text.
void repaintBehind(HWND control);

}  // namespace phpswitch
