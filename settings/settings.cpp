// Saving and restoring the window's edit boxes in the settings file. Nothing
// is cached: the path is built and the data folder checked at every call, so
// a folder removed while the program runs comes back at the next save.
#include "settings/settings.h"

#include "settings/profile.h"
#include "system/file_system.h"
#include "system/program_directory.h"
#include "text/text_list.h"

namespace phpswitch {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kStoredLineBreak = "><br><";
constexpr std::string_view kQuote = "\"";
constexpr std::string_view kStoredQuote = "#引号";

Text settingsFileOr(const Text& file) {
  return file.empty() ? defaultSettingsFile() : file;
}

}  // namespace

Text settingsSection() {
  return "编辑框";
}

Text defaultSettingsFile() {
  const Text data = concatTexts(programDirectory(), pathSeparator(), "data");
  // Failure shows later as writes that fail and reads that give nothing.
  if (!isDirectory(data)) makeDirectoryPath(data);
  return concatTexts(data, pathSeparator(), "setsoft.ini");
}

Text escapeFieldText(const Text& text) {
  return replaceAll(replaceAll(text, kLineBreak, kStoredLineBreak), kQuote, kStoredQuote);
}

Text unescapeFieldText(const Text& text) {
  return replaceAll(replaceAll(text, kStoredLineBreak, kLineBreak), kStoredQuote, kQuote);
}

int saveFieldSettings(EditBoxes& window, const Text& file, const Text& exclusions) {
  const Text path = settingsFileOr(file);
  const std::vector<Text> names = window.editBoxNames();
  for (const Text& name : names) {
    if (!notInBarList(exclusions, name)) continue;
    // An empty text is stored as an empty value: the entry is never removed.
    writeProfileValue(path, settingsSection(), name, escapeFieldText(window.editBoxText(name)));
  }
  return static_cast<int>(names.size());
}

int loadFieldSettings(EditBoxes& window, const Text& file) {
  const Text path = settingsFileOr(file);
  const std::vector<Text> names = window.editBoxNames();
  for (const Text& name : names) {
    const Text value = readProfileValue(path, settingsSection(), name);
    if (value.empty()) continue;  // the box keeps its text
    window.setEditBoxText(name, unescapeFieldText(value));
  }
  return static_cast<int>(names.size());
}

}  // namespace phpswitch
