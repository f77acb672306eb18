// The INI engine on file contents: which lines a write changes, adds or keeps
// (the layout of hand-edited files included), and what a read gives back.
#include "settings/ini_engine.h"

#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "settings/profile.h"

namespace phpswitch {
namespace {

struct WriteCase {
  const char* name;
  std::string before;
  const char* section;
  const char* key;
  std::string value;
  std::string after;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const WriteCase& c, std::ostream* out) {
  *out << c.name;
}

class IniWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, ChangesOnlyTheLineOfTheKey) {
  const WriteCase& c = GetParam();
  const std::optional<Text> after = iniWithValue(c.before, c.section, c.key, c.value);
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(*after, c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, IniWrite,
    ::testing::Values(
        WriteCase{"NewFileGetsWindowsLineEnds", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
        WriteCase{"CommentsBlankLinesAndIndentationStay",
                  "; note\r\n\r\n[A]\r\n  x = 1  \r\n\r\n[S]\r\nk=old\r\n  ; keep\r\n\r\n", "S", "k", "new",
                  "; note\r\n\r\n[A]\r\n  x = 1  \r\n\r\n[S]\r\nk=new\r\n  ; keep\r\n\r\n"},
        WriteCase{"NewKeyBeforeTheBlankLinesThatEndItsSection", "[S]\r\na=1\r\n\r\n\r\n[T]\r\nb=2\r\n", "S",
                  "c", "3", "[S]\r\na=1\r\nc=3\r\n\r\n\r\n[T]\r\nb=2\r\n"},
        WriteCase{"NewKeyAfterAHeaderWithoutLineEnd", "[S]", "S", "k", "v", "[S]\r\nk=v\r\n"},
        WriteCase{"NewSectionAfterALastLineWithoutLineEnd", "[A]\r\nx=1", "S", "k", "v",
                  "[A]\r\nx=1\r\n[S]\r\nk=v\r\n"},
        WriteCase{"UnixLineEndsStayUnix", "[S]\na=1\n", "S", "b", "2", "[S]\na=1\nb=2\n"},
        WriteCase{"EachLineKeepsItsOwnLineEnd", "[S]\r\nk=1\nz=2\r", "S", "k", "new", "[S]\r\nk=new\nz=2\r"},
        WriteCase{"NewKeyWithALoneCrKeepsTheBlankLineAfterIt", "[S]\rk=1\r\n\n[T]\rx=1\r", "S", "z", "v",
                  "[S]\rk=1\r\nz=v\r\n\n[T]\rx=1\r"},
        WriteCase{"NamesMatchIgnoringCaseAndTheFileSpellingStays", "[Sec]\r\n\tKeY = old\r\n", "sEC", " key ",
                  "new", "[Sec]\r\nKeY=new\r\n"},
        WriteCase{"KeyWithoutEqualsSignGetsTheValue", "[S]\r\nk\r\nm=1\r\n", "S", "k", "v",
                  "[S]\r\nk=v\r\nm=1\r\n"},
        WriteCase{"OnlyTheFirstOfTwoSectionsOfOneName", "[S]\r\na=1\r\n[T]\r\n[s]\r\nk=2\r\n", "S", "k", "v",
                  "[S]\r\na=1\r\nk=v\r\n[T]\r\n[s]\r\nk=2\r\n"},
        WriteCase{"EntriesBeforeTheFirstSectionAreNotInIt", "k=0\r\n[S]\r\n", "S", "k", "1",
                  "k=0\r\n[S]\r\nk=1\r\n"},
        WriteCase{"ByteOrderMarkStays", "\xEF\xBB\xBF[S]\r\na=1\r\n", "S", "b", "2",
                  "\xEF\xBB\xBF[S]\r\na=1\r\nb=2\r\n"},
        WriteCase{"LineBreakInValueCannotAddLines", "[S]\r\nz=1\r\n", "S", "k", "one\ntwo=2\r[X]\r\nk=3",
                  "[S]\r\nz=1\r\nk=one\r\n"},
        WriteCase{"LeadingBlanksOfValueGoTrailingOnesAreWritten", "", "S", "k", " \t v  ",
                  "[S]\r\nk=v  \r\n"},
        WriteCase{"EmptyValueIsAnEntryNotARemoval", "[S]\r\nk=old\r\n", "S", "k", "", "[S]\r\nk=\r\n"},
        WriteCase{"UnclosedHeaderIsAKeyLine", "[S\r\na=1\r\n", "S", "a", "2", "[S\r\na=1\r\n[S]\r\na=2\r\n"},
        WriteCase{"HeaderRunsToItsLastBracket", "[S]x] tail\r\na=1\r\n", "S]x", "a", "2",
                  "[S]x] tail\r\na=2\r\n"},
        WriteCase{"NonAsciiNamesAreBytes", "[编辑框]\r\n编辑框_目标路径=a\r\n", "编辑框", "编辑框_模拟路径",
                  "b", "[编辑框]\r\n编辑框_目标路径=a\r\n编辑框_模拟路径=b\r\n"}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

TEST(IniWrite, RefusesNamesThatWouldNotReadBack) {
  struct Names {
    const char* section;
    const char* key;
  };
  for (const Names& n : {Names{"S", ""}, Names{" \t", "k"}, Names{"S", "a=b"}, Names{"S", "[k]"},
                         Names{"a\nb", "k"}, Names{"S", "a\rb"}}) {
    SCOPED_TRACE(::testing::Message() << n.section << "/" << n.key);
    EXPECT_FALSE(usableIniNames(n.section, n.key));
    EXPECT_EQ(iniWithValue("[S]\r\n", n.section, n.key, "v"), std::nullopt);
  }
  EXPECT_TRUE(usableIniNames(" S ", " k;x "));
}

struct ReadCase {
  const char* key;
  const char* fallback;
  std::string expected;
};

TEST(IniRead, ValuesLoseBlanksAndOnePairOfQuotes) {
  const std::string contents =
      "[S]\r\n"
      "a=  'q'  \r\n"
      "b=\"dq\"\r\n"
      "c='mis\"\r\n"
      "d='\r\n"
      "e=''\r\n"
      " g =x\r\n"
      "h=\t tab\t\x1a\r\n"
      "i=\xE3\x80\x80wide\xE3\x80\x80\r\n"
      "j=\"a\" b \"c\"\r\n"
      "k\r\n"
      "l=x=y ; not a comment\r\n"
      "dup=first\r\n"
      "dup=second\r\n";
  const ReadCase cases[] = {
      {"a", "", "q"},
      {"b", "", "dq"},
      {"c", "", "'mis\""},
      {"d", "", "'"},
      {"e", "F", ""},
      {"G", "", "x"},
      {"h", "", "tab"},
      {"i", "", "\xE3\x80\x80wide\xE3\x80\x80"},  // the full-width blank is no blank here
      {"j", "", "a\" b \"c"},
      {"k", "F", "F"},  // a key line without "=" has no value
      {"l", "", "x=y ; not a comment"},
      {"dup", "", "first"},
      {"missing", "  dflt  ", "  dflt"},
      {"missing", "'dq'", "dq"},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(iniProfileValue(contents, "s", c.key, c.fallback), c.expected);
  }
}

TEST(IniRead, MissingFileSectionOrKeyGivesTheFallback) {
  EXPECT_EQ(iniProfileValue("", "S", "k", "F"), "F");
  EXPECT_EQ(iniProfileValue("[T]\r\nk=1\r\n", "S", "k", "F"), "F");
  EXPECT_EQ(iniProfileValue("[S]\r\nj=1\r\n", "S", "k", "F"), "F");
  EXPECT_EQ(iniProfileValue("k=1\r\n[S]\r\n", "S", "k", "F"), "F");
  EXPECT_EQ(iniProfileValue("[S\r\nk=1\r\n", "S", "k", "F"), "F");
  EXPECT_EQ(iniProfileValue("[S]\r\n[s]\r\nk=1\r\n", "S", "k", "F"), "F");
}

TEST(IniRead, AnyLineEndEndsALine) {
  EXPECT_EQ(iniProfileValue("[S]\ra=1\rb=2\r", "S", "b", ""), "2");
  EXPECT_EQ(iniProfileValue("[S]\na=1\nb=2", "S", "b", ""), "2");
  EXPECT_EQ(iniProfileValue("\xEF\xBB\xBF[S]\r\nb=2\r\n", "S", "b", ""), "2");
  EXPECT_EQ(iniProfileValue("[T] tail\r\nb=2\r\n", "T", "b", ""), "2");
}

TEST(IniRead, LongValuesAreCutToTheBufferWithoutSplittingACharacter) {
  constexpr std::size_t kMax = kProfileBufferSize - 1;
  const std::string ascii(10300, 'x');
  EXPECT_EQ(iniProfileValue("[S]\r\nk=" + ascii + "\r\n", "S", "k", ""), ascii.substr(0, kMax));
  EXPECT_EQ(iniProfileValue("[S]\r\nk='" + ascii + "'\r\n", "S", "k", ""), ascii.substr(0, kMax));
  EXPECT_EQ(iniProfileValue("", "S", "k", ascii), ascii.substr(0, kMax));

  std::string wide = "x";  // 1 + 3 * n bytes: byte 10,239 falls inside a character
  for (int i = 0; i < 3500; ++i) wide += "\xE4\xB8\xAD";
  const Text cut = iniProfileValue("[S]\r\nk=" + wide + "\r\n", "S", "k", "");
  EXPECT_EQ(cut.size(), 1 + (kMax - 1) / 3 * 3);
  EXPECT_EQ(cut, wide.substr(0, cut.size()));
  const std::string exact = std::string(kMax - 3, 'x') + "\xE4\xB8\xAD";  // ends right at the limit
  EXPECT_EQ(iniProfileValue("[S]\r\nk=" + exact + "y\r\n", "S", "k", ""), exact);
}

TEST(IniRead, WhatIsWrittenReadsBack) {
  std::string contents = "; hand-made\r\n\r\n[Other]\r\nx=1\r\n";
  for (const char* value : {"plain", "", "with = sign", "'single'", "C:\\php\\php-7.0.3"}) {
    contents = *iniWithValue(contents, "S", "k", value);
    const std::string expected = value == std::string("'single'") ? "single" : value;
    EXPECT_EQ(iniProfileValue(contents, "S", "k", "F"), expected);
    EXPECT_EQ(iniProfileValue(contents, "Other", "x", ""), "1");
  }
  EXPECT_TRUE(contents.starts_with("; hand-made\r\n\r\n[Other]\r\nx=1\r\n[S]\r\n"));
}

TEST(IniLine, LeadingControlBytesAndLineBreaks) {
  EXPECT_EQ(withoutLeadingControls("\x01\t \x1fx y "), "x y ");
  EXPECT_EQ(withoutLeadingControls(" \r\n"), "");
  EXPECT_EQ(iniLineValue("  a b\r\nc"), "a b");
  EXPECT_EQ(iniLineValue("a\rb"), "a");
}

}  // namespace
}  // namespace phpswitch
