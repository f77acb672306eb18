// One table of INI behaviours through readProfileValue / writeProfileValue:
// natively it runs our own engine, under Wine the Windows profile API, so the
// engine is shown to behave as the API does on everything the settings use.
// Expected files are spelled without blank lines or indentation, which the
// API drops when it rewrites a file (our engine keeps them).
#include "settings/profile.h"

#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace phpswitch {
namespace {

struct Write {
  const char* section;
  const char* key;
  std::string value;
  bool succeeds = true;
};

struct Read {
  const char* section;
  const char* key;
  std::string fallback;
  std::string expected;
};

struct ProfileCase {
  const char* name;
  std::optional<std::string> before;  // nothing: no file
  std::vector<Write> writes;
  std::vector<Read> reads;
  std::optional<std::string> after;  // nothing: no file afterwards
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const ProfileCase& c, std::ostream* out) {
  *out << c.name;
}

std::string repeated(const char* piece, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += piece;
  return out;
}

constexpr std::size_t kMaxValue = kProfileBufferSize - 1;
// "中" is two bytes in the ANSI code page 936 and three in UTF-8; a cut value
// ends on a whole character either way.
const std::size_t kWide = std::strlen("中");
const std::string kWideValue = "x" + repeated("中", 5200);
const std::string kLongValue(10300, 'x');

const ProfileCase kCases[] = {
    {"NewFileTakesEntriesInOrderAndEmptyValues",
     std::nullopt,
     {{"编辑框", "编辑框_目标路径", "D:\\php_target"},
      {"编辑框", "编辑框_模拟路径", ""},
      {"Other", "A", "1"}},
     {{"编辑框", "编辑框_目标路径", "", "D:\\php_target"}, {"编辑框", "编辑框_模拟路径", "F", ""}},
     "[编辑框]\r\n编辑框_目标路径=D:\\php_target\r\n编辑框_模拟路径=\r\n[Other]\r\nA=1\r\n"},
    {"NamesIgnoreCaseKeysReplacedInPlaceNewKeysAtSectionEnd",
     "; top\r\n[a]\r\nx=1\r\nfoo\r\n[B]\r\ny=2\r\n; tail\r\n",
     {{"b", "Z", "3"}, {"A", "X", "9"}, {"a", "FOO", "k"}},
     {{"A", "x", "", "9"}, {"B", "z", "", "3"}, {"a", "foo", "", "k"}},
     "; top\r\n[a]\r\nx=9\r\nfoo=k\r\n[B]\r\ny=2\r\n; tail\r\nZ=3\r\n"},
    {"ReplacedKeyKeepsTheFileSpelling",
     "[S]\r\nKeY=old\r\nz=1\r\n",
     {{"s", "key", "new"}},
     {{"S", "KEY", "", "new"}},
     "[S]\r\nKeY=new\r\nz=1\r\n"},
    {"ValuesLoseBlanksAndOnePairOfQuotes",
     "[S]\r\na=  'q'  \r\nb=\"dq\"\r\nc='mis\"\r\nd='\r\ne=''\r\n g =x\r\nh=\t tab\t\x1a\r\n"
     "i=　w　\r\nj=\"a\" b \"c\"\r\nl=x=y ; text\r\n",
     {},
     {{"S", "a", "", "q"},
      {"S", "b", "", "dq"},
      {"S", "c", "", "'mis\""},
      {"S", "d", "", "'"},
      {"S", "e", "F", ""},
      {"S", "g", "", "x"},
      {"S", "h", "", "tab"},
      {"S", "i", "", "　w　"},  // the full-width blank stays
      {"S", "j", "", "a\" b \"c"},
      {"S", "l", "", "x=y ; text"}},
     std::nullopt},
    {"MissingFileSectionOrKeyGivesTheFallback",
     std::nullopt,
     {},
     {{"S", "a", "D", "D"}, {"S", "a", "", ""}, {"S", "a", "  dflt  ", "  dflt"}, {"S", "a", "'q'", "q"}},
     std::nullopt},
    {"MissingSectionKeyOrValueGivesTheFallback",
     "a=1\r\n[S]\r\nb=2\r\nk\r\n[T]\r\nc=3\r\n[S\r\nd=4\r\n[s]\r\nn=dup\r\n",
     {},
     {{"S", "a", "F", "F"},
      {"S", "c", "F", "F"},
      {"S", "k", "F", "F"},
      {"S", "n", "F", "F"},
      {"U", "b", "F", "F"},
      {"S", "d", "F", "F"},
      {"T", "d", "F", "4"}},
     std::nullopt},
    {"FirstOfTwoSectionsOfOneNameGetsTheKey",
     "[S]\r\na=1\r\n[s]\r\nn=dup\r\n",
     {{"S", "n", "x"}},
     {{"S", "n", "", "x"}},
     "[S]\r\na=1\r\nn=x\r\n[s]\r\nn=dup\r\n"},
    {"EntriesBeforeTheFirstSectionStayOutsideIt",
     "a=1\r\n[S]\r\nb=2\r\n",
     {{"S", "c", "3"}},
     {{"S", "a", "", ""}},
     "a=1\r\n[S]\r\nb=2\r\nc=3\r\n"},
    {"NewSectionAfterALastLineWithoutLineEnd",
     "[a]\r\nx=1",
     {{"b", "y", "2"}},
     {{"a", "x", "", "1"}, {"b", "y", "", "2"}},
     "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
    {"KeyWithoutEqualsSignGetsTheValueInPlace",
     "[S]\r\nk\r\nm=1\r\n",
     {{"S", "k", "v"}},
     {{"S", "k", "", "v"}},
     "[S]\r\nk=v\r\nm=1\r\n"},
    {"Utf8FileWithByteOrderMark",
     "\xEF\xBB\xBF[S]\r\na=\xE4\xB8\xAD\r\n",
     {{"S", "b", "2"}},
     {{"S", "a", "", "中"}, {"S", "b", "", "2"}},
     "\xEF\xBB\xBF[S]\r\na=\xE4\xB8\xAD\r\nb=2\r\n"},
    {"CarriageReturnsAloneEndLines", "[S]\ra=1\rb=2\r", {}, {{"S", "b", "", "2"}}, std::nullopt},
    {"LongValuesAreCutToTheBuffer",
     std::nullopt,
     {{"S", "a", kLongValue}, {"S", "b", "'" + kLongValue + "'"}, {"S", "c", kWideValue}},
     {{"S", "a", "", kLongValue.substr(0, kMaxValue)},
      {"S", "b", "", kLongValue.substr(0, kMaxValue)},
      {"S", "c", "", kWideValue.substr(0, 1 + (kMaxValue - 1) / kWide * kWide)},
      {"S", "d", kLongValue, kLongValue.substr(0, kMaxValue)}},
     "[S]\r\na=" + kLongValue + "\r\nb='" + kLongValue + "'\r\nc=" + kWideValue + "\r\n"},
    {"LeadingBlanksOfAValueAreNotStored",
     std::nullopt,
     {{"S", "k", " \t v  "}},
     {{"S", "k", "", "v"}},
     "[S]\r\nk=v  \r\n"},
    // The API would write the line break and so end the value there and add
    // the rest as entries of their own; only the first line is stored.
    {"LineBreakInAValueCannotAddEntries",
     "[S]\r\nz=1\r\n",
     {{"S", "a", "one\ntwo=2\r[S3]\r\nz=3"}, {"S", "b", "\r\nlost"}},
     {{"S", "a", "", "one"},
      {"S", "two", "F", "F"},
      {"S3", "z", "F", "F"},
      {"S", "z", "", "1"},
      {"S", "b", "", "lost"}},
     "[S]\r\nz=1\r\na=one\r\nb=lost\r\n"},
    {"NamesThatCannotBeReadBackAreRefused",
     std::nullopt,
     {{"S", "a=b", "v", false},
      {"S", "[k]", "v", false},
      {"S", "a\nb", "v", false},
      {"S\n", "k", "v", false}},
     {},
     std::nullopt},
};

class ProfileTable : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ProfileTable, BehavesAsTheProfileApi) {
  const ProfileCase& c = GetParam();
  testing::TempFolder folder;
  const Text file = folder.file("case.ini");
  if (c.before) testing::writeBytes(folder.path() / "case.ini", *c.before);

