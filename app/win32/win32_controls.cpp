// Native controls from the layout table. Every control, also one inside a
// group box, is a child of the main window, so its notifications and its
// WM_CTLCOLORSTATIC reach the window procedure directly and the keyboard moves
// through all controls in one tab order.
#include "app/win32/win32_controls.h"

#include <commctrl.h>

#include <algorithm>

namespace phpswitch {
namespace {

struct NativeClass {
  const char* className;
  DWORD style;
  DWORD exStyle;
};

NativeClass nativeClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::GroupBox:
      return {"BUTTON", BS_GROUPBOX | WS_CLIPSIBLINGS, 0};
    case ControlKind::Label:
      return {"STATIC", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, 0};
    case ControlKind::TransparentLabel:
      return {"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::Button:
      return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::EditBox:
      return {"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::ListBox:
      // No integral height: the box keeps exactly the size of the layout.
      return {"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::StatusBar:
      return {STATUSCLASSNAMEA, 0, 0};
  }
  return {"STATIC", 0, 0};
}

void setUpPanels(HWND statusBar) {
  std::vector<int> rightEdges;
  int edge = 0;
  for (const PanelSpec& panel : statusPanels()) {
    edge = panel.width < 0 ? -1 : edge + panel.width;
    rightEdges.push_back(edge);
  }
  ::SendMessageA(statusBar, SB_SETPARTS, rightEdges.size(), reinterpret_cast<LPARAM>(rightEdges.data()));
  WPARAM part = 0;
  for (const PanelSpec& panel : statusPanels()) {
    // Drawing style 0: the default sunken border, no icon, no tooltip.
    ::SendMessageA(statusBar, SB_SETTEXTA, part++, reinterpret_cast<LPARAM>(panel.text));
  }
}

}  // namespace

RECT clientRectOf(const ControlSpec& control) {
  int x = control.x;
  int y = control.y;
  const ControlSpec* box = *control.parent == '\0' ? nullptr : findControl(control.parent);
  if (box != nullptr) {
    const RECT origin = clientRectOf(*box);
    x += origin.left;
    y += origin.top;
  }
  return RECT{x, y, x + control.width, y + control.height};
}

HWND createControl(HWND window, const ControlSpec& control, int id, HFONT font) {
  const NativeClass native = nativeClassOf(control.kind);
  const RECT place = clientRectOf(control);
  const Text text = initialTextOf(control);
  HWND handle = ::CreateWindowExA(native.exStyle, native.className, text.c_str(),
                                  WS_CHILD | WS_VISIBLE | native.style, place.left, place.top,
                                  place.right - place.left, place.bottom - place.top, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  ::GetModuleHandleA(nullptr), nullptr);
  if (handle == nullptr) return nullptr;
  ::SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (control.kind == ControlKind::GroupBox) {
    ::SetWindowPos(handle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else if (control.kind == ControlKind::StatusBar) {
    setUpPanels(handle);
  }
  return handle;
}

void orderTabStops(const std::vector<HWND>& controls) {
  struct Stop {
    HWND control;
    RECT place;
  };
  std::vector<Stop> stops;
  for (HWND control : controls) {
    if (control == nullptr || (::GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) == 0) continue;
    Stop stop{control, {}};
    ::GetWindowRect(control, &stop.place);
    stops.push_back(stop);
  }
  std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
    return a.place.top != b.place.top ? a.place.top < b.place.top : a.place.left < b.place.left;
  });
  // The dialog navigation of the message loop follows the sibling order.
  HWND after = HWND_TOP;
  for (const Stop& stop : stops) {
    ::SetWindowPos(stop.control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = stop.control;
  }
}

HFONT createWindowFont() {
  // 12 pixels at 96 dpi; the English face name is understood under every code page.
  HFONT font = ::CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "SimSun");
  return font != nullptr ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

void repaintBehind(HWND control) {
  HWND parent = ::GetParent(control);
  RECT area;
  ::GetWindowRect(control, &area);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
  ::RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace phpswitch
