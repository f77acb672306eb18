// Properties of the text operations under both character rules: split then
// join gives the text back (one final delimiter fewer when the text ends in
// one), trimBlanks is idempotent, replaceAll never scans its own replacement,
// and sortTexts yields an ordered permutation. A broken property aborts.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <fuzzer/FuzzedDataProvider.h>

#include "text/text.h"
#include "text/text_list.h"

namespace phpswitch {
namespace {

void check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

// A Text never holds a zero byte.
Text textFrom(FuzzedDataProvider& data, std::size_t maxLength) {
  Text text = data.ConsumeRandomLengthString(maxLength);
  std::replace(text.begin(), text.end(), '\0', ' ');
  return text;
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether the character walk of `text` ends in a character cut short by the
// end of the text, which the walking operations drop.
bool endsInCutCharacter(std::string_view text, CharRule rule) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t size = charSize(text, pos, rule);
    if (size == 0) return true;
    pos += size;
  }
  return false;
}

// A UTF-8 lead byte without its continuation bytes counts as a character of
// its own, but as a cut character once it is last: trimming the blanks after
// it changes what it is. Valid UTF-8 (all the Qt window gives) has none.
bool hasStrayLeadByte(std::string_view text, CharRule rule) {
  if (rule != CharRule::Utf8) return false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t size = charSize(text, pos, rule);
    if (size == 0) return false;
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (size == 1 && byte >= 0xC0 && byte <= 0xF7) return true;
    pos += size;
  }
  return false;
}

void checkSplitAndJoin(const Text& text, const Text& delimiter, CharRule rule) {
  const TextList members = splitText(text, delimiter, rule);
  const Text joined = joinTexts(members, delimiter);
  const bool endsInDelimiter = !delimiter.empty() && text.size() >= delimiter.size() &&
                               text.compare(text.size() - delimiter.size(), delimiter.size(), delimiter) == 0;
  const Text shortened = endsInDelimiter ? text.substr(0, text.size() - delimiter.size()) : text;
  check(joined == text || joined == shortened,
        "split then join gives the text, at most one final delimiter fewer");
  // Where every byte is a character by itself, the rule is exact.
  if (delimiter.size() == 1 && isAscii(text) && isAscii(delimiter)) {
    check(joined == shortened, "split then join drops exactly one final delimiter");
    for (const Text& member : members.members()) {
      check(member.find(delimiter) == Text::npos, "no member holds the delimiter");
    }
  }
  if (text.empty()) check(members.members().empty(), "an empty text splits into no members");
}

void checkTrim(const Text& text, CharRule rule) {
  const Text once = trimBlanks(text, rule);
  check(text.find(once) != Text::npos, "trimBlanks gives a part of the text");
  // Blanks before a dropped half character stay (and go on the next trim).
  if (!endsInCutCharacter(text, rule) && !hasStrayLeadByte(text, rule)) {
    check(trimBlanks(once, rule) == once, "trimBlanks is idempotent");
  }
}

void checkReplaceAll(const Text& text, const Text& sought, const Text& replacement, CharRule rule) {
  const Text replaced = replaceAll(text, sought, replacement, rule);
  if (sought.empty() || text.empty()) {
    check(replaced == text, "nothing to replace leaves the text");
    return;
  }
  // A sought text that ends in half a character, once replaced, leaves the
  // scan inside a character; the rules allow it, the settings never do it.
  if (!endsInCutCharacter(text, rule) && !endsInCutCharacter(sought, rule)) {
    check(replaceAll(text, sought, sought, rule) == text, "replacing a text by itself changes nothing");
  }
  // Mark each replacement with one byte found nowhere else, then put the
  // replacement in its place: the scan must not depend on what it inserted.
  char marker = 0;
  for (int c = 1; c < 0x80 && marker == 0; ++c) {
    const char candidate = static_cast<char>(c);
    if (text.find(candidate) == Text::npos && sought.find(candidate) == Text::npos &&
        replacement.find(candidate) == Text::npos) {
      marker = candidate;
    }
  }
  if (marker == 0) return;
  Text expected;
  for (const char c : replaceAll(text, sought, Text(1, marker), rule)) {
    if (c == marker) {
      expected += replacement;
    } else {
      expected += c;
    }
  }
  check(replaced == expected, "replaceAll never scans its replacement");
}

void checkSort(const TextList& input, bool descending, bool caseSensitive, CharRule rule) {
  TextList sorted = input;
  sortTexts(sorted, descending, caseSensitive, rule);
  std::vector<Text> a = input.members();
  std::vector<Text> b = sorted.members();
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  check(a == b, "sortTexts yields a permutation");
  const std::vector<Text>& out = sorted.members();
  for (std::size_t i = 1; i < out.size(); ++i) {
    const Text& before = descending ? out[i] : out[i - 1];
    const Text& after = descending ? out[i - 1] : out[i];
    const int order = caseSensitive ? compareText(before, after, rule)
                                    : compareText(toUpperCase(before, rule), toUpperCase(after, rule), rule);
    check(order <= 0, "sortTexts yields an ordered list");
  }
}

}  // namespace
}  // namespace phpswitch

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace phpswitch;
  FuzzedDataProvider data(bytes, size);
  const CharRule rule = data.ConsumeBool() ? CharRule::Cp936 : CharRule::Utf8;
  const Text delimiter = textFrom(data, 4);
  const Text sought = textFrom(data, 4);
  const Text replacement = textFrom(data, 8);
  const bool descending = data.ConsumeBool();
  const bool caseSensitive = data.ConsumeBool();
  const Text text = textFrom(data, 256);
  TextList list;
  while (data.remaining_bytes() > 0 && listSize(list) < 64) appendText(list, textFrom(data, 16));

  checkSplitAndJoin(text, delimiter, rule);
  checkTrim(text, rule);
  checkReplaceAll(text, sought, replacement, rule);
  checkSort(list, descending, caseSensitive, rule);
  return 0;
}
