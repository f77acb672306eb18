// The POSIX command lines of the actions, for /bin/sh -c. Every path is one
// single-quoted word, inside which sh interprets no character at all, so any
// path (blanks, quotes, $(...), backquotes, ;, &, |, line breaks) is safe.
#include "system/platform.h"

namespace phpswitch {

Text defaultTargetPath() {
  return "/opt/php_target";
}
Text defaultVersionPath() {
  return "/opt/php/php-7.0.3";
}

Text phpExecutableIn(const Text& folder) {
  return folder + "/php";
}

// A single quote cannot stand inside single quotes: it ends the quoted part,
// comes as \' and opens a new one. An empty path stays '' (one empty word),
// which the commands then reject with their own error.
std::optional<Text> quotedPath(const Text& path) {
  Text quoted = "'";
  for (const char c : path) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  quoted += '\'';
  return quoted;
}

// ln -T never creates the link inside an existing directory (which plain
// ln -s would do silently); it fails with "File exists" instead. ln prints
// nothing on success, so the confirmation line is printed after it, with the
// paths as printf arguments, never as part of its format.
std::optional<Text> linkCommand(const Text& target, const Text& version) {
  const std::optional<Text> t = quotedPath(target);
  const std::optional<Text> v = quotedPath(version);
  if (!t || !v) return std::nullopt;
  return "ln -sT -- " + *v + " " + *t + " && printf 'symbolic link created for %s <<===>> %s\\n' " + *t +
         " " + *v;
}

// Like cmd's rmdir: a link that leads to a directory (or nowhere) goes as a
// link and its destination stays; an empty directory goes; a non-empty
// directory, a file, a link to a file and a missing path are refused with
// rmdir's own message.
std::optional<Text> unlinkCommand(const Text& target) {
  const std::optional<Text> t = quotedPath(target);
  if (!t) return std::nullopt;
  return "if [ -L " + *t + " ] && { [ -d " + *t + " ] || [ ! -e " + *t + " ]; }; then rm -- " + *t +
         "; else rmdir -- " + *t + "; fi";
}

namespace {

// A relative path with a leading dash gets "./" in front: php may be a
// script, and its path is then an argument of the script's interpreter.
std::optional<Text> phpCommand(const Text& target, const char* arguments) {
  Text php = phpExecutableIn(target);
  if (php.front() == '-') php = "./" + php;
  const std::optional<Text> quoted = quotedPath(php);
  if (!quoted) return std::nullopt;
  return *quoted + arguments;
}

}  // namespace

std::optional<Text> phpTestCommand(const Text& target) {
  return phpCommand(target, " -v");
}

std::optional<Text> phpVersionCommand(const Text& target) {
  return phpCommand(target, " -r 'echo PHP_VERSION;'");
}

}  // namespace phpswitch
