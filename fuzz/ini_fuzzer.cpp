// Properties of the POSIX INI engine on any bytes: parsing loses nothing, a
// written value reads back as the profile API would give it, writing it again
// changes nothing, and every other entry keeps its value. A broken property aborts.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <fuzzer/FuzzedDataProvider.h>

#include "settings/ini_engine.h"

namespace phpswitch {
namespace {

void check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

// The profile API's blanks around names and values.
bool isIniBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == '\x1a';
}

std::string_view withoutTrailingBlanks(std::string_view text) {
  while (!text.empty() && isIniBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool sameName(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isIniBlank(text.front())) text.remove_prefix(1);
  return withoutTrailingBlanks(text);
}

Text joined(const IniFile& file) {
  Text out(file.bom);
  for (const IniLine& line : file.lines) out.append(line.text).append(line.end);
  return out;
}

// Every entry of every section in `before`, except `section`/`key`, has the
// same value in `after`.
void checkOthersKept(const IniFile& before, const IniFile& after, std::string_view section,
                     std::string_view key) {
  std::optional<std::string_view> current;
  for (const IniLine& line : before.lines) {
    if (line.kind == IniLine::Kind::Section) current = line.name;
    if (line.kind != IniLine::Kind::Entry || !current) continue;
    if (sameName(trimmed(*current), section) && sameName(line.name, key)) continue;
    check(findIniValue(before, *current, line.name) == findIniValue(after, *current, line.name),
          "every other entry keeps its value");
  }
}

// Whether `key` has a line in the first section named `section`: a write
// replaces that one line, else it only adds lines.
bool hasKeyLine(const IniFile& file, std::string_view section, std::string_view key) {
  bool inSection = false;
  bool seen = false;
  for (const IniLine& line : file.lines) {
    if (line.kind == IniLine::Kind::Section) {
      if (inSection) return false;
      inSection = !seen && sameName(line.name, section);
      seen = seen || inSection;
    } else if (inSection && line.kind == IniLine::Kind::Entry && sameName(line.name, key)) {
      return true;
    }
  }
  return false;
}

// The write changes one block of lines: what stands before and after it is
// kept byte for byte (a last line may gain its line end), the block loses at
// most `replaced` lines and gains at most a section header and the entry.
void checkLinesKept(const IniFile& before, const IniFile& after, std::size_t replaced) {
  const auto same = [](const IniLine& a, const IniLine& b) { return a.text == b.text && a.end == b.end; };
  const std::size_t shorter = std::min(before.lines.size(), after.lines.size());
  std::size_t head = 0;
  while (head < shorter && same(before.lines[head], after.lines[head])) ++head;
  if (head < shorter && head + 1 == before.lines.size() && before.lines[head].end.empty() &&
      before.lines[head].text == after.lines[head].text) {
    ++head;
  }
  std::size_t tail = 0;
  while (head + tail < shorter &&
         same(before.lines[before.lines.size() - 1 - tail], after.lines[after.lines.size() - 1 - tail])) {
    ++tail;
  }
  check(before.lines.size() - head - tail <= replaced, "every line that is not set is kept byte for byte");
  check(after.lines.size() - head - tail <= 2, "a write adds at most a header and an entry");
}

}  // namespace
}  // namespace phpswitch

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace phpswitch;
  FuzzedDataProvider data(bytes, size);
  const Text section = data.ConsumeRandomLengthString(16);
  const Text key = data.ConsumeRandomLengthString(16);
  const Text value = data.ConsumeRandomLengthString(64);
  const Text contents = data.ConsumeRemainingBytesAsString();

  const IniFile before = parseIni(contents);
  check(joined(before) == contents, "parsing keeps every byte");
  iniProfileValue(contents, section, key, value);

  const std::optional<Text> written = iniWithValue(contents, section, key, value);
  check(written.has_value() == usableIniNames(section, key), "exactly the unusable names are refused");
  if (!written) return 0;

  const IniFile after = parseIni(*written);
  const std::optional<std::string_view> stored = findIniValue(after, section, key);
  check(stored.has_value(), "the written key is found");
  check(*stored == withoutTrailingBlanks(iniLineValue(value)),
        "the written value reads back as its first line");
  check(iniWithValue(*written, section, key, value) == written,
        "writing the same value again changes nothing");
  checkOthersKept(before, after, trimmed(section), trimmed(key));
  checkLinesKept(before, after, hasKeyLine(before, trimmed(section), trimmed(key)) ? 1 : 0);
  return 0;
}