  for (const Write& w : c.writes) {
    SCOPED_TRACE(::testing::Message() << "write " << w.section << "/" << w.key);
    EXPECT_EQ(writeProfileValue(file, w.section, w.key, w.value), w.succeeds);
  }
  for (const Read& r : c.reads) {
    SCOPED_TRACE(::testing::Message() << "read " << r.section << "/" << r.key);
    EXPECT_EQ(readProfileValue(file, r.section, r.key, r.fallback), r.expected);
  }
  const std::optional<std::string> after = testing::readBytes(folder.path() / "case.ini");
  if (c.writes.empty()) {
    EXPECT_EQ(after, c.before) << "a read changed the file";
  } else {
    EXPECT_EQ(after, c.after);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ProfileCase>& info) { return info.param.name; });

TEST(Profile, WritesNeedAnExistingFolder) {
  testing::TempFolder folder;
  const Text file = (folder.path() / "missing" / "settings.ini").string();
  EXPECT_FALSE(writeProfileValue(file, "S", "k", "v"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing"));
  EXPECT_EQ(readProfileValue(file, "S", "k", "F"), "F");
}

TEST(Profile, LeadingControlBytesOfPathSectionAndKeyAreIgnoredOnRead) {
  testing::TempFolder folder;
  const Text file = folder.file("case.ini");
  testing::writeBytes(folder.path() / "case.ini", "[S]\r\nk=v\r\n");
  EXPECT_EQ(readProfileValue(" \t" + file, "\x01 S", "\x1fk", ""), "v");
  // Nothing left of one of them: the empty text, not the fallback.
  EXPECT_EQ(readProfileValue(file, " \t", "k", "F"), "");
  EXPECT_EQ(readProfileValue(file, "S", "", "F"), "");
  EXPECT_EQ(readProfileValue("  ", "S", "k", "F"), "");
}

}  // namespace
}  // namespace phpswitch
