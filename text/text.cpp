// Operations on single texts. Every walk goes character by character under a
// CharRule, so a second byte of a double-byte character (0x5C is "\" in CP936)
// is never taken for an ASCII character. A character cut short by the end of the
// text is handled as each operation below says; none of them reads past the end.
#include "text/text.h"

#include <algorithm>
#include <cstring>

namespace phpswitch {
namespace {

bool isContinuation(unsigned char byte) {
  return byte >= 0x80 && byte <= 0xBF;
}

std::size_t utf8SequenceSize(unsigned char lead) {
  if (lead >= 0xC0 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  return 1;
}

std::string_view fullWidthBlank(CharRule rule) {
  return rule == CharRule::Cp936 ? std::string_view("\xA1\xA1", 2) : std::string_view("\xE3\x80\x80", 3);
}

// The character at `pos` is a blank (0x20 or the rule's full-width blank) of `size` bytes.
bool isBlank(std::string_view text, std::size_t pos, std::size_t size, CharRule rule) {
  if (size == 1) return text[pos] == ' ';
  return text.substr(pos, size) == fullWidthBlank(rule);
}

// The ordering of compareText takes CP936 lead bytes from the code page's own
// range (0x81-0xFE), so 0x80 (the euro sign) and 0xFF stand alone there.
std::size_t comparedCharSize(std::string_view text, std::size_t pos, CharRule rule) {
  if (rule == CharRule::Cp936) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x81 || byte > 0xFE) return 1;
    return pos + 1 < text.size() ? 2 : 0;
  }
  return charSize(text, pos, rule);
}

int sign(int value) {
  return (value > 0) - (value < 0);
}

}  // namespace

std::size_t charSize(std::string_view text, std::size_t pos, CharRule rule) {
  if (pos >= text.size()) return 0;
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) return 1;
  if (rule == CharRule::Cp936) return pos + 1 < text.size() ? 2 : 0;
  const std::size_t size = utf8SequenceSize(lead);
  for (std::size_t k = 1; k < size; ++k) {
    if (pos + k >= text.size()) return 0;
    // A lead byte without its continuation bytes stands alone, so it never
    // swallows a following "/", "\" or delimiter.
    if (!isContinuation(static_cast<unsigned char>(text[pos + k]))) return 1;
  }
  return size;
}

Text textFromBuffer(const char* buffer, std::size_t size) {
  if (buffer == nullptr) return {};
  const void* zero = std::memchr(buffer, 0, size);
  return Text(buffer, zero ? static_cast<const char*>(zero) - buffer : size);
}

int textLength(std::string_view text) {
  return static_cast<int>(std::min(text.find('\0'), text.size()));
}

int compareBytes(std::string_view a, std::string_view b) {
  // char_traits<char> compares as unsigned char, so 0x80 and up sort after ASCII.
  return sign(a.compare(b));
}

int compareText(std::string_view a, std::string_view b, CharRule rule) {
  // Each character counts as the number its bytes spell (256 x lead + trail in
  // CP936); a character cut by the end of the text counts as that end (0).
  std::size_t i = 0;
  std::size_t j = 0;
  for (;;) {
    const std::size_t sizeA = i < a.size() ? comparedCharSize(a, i, rule) : 0;
    const std::size_t sizeB = j < b.size() ? comparedCharSize(b, j, rule) : 0;
    std::uint32_t valueA = 0;
    std::uint32_t valueB = 0;
    for (std::size_t k = 0; k < sizeA; ++k) valueA = valueA << 8 | static_cast<unsigned char>(a[i + k]);
    for (std::size_t k = 0; k < sizeB; ++k) valueB = valueB << 8 | static_cast<unsigned char>(b[j + k]);
    if (valueA != valueB) return valueA < valueB ? -1 : 1;
    if (sizeA == 0 && sizeB == 0) return 0;
    i += sizeA;
    j += sizeB;
  }
}

Text leftPart(std::string_view text, int n) {
  if (n <= 0) return {};
  return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text rightPart(std::string_view text, int n) {
  if (n <= 0) return {};
  const auto count = std::min(static_cast<std::size_t>(n), text.size());
  return Text(text.substr(text.size() - count));
}

int findLast(std::string_view text, std::string_view sought, CharRule rule) {
  if (sought.empty()) return text.empty() ? -1 : 1;
  int found = -1;
  std::size_t pos = 0;
  while (text.size() - pos >= sought.size()) {
    if (text.compare(pos, sought.size(), sought) == 0) found = static_cast<int>(pos) + 1;
    const std::size_t size = charSize(text, pos, rule);
    if (size == 0) break;
    pos += size;
  }
  return found;
}

Text toUpperCase(std::string_view text, CharRule rule) {
  Text out(text);
  std::size_t pos = 0;
  while (pos < out.size()) {
    const std::size_t size = charSize(out, pos, rule);
    if (size == 0) break;
    if (size == 1 && out[pos] >= 'a' && out[pos] <= 'z') out[pos] = static_cast<char>(out[pos] - 32);
    pos += size;
  }
  return out;
}

Text trimBlanks(std::string_view text, CharRule rule) {
  const std::string_view wide = fullWidthBlank(rule);
  std::size_t begin = 0;
  for (;;) {
    if (begin < text.size() && text[begin] == ' ') {
      ++begin;
    } else if (text.substr(begin, wide.size()) == wide) {
      begin += wide.size();
    } else {
      break;
    }
  }

  std::size_t end = text.size();
  std::size_t runStart = Text::npos;
  std::size_t pos = begin;
  while (pos < text.size()) {
    const std::size_t size = charSize(text, pos, rule);
    if (size == 0) {
      // A half character at the very end is dropped; blanks before it stay.
      end = pos;
      runStart = Text::npos;
      break;
    }
    if (!isBlank(text, pos, size, rule)) {
      runStart = Text::npos;
    } else if (runStart == Text::npos) {
      runStart = pos;
    }
    pos += size;
  }
  if (runStart != Text::npos) end = runStart;
  return Text(text.substr(begin, end - begin));
}

Text replaceAt(std::string_view text, int position, int count, std::string_view replacement) {
  const auto length = static_cast<long long>(text.size());
  const auto start = static_cast<std::size_t>(std::clamp(static_cast<long long>(position) - 1, 0LL, length));
  Text out(text);
  if (count > 0) out.erase(start, static_cast<std::size_t>(count));
  out.insert(start, replacement);
  return out;
}

Text replaceAll(std::string_view text, std::string_view sought, std::string_view replacement, CharRule rule) {
  if (text.empty() || sought.empty()) return Text(text);
  Text out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (text.size() - pos >= sought.size()) {
    if (text.compare(pos, sought.size(), sought) == 0) {
      out.append(replacement);
      pos += sought.size();
      continue;
    }
    const std::size_t size = charSize(text, pos, rule);
    if (size == 0) {
      // The half character at the end is dropped, as trimBlanks does.
      pos = text.size();
      break;
    }
    out.append(text.substr(pos, size));
    pos += size;
  }
  out.append(text.substr(pos));
  return out;
}

Text blankText(int n) {
  if (n < 1) return {};
  return Text(static_cast<std::size_t>(n), ' ');
}

}  // namespace phpswitch
