// List operations: splitting and joining (and their round trip), de-duplication,
// membership in a "|" list, and removal bounds. CP936 bytes are escapes.
#include "text/text_list.h"

#include <gtest/gtest.h>

#include "support/text_print.h"

namespace phpswitch {
namespace {

constexpr CharRule kCp936 = CharRule::Cp936;
constexpr CharRule kUtf8 = CharRule::Utf8;

TEST(SplitText, SingleByteDelimiterTable) {
  struct Case {
    std::string_view text;
    TextList members;
  } cases[] = {
      {"", {}},          {"a", {"a"}},     {"a;b", {"a", "b"}},
      {";a", {"", "a"}}, {"a;", {"a"}},    {"a;;b", {"a", "", "b"}},
      {";", {""}},       {";;", {"", ""}}, {"a;;", {"a", ""}},
  };
  for (CharRule rule : {kCp936, kUtf8}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << (rule == kCp936 ? "Cp936 " : "Utf8 ") << c.text);
      EXPECT_EQ(splitText(c.text, ";", rule), c.members);
    }
  }
}

TEST(SplitText, DelimitersAndCharacters) {
  struct Case {
    CharRule rule;
    std::string_view text;
    std::string_view delimiter;
    TextList members;
  } cases[] = {
      {kCp936, "a;b", "", {"a;b"}},
      {kCp936, "ab", ";;;", {"ab"}},
      {kCp936, "a::b:c", "::", {"a", "b:c"}},
      {kCp936, "a:::b", "::", {"a", ":b"}},
      {kCp936, "\x81\x7C|b", "|", {"\x81\x7C", "b"}},  // 0x7C is the second byte here
      {kCp936, "a|\x81", "|", {"a", "\x81"}},          // lone lead byte kept in the last piece
      {kUtf8, "\x81\x7C|b", "|", {"\x81", "", "b"}},   // but not in UTF-8
      {kUtf8, "\xE7\x9B\xAE;x", ";", {"\xE7\x9B\xAE", "x"}},
      {kUtf8, "a;\xE3\x80", ";", {"a", "\xE3\x80"}},
      {kUtf8, "\xE3;b", ";", {"\xE3", "b"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
    EXPECT_EQ(splitText(c.text, c.delimiter, c.rule), c.members);
  }
}

TEST(JoinTexts, SeparatorsShowEmptyMembers) {
  struct Case {
    TextList members;
    std::string_view joined;
  } cases[] = {
      {{}, ""}, {{"a"}, "a"}, {{"a", "", "b"}, "a;;b"}, {{"", "a"}, ";a"}, {{"a", ""}, "a;"}, {{""}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.joined);
    EXPECT_EQ(joinTexts(c.members, ";"), c.joined);
  }
  EXPECT_EQ(joinTexts({"a", "b"}), "a,b");
}

TEST(JoinTexts, RoundTripLosesOnlyOneFinalDelimiter) {
  struct Case {
    std::string_view text;
    std::string_view back;
  } cases[] = {
      {"a;b;", "a;b"}, {"a;;", "a;"}, {";", ""},        {";;", ";"},
      {"a;b", "a;b"},  {";a", ";a"},  {"a;;b", "a;;b"}, {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(joinTexts(splitText(c.text, ";"), ";"), c.back);
  }
}

TEST(DedupeList, KeepsFirstOccurrencesInPlace) {
  TextList texts{"a", "A", "a", "", " a", ""};
  EXPECT_EQ(dedupeList(texts), 4);
  EXPECT_EQ(texts, (TextList{"a", "A", "", " a"}));

  TextList empty;
  EXPECT_EQ(dedupeList(empty), 0);

  NumberList numbers{3, -1, 3, 0, -1, 7, 0};
  EXPECT_EQ(dedupeList(numbers), 4);
  EXPECT_EQ(numbers, (NumberList{3, -1, 0, 7}));
}

TEST(IndexOfText, FirstEqualMember) {
  const TextList list{"x", "y", "x", ""};
  EXPECT_EQ(indexOfText(list, "x"), 1);
  EXPECT_EQ(indexOfText(list, "y"), 2);
  EXPECT_EQ(indexOfText(list, ""), 4);
  EXPECT_EQ(indexOfText(list, "X"), -1);
  EXPECT_EQ(indexOfText(TextList{}, "x"), -1);
}

TEST(NotInBarList, ExactMembersOnly) {
  EXPECT_TRUE(notInBarList("", "anything"));
  EXPECT_TRUE(notInBarList("", ""));

  const Text fields = "编辑框_目标路径|编辑框_模拟路径";
  EXPECT_FALSE(notInBarList(fields, "编辑框_模拟路径"));
  EXPECT_FALSE(notInBarList(fields, "编辑框_目标路径"));
  EXPECT_TRUE(notInBarList(fields, "编辑框"));

  EXPECT_TRUE(notInBarList("a | b", "b"));  // blanks belong to the names
  EXPECT_FALSE(notInBarList("a | b", " b"));
  EXPECT_TRUE(notInBarList("a|B", "b"));

  EXPECT_TRUE(notInBarList("\x81\x7C", "\x81", kCp936));  // a second byte 0x7C does not split
  EXPECT_FALSE(notInBarList("\x81\x7C", "\x81", kUtf8));
}

TEST(ListMembers, PositionsAndRemovalBounds) {
  TextList list;
  appendText(list, "a");
  appendText(list, "");
  appendText(list, "c");
  EXPECT_EQ(listSize(list), 3);
  EXPECT_EQ(textAt(list, 1), "a");
  EXPECT_EQ(textAt(list, 2), "");
  EXPECT_EQ(textAt(list, 3), "c");
  EXPECT_EQ(textAt(list, 0), "");
  EXPECT_EQ(textAt(list, 4), "");

  for (int position : {0, -1, 4}) {
    removeAt(list, position);
    EXPECT_EQ(list, (TextList{"a", "", "c"})) << position;
  }
  removeAt(list, 2);
  EXPECT_EQ(list, (TextList{"a", "c"}));

  TextList one{"x"};
  removeAt(one, 1);
  EXPECT_EQ(listSize(one), 0);
}

}  // namespace
}  // namespace phpswitch
