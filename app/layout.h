// The main window as data: every control with its kind, name, parent, place,
// size, initial text and events. Both frontends build their controls from it.
#pragma once

#include <span>

#include "text/text.h"

namespace phpswitch {

enum class ControlKind { GroupBox, Label, TransparentLabel, Button, EditBox, ListBox, StatusBar };

// Events a control raises, as bits.
enum Event : unsigned {
  kNoEvents = 0,
  kClicked = 1u << 0,
  kDoubleClicked = 1u << 1,
  kLostFocus = 1u << 2,
  kTextChanged = 1u << 3,
  kItemDoubleClicked = 1u << 4,
};

struct ControlSpec {
  ControlKind kind;
  const char* name;
  const char* parent;  // "" for the window's client area
  int x, y, width, height;
  const char* text;     // nullptr for the platform's default field text
  unsigned events;
};

struct PanelSpec {
  int width;  // -1: the rest of the bar
  const char* text;
};

struct WindowSpec {
  const char* title;
  int x, y, width, height;  // outer frame, screen pixels
};

const WindowSpec& mainWindowSpec();
// In definition order: group boxes before what they hold, the target field
// before the version field.
std::span<const ControlSpec> mainWindowControls();
std::span<const PanelSpec> statusPanels();

// The control's initial text: its layout text, or the platform default for the path fields.
Text initialTextOf(const ControlSpec& control);
const ControlSpec* findControl(std::string_view name);

}  // namespace phpswitch
