// Message boxes and the folder dialog, answered through the test hooks: the
// box carries the buttons and icon of the style bits and the press comes back
// as the Win32 button code; the folder dialog gets title, preselection, owner.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/qt/qt_window.h"
#include "support/qt_test_support.h"

namespace phpswitch {
namespace {

using testing::testApplication;

class QtWindowDialogs : public ::testing::Test {
 protected:
  void TearDown() override {
    QtWindow::messageBoxHook = nullptr;
    QtWindow::folderDialogHook = nullptr;
  }

  QApplication& application_ = testApplication();
  QtWindow window_;
};

struct ButtonCode {
  QMessageBox::StandardButton button;
  int code;
};

TEST_F(QtWindowDialogs, MessageBoxShowsTheStyleAndReturnsTheWin32Code) {
  using B = QMessageBox;
  const struct {
    unsigned style;
    std::vector<ButtonCode> buttons;  // the first is the default
    QMessageBox::Icon icon;
  } cases[] = {
      {0x0, {{B::Ok, 1}}, B::NoIcon},
      {0x1 | 0x20, {{B::Ok, 1}, {B::Cancel, 2}}, B::Question},
      {0x2 | 0x30, {{B::Abort, 3}, {B::Retry, 4}, {B::Ignore, 5}}, B::Warning},
      {0x3 | 0x40, {{B::Yes, 6}, {B::No, 7}, {B::Cancel, 2}}, B::Information},
      {0x4 | 0x2000, {{B::Yes, 6}, {B::No, 7}}, B::NoIcon},  // as the switch asks for confirmation
      {0x5 | 0x10, {{B::Retry, 4}, {B::Cancel, 2}}, B::Critical},
      {0x10 | 0x2000, {{B::Ok, 1}}, B::Critical},  // the actions' error box
      {0x40 | 0x1000, {{B::Ok, 1}}, B::Information},
  };
  for (const auto& c : cases) {
    for (const ButtonCode& press : c.buttons) {
      SCOPED_TRACE(::testing::Message() << "style " << c.style << " press " << press.code);
      int hookCalls = 0;
      QtWindow::messageBoxHook = [&](QMessageBox& box) -> QAbstractButton* {
        ++hookCalls;
        QMessageBox::StandardButtons expected;
        for (const ButtonCode& b : c.buttons) expected |= b.button;
        EXPECT_EQ(box.standardButtons(), expected);
        EXPECT_EQ(box.buttons().size(), static_cast<qsizetype>(c.buttons.size()));
        EXPECT_EQ(box.icon(), c.icon);
        EXPECT_EQ(box.defaultButton(), box.button(c.buttons.front().button));
        EXPECT_EQ(box.windowModality(), Qt::ApplicationModal);
        return box.button(press.button);
      };
      EXPECT_EQ(window_.messageBox("text", c.style, "信息：", true), press.code);
      EXPECT_EQ(hookCalls, 1);
    }
  }
}

TEST_F(QtWindowDialogs, MessageBoxShowsTextAndCaptionAsGivenWithTheRightOwner) {
  for (const bool owned : {true, false}) {
    QtWindow::messageBoxHook = [&](QMessageBox& box) -> QAbstractButton* {
      EXPECT_EQ(box.parentWidget(), owned ? window_.widget() : nullptr);
      EXPECT_EQ(box.windowTitle(), QStringLiteral("错误"));
      // Command output may hold markup characters: it is shown as plain text.
      EXPECT_EQ(box.textFormat(), Qt::PlainText);
      EXPECT_EQ(box.text(), QStringLiteral("ln: <failed>\n第二行"));
      return box.button(QMessageBox::Ok);
    };
    EXPECT_EQ(window_.messageBox("ln: <failed>\r\n第二行", 0x10, "错误", owned), 1);
  }
  QtWindow::messageBoxHook = [](QMessageBox& box) -> QAbstractButton* {
    EXPECT_TRUE(box.text().isEmpty());
    return box.button(QMessageBox::Ok);
  };
  EXPECT_EQ(window_.messageBox("", 0, "", false), 1);
}

TEST_F(QtWindowDialogs, DefaultButtonBitsChooseTheDefaultAndABoxLeftWithoutAButtonIsCancel) {
  const struct {
    unsigned style;
    QMessageBox::StandardButton expected;
  } cases[] = {{0x4 | 0x100, QMessageBox::No},
               {0x3 | 0x200, QMessageBox::Cancel},
               {0x4 | 0x200, QMessageBox::Yes}};  // no third button: the first
  for (const auto& c : cases) {
    QtWindow::messageBoxHook = [&](QMessageBox& box) -> QAbstractButton* {
      EXPECT_EQ(box.defaultButton(), box.button(c.expected)) << c.style;
      return nullptr;
    };
    EXPECT_EQ(window_.messageBox("?", c.style, "", true), 2);
  }
}

TEST_F(QtWindowDialogs, FolderDialogGetsTitlePreselectionOwnerAndDirectoriesOnly) {
  std::vector<QtFolderDialogCall> calls;
  Text answer = "/srv/php/php-8.2";
  QtWindow::folderDialogHook = [&](const QtFolderDialogCall& call) {
    calls.push_back(call);
    return answer;
  };
  EXPECT_EQ(window_.browseForFolder({"请选择需要被模拟到的路径!", "/srv/php", 0x50, true}),
            "/srv/php/php-8.2");
  answer = "";  // cancelled
  EXPECT_EQ(window_.browseForFolder({"请选择一个文件夹", "", 0x4000 | 0x40, false}), "");

  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].parent, window_.widget());
  EXPECT_EQ(calls[0].title, "请选择需要被模拟到的路径!");
  EXPECT_EQ(calls[0].initialFolder, "/srv/php");
  EXPECT_TRUE(calls[0].directoriesOnly);
  EXPECT_EQ(calls[1].parent, nullptr);
  EXPECT_EQ(calls[1].initialFolder, "");
  EXPECT_FALSE(calls[1].directoriesOnly);  // BIF_BROWSEINCLUDEFILES shows files too
}

// Without hooks the real dialogs open; a timer answers them as a user would.
template <typename Dialog>
void answerNextDialog(std::function<void(Dialog&)> answer) {
  QTimer::singleShot(0, [answer] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    answer(*dialog);
  });
}

TEST_F(QtWindowDialogs, RealMessageBoxReturnsTheButtonTheUserPressed) {
  answerNextDialog<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
  EXPECT_EQ(window_.messageBox("继续?", 0x4 | 0x20 | 0x2000, "信息：", true), 7);
  answerNextDialog<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Retry)->click(); });
  EXPECT_EQ(window_.messageBox("again?", 0x5, "", false), 4);
}

TEST_F(QtWindowDialogs, RealFolderDialogOpensOnThePreselectionAndCancelGivesNothing) {
  char pattern[] = "/tmp/phpswitch-qt-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::filesystem::path folder = std::filesystem::path(pattern) / "php-8.2";
  std::filesystem::create_directory(folder);

  answerNextDialog<QFileDialog>([](QFileDialog& dialog) {
    EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
    EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("请选择需要被模拟到的路径!"));
    static_cast<QDialog&>(dialog).accept();
  });
  EXPECT_EQ(window_.browseForFolder({"请选择需要被模拟到的路径!", folder.string(), 0x50, true}),
            folder.string());

  answerNextDialog<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_EQ(window_.browseForFolder({"t", folder.string(), 0x50, true}), "");
  std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace phpswitch
