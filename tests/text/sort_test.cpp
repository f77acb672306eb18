// Sorting by insertion and reversal. With case ignored, members that compare
// equal stay distinguishable, so the tables pin down where each of them goes.
#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "support/text_print.h"
#include "text/text_list.h"

namespace phpswitch {
namespace {

constexpr CharRule kCp936 = CharRule::Cp936;
constexpr CharRule kUtf8 = CharRule::Utf8;

TEST(SortTexts, OrderTable) {
  struct Case {
    TextList input;
    bool descending;
    bool caseSensitive;
    TextList sorted;
  } cases[] = {
      {{}, false, true, {}},
      {{"x"}, true, false, {"x"}},
      {{"b", "a", "c"}, false, true, {"a", "b", "c"}},
      {{"b", "a", "c"}, true, true, {"c", "b", "a"}},
      {{"PHP8", "php-5.6", "Php7"}, false, true, {"PHP8", "Php7", "php-5.6"}},
      {{"php-9", "php-10", "php-7.0.3"}, false, true, {"php-10", "php-7.0.3", "php-9"}},
      {{"b", "A", "c"}, false, true, {"A", "b", "c"}},
      {{"b", "A", "c"}, false, false, {"A", "b", "c"}},
      {{"B", "a", "c"}, false, true, {"B", "a", "c"}},
      {{"B", "a", "c"}, false, false, {"a", "B", "c"}},
      {{"a", "", "a"}, false, true, {"", "a", "a"}},
      {{"", "", ""}, false, true, {"", "", ""}},
      {{"9", "Z", "z", "0"}, true, true, {"z", "Z", "9", "0"}},
  };
  for (CharRule rule : {kCp936, kUtf8}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << testing::PrintToString(c.input) << " descending " << c.descending
                                      << " caseSensitive " << c.caseSensitive);
      TextList list = c.input;
      sortTexts(list, c.descending, c.caseSensitive, rule);
      EXPECT_EQ(list, c.sorted);
    }
  }
}

TEST(SortTexts, PlacementOfEqualMembersWhenCaseIsIgnored) {
  struct Case {
    TextList input;
    TextList sorted;
  } cases[] = {
      {{"a", "A"}, {"a", "A"}},  // equal to the last: behind it
      {{"a", "c", "C"}, {"a", "c", "C"}},
      {{"a", "c", "A"}, {"A", "a", "c"}},            // less than the last, equal to the first: in front
      {{"a", "A", "b", "A"}, {"A", "a", "A", "b"}},  // ... even with an identical member further in
      {{"a", "c", "e", "C"}, {"a", "C", "c", "e"}},  // found by the search: in front of the equal one
      // The search meets the identical "b" at its first probe and stops there,
      // although more equal members ("B", "b") follow.
      {{"a", "a", "b", "B", "b", "c", "b"}, {"a", "a", "b", "b", "B", "b", "c"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input));
    TextList list = c.input;
    sortTexts(list, false, false, kCp936);
    EXPECT_EQ(list, c.sorted);
    list = c.input;
    sortTexts(list, true, false, kCp936);
    TextList reversed = c.sorted;
    std::reverse(reversed.members().begin(), reversed.members().end());
    EXPECT_EQ(list, reversed);
  }
}

TEST(SortTexts, DoubleByteMembersFollowAscii) {
  TextList cp936{"\xB0\xA1", "z", "A", "\x81\x40"};
  sortTexts(cp936, false, true, kCp936);
  EXPECT_EQ(cp936, (TextList{"A", "z", "\x81\x40", "\xB0\xA1"}));

  TextList utf8{"\xE7\x9B\xAE", "z", "\xC3\xA9", "A"};
  sortTexts(utf8, false, true, kUtf8);
  EXPECT_EQ(utf8, (TextList{"A", "z", "\xC3\xA9", "\xE7\x9B\xAE"}));

  // Upper-casing leaves a CP936 second byte alone, so 0x61 there is no "a".
  TextList trail{"\x81\x61", "\x81\x41"};
  sortTexts(trail, false, false, kCp936);
  EXPECT_EQ(trail, (TextList{"\x81\x41", "\x81\x61"}));
}

// Random lists against std::stable_sort: with case distinction on, equal members
// are identical, so any correct sort gives exactly the same list.
TEST(SortTexts, AgreesWithStableSortOnRandomLists) {
  const char* const pieces[] = {"a", "A", "b", "-", "1", "\xC3\xA9", "\xE7\x9B\xAE", "\xE3\x80\x80"};
  std::mt19937 random(20240611);
  for (int round = 0; round < 40; ++round) {
    TextList list;
    const int size = static_cast<int>(random() % 200);
    for (int i = 0; i < size; ++i) {
      Text member;
      for (auto length = random() % 4; length > 0; --length) member += pieces[random() % std::size(pieces)];
      list.members().push_back(member);
    }
    TextList expected = list;
    std::stable_sort(expected.members().begin(), expected.members().end(),
                     [](const Text& a, const Text& b) { return compareText(a, b, kUtf8) < 0; });
    TextList sorted = list;
    sortTexts(sorted, false, true, kUtf8);
    ASSERT_EQ(sorted, expected) << "round " << round;

    TextList folded = list;
    sortTexts(folded, false, false, kUtf8);
    ASSERT_TRUE(std::is_permutation(folded.members().begin(), folded.members().end(), list.members().begin(),
                                    list.members().end()));
    ASSERT_TRUE(std::is_sorted(folded.members().begin(), folded.members().end(),
                               [](const Text& a, const Text& b) {
                                 return compareText(toUpperCase(a, kUtf8), toUpperCase(b, kUtf8), kUtf8) < 0;
                               }))
        << "round " << round;
  }
}

TEST(ReverseTexts, EvenAndOddSizes) {
  struct Case {
    TextList input;
    TextList reversed;
  } cases[] = {
      {{}, {}},
      {{"1"}, {"1"}},
      {{"1", "2", "3"}, {"3", "2", "1"}},
      {{"1", "2", "3", "4"}, {"4", "3", "2", "1"}},
  };
  for (auto& c : cases) {
    reverseTexts(c.input);
    EXPECT_EQ(c.input, c.reversed);
  }
}

}  // namespace
}  // namespace phpswitch
