// The settings file: every edit box of the window saved to and restored from
// one INI section, with line breaks and double quotes escaped.
#pragma once

#include <vector>

#include "text/text.h"

namespace phpswitch {

// What the settings need of a window: its edit boxes, in definition order.
class EditBoxes {
 public:
  virtual ~EditBoxes() = default;
  virtual std::vector<Text> editBoxNames() = 0;
  virtual Text editBoxText(const Text& name) = 0;
  // Raises the box's text-changed event once, even when the text is unchanged.
  virtual void setEditBoxText(const Text& name, const Text& text) = 0;
};

// The section that holds the boxes: "编辑框".
Text settingsSection();

// <program directory>/data/setsoft.ini; the data folder is made when missing.
Text defaultSettingsFile();

Text escapeFieldText(const Text& text);    // CR LF -> "><br><", then " -> "#引号"
Text unescapeFieldText(const Text& text);  // the reverse, in the same order

// Empty `file`: the default file. `exclusions`: box names separated by "|".
// Both return the number of edit boxes of the window.
int saveFieldSettings(EditBoxes& window, const Text& file = {}, const Text& exclusions = {});
int loadFieldSettings(EditBoxes& window, const Text& file = {});

}  // namespace phpswitch
