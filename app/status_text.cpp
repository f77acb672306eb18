// singleLineText: multi-line command output for a single-line panel.
#include "app/status_text.h"

namespace phpswitch {
namespace {

bool onlyBlanks(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace

Text singleLineText(const Text& output) {
  Text out;
  std::string_view rest(output);
  while (!rest.empty()) {
    const std::size_t end = rest.find_first_of("\r\n");
    const std::string_view line = rest.substr(0, end);
    if (!onlyBlanks(line)) {
      if (!out.empty()) out += " | ";
      out += line;
    }
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return out;
}

}  // namespace phpswitch
