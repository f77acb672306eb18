// Our own INI engine: a pure transformation on the bytes of a settings file,
// with the behaviour of the Windows private-profile API that the settings rely
// on. No file access here; the POSIX profile port reads and writes the files.
// Every line the engine does not set is kept byte for byte, line ends included.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace phpswitch {

struct IniLine {
  enum class Kind { Blank, Section, Entry };
  Kind kind;
  std::string_view text;                  // the line without its line end
  std::string_view end;                   // "\r\n", "\n", "\r", or "" on a last line without one
  std::string_view name;                  // section or key name; a line without "=" is a key without value
  std::optional<std::string_view> value;  // blanks around it removed, quotes kept
};

struct IniFile {
  std::string_view bom;  // a UTF-8 byte order mark, kept on write
  std::vector<IniLine> lines;
};

// Views into `contents`, which must outlive the result.
IniFile parseIni(std::string_view contents);

// The raw value of `key` in the first section named `section` (names match
// ignoring ASCII case and surrounding blanks); nothing when the section, the
// key or its "=" is missing.
std::optional<std::string_view> findIniValue(const IniFile& file, std::string_view section,
                                             std::string_view key);

// What GetPrivateProfileStringA gives: the value or else `fallback` (trailing
// spaces removed), without one pair of enclosing quotes, cut to at most
// kProfileBufferSize - 1 bytes without splitting a UTF-8 character.
Text iniProfileValue(std::string_view contents, std::string_view section, std::string_view key,
                     std::string_view fallback);

// `contents` with `key` in `section` set to `value`: an existing entry is
// replaced where it stands, a new one goes after the last non-blank line of
// its section, a new section at the end of the file. Nothing when the names
// cannot be stored (see usableIniNames).
std::optional<Text> iniWithValue(std::string_view contents, std::string_view section, std::string_view key,
                                 std::string_view value);

// Section and key names that read back as written: not empty or blank, no
// line break, and for the key no "=" and no leading "[".
bool usableIniNames(std::string_view section, std::string_view key);

// The value as one line of the file: leading blanks dropped, cut at the first
// CR or LF, so that a value can never add or break lines of the file.
std::string_view iniLineValue(std::string_view value);

// `text` without its leading bytes 0x00-0x20 (blanks and control bytes).
std::string_view withoutLeadingControls(std::string_view text);

}  // namespace phpswitch
