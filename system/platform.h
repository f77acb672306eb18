// The platform's own path literals and command lines. Every path is quoted so
// that no character of it is interpreted by the shell; a path the interpreter
// would still expand is refused (an empty result) before anything runs.
#pragma once

#include <optional>

#include "text/text.h"

namespace phpswitch {

// Initial texts of the two path fields ("D:\php_target", "E:\php\php-7.0.3" on Windows).
Text defaultTargetPath();
Text defaultVersionPath();

// The PHP executable under a folder: folder + "\php.exe" or folder + "/php".
Text phpExecutableIn(const Text& folder);

// `path` as one word of the interpreter's command line, or nothing when the
// interpreter would expand part of it even inside quotes (cmd: "%").
std::optional<Text> quotedPath(const Text& path);

// The command lines of the actions; nothing when a path cannot be quoted.
std::optional<Text> linkCommand(const Text& target, const Text& version);  // mklink /D / ln -sT
std::optional<Text> unlinkCommand(const Text& target);                     // rmdir
std::optional<Text> phpTestCommand(const Text& target);                    // php -v
std::optional<Text> phpVersionCommand(const Text& target);                 // php -r "echo PHP_VERSION;"

}  // namespace phpswitch
