// Text: the byte strings every control, command and file of the tool carries,
// and the operations on a single text. Pure functions: no OS calls, no state.
// Positions count bytes from 1; -1 means "not found". Empty and absent are the same.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace phpswitch {

// Bytes in the build's narrow encoding; never holds a zero byte.
using Text = std::string;

// How bytes group into characters. Cp936: a byte >= 0x80 leads a two-byte
// character and the full-width blank is A1 A1. Utf8: the lead byte gives a
// 2-4 byte sequence and the full-width blank is U+3000 (E3 80 80).
enum class CharRule { Cp936, Utf8 };

// Cp936 on the Windows builds, Utf8 on POSIX (chosen by the build).
CharRule nativeCharRule();

// Bytes of the character that starts at `pos` (0-based): 1 for ASCII, the whole
// sequence otherwise, or 0 when the sequence is cut short by the end of the text
// (and at or past the end). Under Utf8 a stray continuation byte, an invalid byte,
// or a lead byte not followed by its continuation bytes is a 1-byte character.
std::size_t charSize(std::string_view text, std::size_t pos, CharRule rule = nativeCharRule());

// Bytes before the first zero byte: the Text stored in an OS buffer.
Text textFromBuffer(const char* buffer, std::size_t size);

int textLength(std::string_view text);
// Unsigned byte order; a text that begins another comes first. Gives -1, 0 or 1.
int compareBytes(std::string_view a, std::string_view b);
// Character order: each character counts as the number its bytes spell, and a
// character cut by the end of the text counts as the end. For texts valid in the
// rule's encoding this is compareBytes. Gives -1, 0 or 1.
int compareText(std::string_view a, std::string_view b, CharRule rule = nativeCharRule());

template <typename... Parts>
Text concatTexts(const Parts&... parts) {
  Text out;
  out.reserve((std::string_view(parts).size() + ... + 0));
  (out.append(std::string_view(parts)), ...);
  return out;
}

Text leftPart(std::string_view text, int n);
Text rightPart(std::string_view text, int n);
int findLast(std::string_view text, std::string_view sought, CharRule rule = nativeCharRule());
Text toUpperCase(std::string_view text, CharRule rule = nativeCharRule());
Text trimBlanks(std::string_view text, CharRule rule = nativeCharRule());
Text replaceAt(std::string_view text, int position, int count, std::string_view replacement = {});
Text replaceAll(std::string_view text, std::string_view sought, std::string_view replacement,
                CharRule rule = nativeCharRule());
Text blankText(int n);

}  // namespace phpswitch
