// The Win32 command lines of the actions, for cmd.exe /c. Every path is one
// double-quoted word, inside which cmd takes & | < > ( ) ^ and blanks
// literally. What cmd would still interpret inside quotes is refused: % (its
// variables are expanded before quotes count), a double quote (it would end the
// word) and control bytes (a line break ends the command).
#include "system/platform.h"

namespace phpswitch {

Text defaultTargetPath() {
  return "D:\\php_target";
}
Text defaultVersionPath() {
  return "E:\\php\\php-7.0.3";
}

Text phpExecutableIn(const Text& folder) {
  return folder + "\\php.exe";
}

// Bytes are checked one by one: the second byte of a code-page-936 character
// is 0x40 or higher, so it can never be mistaken for one of the refused bytes.
std::optional<Text> quotedPath(const Text& path) {
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '%' || c == '"') return std::nullopt;
  }
  return "\"" + path + "\"";
}

std::optional<Text> linkCommand(const Text& target, const Text& version) {
  const std::optional<Text> t = quotedPath(target);
  const std::optional<Text> v = quotedPath(version);
  if (!t || !v) return std::nullopt;
  return "mklink /D " + *t + " " + *v;
}

std::optional<Text> unlinkCommand(const Text& target) {
  const std::optional<Text> t = quotedPath(target);
  if (!t) return std::nullopt;
  return "rmdir " + *t;
}

namespace {

// cmd /c removes the first and the last quote of a command line that starts
// with a quote (unless it is one quoted program name and nothing else), which
// would unquote the program's path. One outer pair of quotes is what it
// removes instead.
std::optional<Text> phpCommand(const Text& target, const char* arguments) {
  const std::optional<Text> php = quotedPath(phpExecutableIn(target));
  if (!php) return std::nullopt;
  return "\"" + *php + arguments + "\"";
}

}  // namespace

std::optional<Text> phpTestCommand(const Text& target) {
  return phpCommand(target, " -v");
}

std::optional<Text> phpVersionCommand(const Text& target) {
  return phpCommand(target, " -r \"echo PHP_VERSION;\"");
}

}  // namespace phpswitch
