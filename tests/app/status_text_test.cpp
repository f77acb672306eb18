// A command's output in the one-line status panel.
#include <gtest/gtest.h>

#include "app/status_text.h"

namespace phpswitch {
namespace {

TEST(SingleLineText, JoinsLinesAndDropsEmptyOnes) {
  const std::pair<Text, Text> cases[] = {
      {"", ""},
      {"\r\n", ""},
      {"one line", "one line"},
      {"one line\n", "one line"},
      {"为 D:\\php_target <<===>> E:\\php\\php-7.0.3 创建的符号链接\r\n",
       "为 D:\\php_target <<===>> E:\\php\\php-7.0.3 创建的符号链接"},
      {"first\r\nsecond\r\n", "first | second"},
      {"first\nsecond\rthird", "first | second | third"},
      {"first\r\n\r\n  \t\r\nsecond\n\n", "first | second"},
      {"  indented\ttab \n", "  indented\ttab "},
  };
  for (const auto& [output, shown] : cases) EXPECT_EQ(singleLineText(output), shown) << output;
}

}  // namespace
}  // namespace phpswitch
