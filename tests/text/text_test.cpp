// Single-text operations under both character rules. CP936 bytes are written as
// escapes: the Windows builds compile literals to GBK, the Linux build to UTF-8.
#include "text/text.h"

#include <gtest/gtest.h>

namespace phpswitch {
namespace {

constexpr CharRule kCp936 = CharRule::Cp936;
constexpr CharRule kUtf8 = CharRule::Utf8;

const char* ruleName(CharRule rule) {
  return rule == kCp936 ? "Cp936" : "Utf8";
}

TEST(CharSize, GroupsBytesByTheRule) {
  struct Case {
    CharRule rule;
    std::string_view text;
    std::size_t pos;
    std::size_t size;
  } cases[] = {
      {kCp936, "a", 0, 1},
      {kCp936, "\x81\x40", 0, 2},
      {kCp936, "\x81\x5C", 0, 2},  // a trail byte that reads as "\" belongs to its lead
      {kCp936, "ab\x81", 2, 0},    // lone lead byte before the end
      {kCp936, "ab", 2, 0},
      {kUtf8, "\xC3\xA9", 0, 2},
      {kUtf8, "\xE3\x80\x80", 0, 3},
      {kUtf8, "\xF0\x9F\x98\x80", 0, 4},
      {kUtf8, "a\xE3\x80", 1, 0},  // sequence cut by the end
      {kUtf8, "\xF0\x9F\x98", 0, 0},
      {kUtf8, "\x80", 0, 1},  // stray continuation
      {kUtf8, "\xFF", 0, 1},
      {kUtf8, "\xE3/", 0, 1},  // lead without continuation does not swallow "/"
      {kUtf8, "\xF0\x9F\x98z", 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << ruleName(c.rule) << " "
                                    << testing::PrintToString(std::string(c.text)));
    EXPECT_EQ(charSize(c.text, c.pos, c.rule), c.size);
  }
}

TEST(TextLength, CountsBytesAndBufferStopsAtZero) {
  EXPECT_EQ(textLength(""), 0);
  EXPECT_EQ(textLength("D:\\"), 3);
  EXPECT_EQ(textLength("\x81\x40"), 2);

  const char buffer[] = {'a', 'b', '\0', 'c', 'd'};
  EXPECT_EQ(textFromBuffer(buffer, sizeof buffer), "ab");
  EXPECT_EQ(textFromBuffer(buffer, 1), "a");  // no zero within the size: all of it
  EXPECT_EQ(textFromBuffer(nullptr, 10), "");
}

TEST(Compare, BytesAndCharacters) {
  // compareText is checked both ways round, so each row also shows antisymmetry.
  struct Case {
    CharRule rule;
    std::string_view a;
    std::string_view b;
    int bytes;
    int text;
  } cases[] = {
      {kCp936, "", "", 0, 0},
      {kCp936, "a", "", 1, 1},
      {kCp936, "B", "a", -1, -1},
      {kCp936, "ab", "abc", -1, -1},
      {kCp936, "z", "\x81\x40", -1, -1},  // a double-byte character after every ASCII one
      {kCp936, "\xB0\xA1", "\xB0\xA2", -1, -1},
      {kCp936, "ab\x81", "ab", 1, 0},  // a lone lead byte counts as the end
      {kCp936, "\x81\x81\x81", "\x81\x81", 1, 0},
      {kCp936, "\x80", "", 1, 1},  // 0x80 is no lead byte of the code page
      {kUtf8, "z", "\xE7\x9B\xAE", -1, -1},
      {kUtf8, "\xE7\x9B\xAE", "\xE7\x9B\xAF", -1, -1},
      {kUtf8, "ab\xE3\x80", "ab", 1, 0},  // a cut sequence counts as the end
      {kUtf8, "ab\xE3", "ab", 1, 0},
      {kUtf8, "\xC3\xA9z", "\xC3\xA9", 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << ruleName(c.rule) << " " << testing::PrintToString(std::string(c.a))
                                    << " vs " << testing::PrintToString(std::string(c.b)));
    EXPECT_EQ(compareBytes(c.a, c.b), c.bytes);
    EXPECT_EQ(compareBytes(c.b, c.a), -c.bytes);
    EXPECT_EQ(compareText(c.a, c.b, c.rule), c.text);
    EXPECT_EQ(compareText(c.b, c.a, c.rule), -c.text);
  }
}

TEST(ConcatTexts, JoinsInOrder) {
  const Text tools = "C:\\tools";
  EXPECT_EQ(concatTexts(tools, "\\data"), "C:\\tools\\data");
  EXPECT_EQ(concatTexts(Text(), std::string_view("x")), "x");
  EXPECT_EQ(concatTexts("a", "", "b", Text("c")), "abc");
}

TEST(LeftRightPart, CountBytes) {
  struct Case {
    std::string_view text;
    int n;
    std::string_view left;
    std::string_view right;
  } cases[] = {
      {"abc", 5, "abc", "abc"}, {"abc", 1, "a", "c"}, {"abc", 0, "", ""},
      {"abc", -1, "", ""},      {"", 2, "", ""},      {"\x81\x40z", 1, "\x81", "z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " " << c.n);
    EXPECT_EQ(leftPart(c.text, c.n), c.left);
    EXPECT_EQ(rightPart(c.text, c.n), c.right);
  }
}

TEST(FindLast, FindsOnlyAtCharacterStarts) {
  struct Case {
    CharRule rule;
    std::string_view text;
    std::string_view sought;
    int position;
  } cases[] = {
      {kCp936, "D:\\", "\\", 3},
      {kCp936, "D:", "\\", -1},
      {kCp936, "aaa", "aa", 2},  // overlapping occurrences count
      {kCp936, "abc", "", 1},
      {kCp936, "", "", -1},
      {kCp936, "", "a", -1},
      {kCp936, "D:\\php\\\x95\x5C", "\\", 7},  // trailing 0x5C is a second byte
      {kCp936, "\x95\x5C\\", "\\", 3},
      {kCp936, "\\\x81", "\\", 1},            // a lone lead byte ends the scan
      {kCp936, "a\x81", "\x81", 2},           // ... after its own position was tested
      {kUtf8, "D:\\php\\\x95\x5C", "\\", 9},  // the same bytes are no character in UTF-8
      {kUtf8, "/opt/\xE7\x9B\xAE/", "/", 9},  // 3-byte character before a trailing "/"
      {kUtf8, "D:\\\xE7\x9B\xAE\\", "\\", 7},
      {kUtf8, "a/\xE7\x9B", "/", 2},        // cut sequence at the end
      {kUtf8, "a\xE7\x9B", "\x9B", -1},     // ... holds no character start
      {kUtf8, "\xE3\x80\x80", "\x80", -1},  // never inside a sequence
      {kUtf8, "\xE3/", "/", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << ruleName(c.rule) << " " << testing::PrintToString(std::string(c.text))
                                    << " / " << testing::PrintToString(std::string(c.sought)));
    EXPECT_EQ(findLast(c.text, c.sought, c.rule), c.position);
  }
}

TEST(ToUpperCase, ChangesOnlyAsciiLetters) {
  struct Case {
    CharRule rule;
    std::string_view text;
    std::string_view upper;
  } cases[] = {
      {kCp936, "php-7.0.3", "PHP-7.0.3"},
      {kCp936, "\x81\x61x", "\x81\x61X"},  // second byte 0x61 is no letter
      {kCp936, "a\x81", "A\x81"},          // lone lead byte copied unchanged
      {kCp936, "", ""},
      {kUtf8, "\x81\x61x", "\x81\x41X"},  // in UTF-8 0x81 stands alone
      {kUtf8, "\xE7\x9B\xAEz1", "\xE7\x9B\xAEZ1"},
      {kUtf8, "a\xE7\x9B", "A\xE7\x9B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << ruleName(c.rule) << " "
                                    << testing::PrintToString(std::string(c.text)));
    EXPECT_EQ(toUpperCase(c.text, c.rule), c.upper);
  }
}

TEST(TrimBlanks, RemovesBlanksOfTheRuleAtBothEnds) {
  struct Case {
    CharRule rule;
    std::string_view text;
    std::string_view trimmed;
  } cases[] = {
      {kCp936, "  a b  ", "a b"},
      {kCp936, "\xA1\xA1 a\xA1\xA1x \xA1\xA1", "a\xA1\xA1x"},
      {kCp936, "\ta\r\n", "\ta\r\n"},  // control bytes are no blanks
      {kCp936, " \xA1\xA1 ", ""},
      {kCp936, "", ""},
      {kCp936, "\xA1z ", "\xA1z"},           // 0xA1 not followed by 0xA1
      {kCp936, "\xB0\xA1\xA1", "\xB0\xA1"},  // trailing A1 A1 straddles a character
      {kCp936, "\xB0\xA1\xA1\xA1", "\xB0\xA1"},
      {kCp936, "ab \x81", "ab "},  // lone lead dropped, blanks before it stay
      {kCp936, "\xE3\x80\x80z", "\xE3\x80\x80z"},
      {kUtf8, "\xE3\x80\x80 a\xE3\x80\x80x \xE3\x80\x80", "a\xE3\x80\x80x"},
      {kUtf8, "\xE3\x80\x80\xE3\x80\x80", ""},
      {kUtf8, "\xA1\xA1z\xA1\xA1", "\xA1\xA1z\xA1\xA1"},
      {kUtf8, "ab \xE3\x80", "ab "},  // cut sequence plays the lone lead byte
      {kUtf8, " \xE7\x9B\xAE ", "\xE7\x9B\xAE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << ruleName(c.rule) << " "
                                    << testing::PrintToString(std::string(c.text)));
    EXPECT_EQ(trimBlanks(c.text, c.rule), c.trimmed);
  }
}

TEST(ReplaceAt, ClampsPositionAndCount) {
  struct Case {
    std::string_view text;
    int position;
    int count;
    std::string_view replacement;
    std::string_view result;
  } cases[] = {
      {"D:\\", 3, 1, "", "D:"},       {"abc", 0, 1, "", "bc"},    {"abc", -5, 1, "X", "Xbc"},
      {"abc", 2, 10, "", "a"},        {"abc", 2, 0, "X", "aXbc"}, {"abc", 2, -3, "X", "aXbc"},
      {"abc", 9, 1, "X", "abcX"},     {"abc", 4, 1, "", "abc"},   {"", 1, 1, "x", "x"},
      {"\x81\x5C", 2, 1, "", "\x81"},  // counts bytes, may cut a character
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " " << c.position << " " << c.count);
    EXPECT_EQ(replaceAt(c.text, c.position, c.count, c.replacement), c.result);
  }
  EXPECT_EQ(replaceAt("abc", 2, 1), "ac");
}

TEST(ReplaceAll, LeftToRightWithoutOverlap) {
  struct Case {
    CharRule rule;
    std::string_view text;
    std::string_view sought;
    std::string_view replacement;
    std::string_view result;
  } cases[] = {
      {kCp936, "aaa", "aa", "b", "ba"},
      {kCp936, "abc", "", "x", "abc"},
      {kCp936, "", "a", "x", ""},
      {kCp936, "a\r\nb\rc\nd\r\n", "\r\n", "><br><", "a><br><b\rc\nd><br><"},
      {kCp936, "a><br><b", "><br><", "\r\n", "a\r\nb"},
      {kCp936, "x\"y\"", "\"", "#q", "x#qy#q"},
      {kCp936, "abab", "a", "", "bb"},
      {kCp936, "aa", "a", "aa", "aaaa"},               // the replacement is not searched again
      {kCp936, "\x95\x5C\\", "\\", "/", "\x95\x5C/"},  // second byte 0x5C is not replaced
      {kCp936, "ab\x81", "b", "B", "aB"},              // lone lead byte met by the scan is dropped
      {kCp936, "ab\x81", "xy", "z", "ab\x81"},         // ... but kept when the scan stops before it
      {kUtf8, "\x95\x5C\\", "\\", "/", "\x95//"},
      {kUtf8, "\xE7\x9B\xAE/", "/", "\\", "\xE7\x9B\xAE\\"},
      {kUtf8, "a/\xE3\x80", "/", "-", "a-"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << ruleName(c.rule) << " " << testing::PrintToString(std::string(c.text))
                                    << " / " << testing::PrintToString(std::string(c.sought)));
    EXPECT_EQ(replaceAll(c.text, c.sought, c.replacement, c.rule), c.result);
  }
}

TEST(BlankText, MakesSpaces) {
  EXPECT_EQ(blankText(0), "");
  EXPECT_EQ(blankText(-3), "");
  EXPECT_EQ(blankText(512), Text(512, ' '));
}

TEST(NativeRule, MatchesTheBuildsLiterals) {
#ifdef _WIN32
  EXPECT_EQ(nativeCharRule(), kCp936);
#else
  EXPECT_EQ(nativeCharRule(), kUtf8);
#endif
  // Literals compile to the native encoding, so the default rule must match them:
  // the full-width space is the native blank, and 淺 ends in 0x5C in GBK.
  EXPECT_EQ(trimBlanks("　php　"), "php");
  EXPECT_EQ(findLast("C:\\淺", "\\"), 3);
  EXPECT_EQ(replaceAll("淺", "\\", "/"), "淺");
}

}  // namespace
}  // namespace phpswitch
