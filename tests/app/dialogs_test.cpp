// Message boxes and the folder picker as the actions call them: modality,
// default caption, the dialog's flag word, title default and preselection.
#include <gtest/gtest.h>

#include "app/folder_picker.h"
#include "app/message_box.h"
#include "support/fake_window.h"

namespace phpswitch {
namespace {

using testing::FakeWindow;

TEST(ShowMessage, AddsTaskModalUnlessSystemModalAndDefaultsTheCaption) {
  struct Case {
    unsigned style;
    Text title;
    unsigned shownStyle;
    Text shownCaption;
  };
  const Case cases[] = {
      {0, "", 0x2000, "信息："},
      {4, "将会删除模拟目录", 0x2004, "将会删除模拟目录"},
      {16, "Error", 0x2010, "Error"},
      {64, "PHP 执行结果", 0x2040, "PHP 执行结果"},
      {0x1000 | 16, "", 0x1010, "信息："},  // system-modal already: no task-modal bit
      {0x2000, "", 0x2000, "信息："},
  };
  for (const Case& c : cases) {
    FakeWindow window;
    window.answerBoxes({6});
    EXPECT_EQ(showMessage(window, "text\r\nline", c.style, c.title, true), 6);
    ASSERT_EQ(window.boxes().size(), 1u);
    const testing::ShownBox box = window.boxes()[0];
    EXPECT_EQ(box.text, "text\r\nline");
    EXPECT_EQ(box.style, c.shownStyle) << c.style;
    EXPECT_EQ(box.caption, c.shownCaption) << c.style;
    EXPECT_TRUE(box.owned);
  }
}

TEST(ShowMessage, ShowsAnEmptyTextAndIsOwnerlessByDefault) {
  FakeWindow window;
  EXPECT_EQ(showMessage(window, ""), 1);
  ASSERT_EQ(window.boxes().size(), 1u);
  EXPECT_EQ(window.boxes()[0].text, "");
  EXPECT_FALSE(window.boxes()[0].owned);
}

TEST(PickFolder, FlagWordFollowsTheThreeOptions) {
  struct Case {
    bool includeFiles, editBox, newStyle;
    unsigned flags;
  };
  const Case cases[] = {
      {false, true, true, 0x50},    {true, true, true, 0x4050}, {false, false, false, 0},
      {false, false, true, 0x40},   {false, true, false, 0x10}, {true, false, false, 0x4000},
  };
  for (const Case& c : cases) {
    FakeWindow window;
    PickFolderOptions options;
    options.includeFiles = c.includeFiles;
    options.editBox = c.editBox;
    options.newStyle = c.newStyle;
    pickFolder(window, options);
    ASSERT_EQ(window.pickerRequests().size(), 1u);
    EXPECT_EQ(window.pickerRequests()[0].flags, c.flags);
  }
}

TEST(PickFolder, DefaultsTitleOnlyWhenNoneIsGivenAndIsOwnerlessByDefault) {
  FakeWindow window;
  pickFolder(window);
  PickFolderOptions emptyTitle;
  emptyTitle.title = "";
  emptyTitle.owned = true;
  pickFolder(window, emptyTitle);
  const auto requests = window.pickerRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].title, "请选择一个文件夹");
  EXPECT_EQ(requests[0].flags, 0x40u);  // new style is the default
  EXPECT_FALSE(requests[0].owned);
  EXPECT_EQ(requests[1].title, "");
  EXPECT_TRUE(requests[1].owned);
}

TEST(PickFolder, TrimsTheAnswerAndGivesEmptyForCancel) {
  FakeWindow window;
  window.answerPicker("  　 some folder  ");  // a full-width blank in the leading run
  window.answerPicker("");
  window.answerPicker("     ");
  EXPECT_EQ(pickFolder(window), "some folder");
  EXPECT_EQ(pickFolder(window), "");
  EXPECT_EQ(pickFolder(window), "");
}

TEST(PickFolder, EachCallReplacesTheInitialFolderAndTheCleanUpReleasesIt) {
  FakeWindow window;
  PickFolderOptions first;
  first.initialFolder = "first";
  pickFolder(window, first);
  EXPECT_EQ(initialFolder(), "first");
  PickFolderOptions second;
  second.initialFolder = "second";
  pickFolder(window, second);
  EXPECT_EQ(initialFolder(), "second");
  pickFolder(window);  // none given: emptied
  EXPECT_EQ(initialFolder(), "");
  pickFolder(window, first);
  releaseInitialFolder();
  EXPECT_EQ(initialFolder(), "");

  const auto requests = window.pickerRequests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].initialFolder, "first");
  EXPECT_EQ(requests[1].initialFolder, "second");
  EXPECT_EQ(requests[2].initialFolder, "");
}

}  // namespace
}  // namespace phpswitch
