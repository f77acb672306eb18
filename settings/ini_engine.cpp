// The INI engine: parsing, look-up and setting one key, modelled on what
// GetPrivateProfileStringA / WritePrivateProfileStringA do (measured under
// Wine). Unlike Wine, which rewrites the whole file, we keep blank lines,
// indentation and each line's own line end.
#include "settings/ini_engine.h"

#include "settings/profile.h"

namespace phpswitch {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The profile API's blanks: C white space plus Ctrl-Z, which old editors left
// at the end of a file. The full-width blank is not one of them.
bool isIniBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == '\x1a';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isIniBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isIniBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view withoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && isIniBlank(text.front())) text.remove_prefix(1);
  return text;
}

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

IniLine classify(std::string_view text, std::string_view end) {
  IniLine line{IniLine::Kind::Blank, text, end, {}, std::nullopt};
  const std::string_view content = trimmed(text);
  if (content.empty()) return line;
  // A header runs to the last "]" of the line, as the profile API reads it;
  // a "[" without a later "]" is an ordinary key line.
  if (content.front() == '[') {
    const std::size_t close = content.rfind(']');
    if (close != std::string_view::npos && close > 0) {
      line.kind = IniLine::Kind::Section;
      line.name = content.substr(1, close - 1);
      return line;
    }
  }
  line.kind = IniLine::Kind::Entry;
  const std::size_t equals = content.find('=');
  if (equals == std::string_view::npos) {
    line.name = content;
  } else {
    line.name = trimmed(content.substr(0, equals));
    line.value = withoutLeadingBlanks(content.substr(equals + 1));
  }
  return line;
}

// Lines [first, last) of the first section named `section`: its header is
// lines[first - 1]. Nothing when no section has that name.
struct SectionRange {
  std::size_t first;
  std::size_t last;
};

std::optional<SectionRange> findSection(const IniFile& file, std::string_view section) {
  const std::vector<IniLine>& lines = file.lines;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != IniLine::Kind::Section || !sameName(lines[i].name, section)) continue;
    std::size_t last = i + 1;
    while (last < lines.size() && lines[last].kind != IniLine::Kind::Section) ++last;
    return SectionRange{i + 1, last};
  }
  return std::nullopt;
}

std::optional<std::size_t> findKey(const IniFile& file, SectionRange range, std::string_view key) {
  for (std::size_t i = range.first; i < range.last; ++i) {
    const IniLine& line = file.lines[i];
    if (line.kind == IniLine::Kind::Entry && sameName(line.name, key)) return i;
  }
  return std::nullopt;
}

std::string_view withoutEnclosingQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The API cuts at a character, never inside one: back up over UTF-8
// continuation bytes to the start of the character that did not fit.
std::string_view cutToBuffer(std::string_view value) {
  constexpr std::size_t kMaxBytes = kProfileBufferSize - 1;
  if (value.size() <= kMaxBytes) return value;
  std::size_t cut = kMaxBytes;
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
  return value.substr(0, cut);
}

// New lines take the file's own line end; a new file gets the Windows one.
std::string_view lineEndOf(const IniFile& file) {
  for (const IniLine& line : file.lines) {
    if (!line.end.empty()) return line.end;
  }
  return "\r\n";
}

}  // namespace

std::string_view withoutLeadingControls(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  return text;
}

IniFile parseIni(std::string_view contents) {
  IniFile file;
  if (contents.starts_with(kUtf8Bom)) {
    file.bom = contents.substr(0, kUtf8Bom.size());
    contents.remove_prefix(kUtf8Bom.size());
  }
  while (!contents.empty()) {
    const std::size_t stop = contents.find_first_of("\r\n");
    if (stop == std::string_view::npos) {
      file.lines.push_back(classify(contents, {}));
      break;
    }
    const std::size_t endSize = contents.compare(stop, 2, "\r\n") == 0 ? 2 : 1;
    file.lines.push_back(classify(contents.substr(0, stop), contents.substr(stop, endSize)));
    contents.remove_prefix(stop + endSize);
  }
  return file;
}

std::optional<std::string_view> findIniValue(const IniFile& file, std::string_view section,
                                             std::string_view key) {
  const std::optional<SectionRange> range = findSection(file, trimmed(section));
  if (!range) return std::nullopt;
  const std::optional<std::size_t> index = findKey(file, *range, trimmed(key));
  if (!index) return std::nullopt;
  return file.lines[*index].value;
}

Text iniProfileValue(std::string_view contents, std::string_view section, std::string_view key,
                     std::string_view fallback) {
  const IniFile file = parseIni(contents);
  std::optional<std::string_view> value = findIniValue(file, section, key);
  if (!value) {
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    value = fallback;
  }
  return Text(cutToBuffer(withoutEnclosingQuotes(*value)));
}

bool usableIniNames(std::string_view section, std::string_view key) {
  if (section.find_first_of("\r\n") != std::string_view::npos) return false;
  if (key.find_first_of("\r\n=") != std::string_view::npos) return false;
  section = trimmed(section);
  key = trimmed(key);
  return !section.empty() && !key.empty() && key.front() != '[';
}

std::string_view iniLineValue(std::string_view value) {
  value = withoutLeadingBlanks(value);
  return value.substr(0, value.find_first_of("\r\n"));
}

std::optional<Text> iniWithValue(std::string_view contents, std::string_view section, std::string_view key,
                                 std::string_view value) {
  if (!usableIniNames(section, key)) return std::nullopt;
  section = trimmed(section);
  key = trimmed(key);
  value = iniLineValue(value);

  const IniFile file = parseIni(contents);
  const std::string_view lineEnd = lineEndOf(file);
  const std::vector<IniLine>& lines = file.lines;

  // Where the changed or added text goes, as a range of whole lines replaced.
  std::size_t replaceFirst = lines.size();
  std::size_t replaceLast = lines.size();
  Text inserted;
  const std::optional<SectionRange> range = findSection(file, section);
  if (!range) {
    inserted = concatTexts("[", section, "]", lineEnd, key, "=", value, lineEnd);
  } else if (const std::optional<std::size_t> index = findKey(file, *range, key)) {
    // The file's own spelling of the key stays; the line keeps its line end.
    const IniLine& line = lines[*index];
    replaceFirst = *index;
    replaceLast = *index + 1;
    inserted = concatTexts(line.name, "=", value, line.end);
  } else {
    std::size_t after = range->last;
    while (after > range->first && lines[after - 1].kind == IniLine::Kind::Blank) --after;
    replaceFirst = replaceLast = after;
    // A lone CR before an empty line that ends in LF would join it to one
    // CR LF, and that blank line would be gone.
    const bool wouldJoin = lineEnd == "\r" && after < lines.size() && lines[after].text.empty() &&
                           lines[after].end == "\n";
    inserted = concatTexts(key, "=", value, wouldJoin ? std::string_view("\r\n") : lineEnd);
  }

  Text out(file.bom);
  out.reserve(contents.size() + inserted.size() + lineEnd.size());
  for (std::size_t i = 0; i < replaceFirst; ++i) {
    out.append(lines[i].text).append(lines[i].end);
  }
  // A last line without a line end gets one before anything follows it.
  if (replaceFirst > 0 && replaceFirst == lines.size() && lines.back().end.empty()) out.append(lineEnd);
  out.append(inserted);
  for (std::size_t i = replaceLast; i < lines.size(); ++i) {
    out.append(lines[i].text).append(lines[i].end);
  }
  return out;
}

}  // namespace phpswitch
