// The INI (private-profile) port: the Windows profile API, or our own engine
// on POSIX with the same observable behaviour, written atomically.
#pragma once

#include "text/text.h"

namespace phpswitch {

constexpr int kProfileBufferSize = 10240;  // a value comes back cut to 10,239 bytes

// The value of `key` in `section`, blanks and one pair of enclosing quotes
// removed; `fallback` when the file, section or key is missing. Leading bytes
// <= 0x20 of the path, section and key are ignored; an empty one gives "".
Text readProfileValue(const Text& file, const Text& section, const Text& key, const Text& fallback = {});

// Sets `key` in `section`, creating the file and the section when missing
// (the folder must exist). Only the value's first line is stored, so a value
// can never add lines; names that could not be read back are refused.
bool writeProfileValue(const Text& file, const Text& section, const Text& key, const Text& value);

}  // namespace phpswitch
