// The whole program in one process: the real Qt window and the App on the real
// POSIX services, in a temporary portable folder with fake PHP installations.
// A user's clicks pick an installation, switch, test, delete and close.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <stdlib.h>

#include "app/app.h"
#include "app/qt/qt_window.h"
#include "support/qt_test_support.h"

namespace phpswitch {
namespace {

namespace fs = std::filesystem;
using testing::testApplication;

constexpr char kTarget[] = "编辑框_目标路径";
constexpr char kVersion[] = "编辑框_模拟路径";
constexpr char kList[] = "列表框_menus";
constexpr char kLabel[] = "透明标签_PHP版本";

struct Box {
  Text text;
  Text caption;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
};

std::string readFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A PHP installation as the tool sees one: a folder whose `php` answers -r
// with its version and -v with a banner.
void makeFakePhp(const fs::path& folder, const std::string& version) {
  fs::create_directories(folder);
  std::ofstream(folder / "php") << "#!/bin/sh\n"
                                << "if [ \"$1\" = -r ]; then printf '" << version << "'; exit 0; fi\n"
                                << "echo 'PHP " << version << " (cli) (built: fake)'\n";
  fs::permissions(folder / "php", fs::perms::owner_all, fs::perm_options::add);
}

class QtAppFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/phpswitch-qt-flow-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    makeFakePhp(folder_ / "php-7.0.3", "7.0.3");
    makeFakePhp(folder_ / "php-8.2", "8.2.0");
    QtWindow::messageBoxHook = [this](QMessageBox& box) -> QAbstractButton* {
      boxes_.push_back(
          {box.text().toStdString(), box.windowTitle().toStdString(), box.icon(), box.standardButtons()});
      return box.button(box.standardButtons() & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok);
    };
  }
  void TearDown() override {
    QtWindow::messageBoxHook = nullptr;
    fs::remove_all(folder_);
  }

  Text path(const char* name) const { return (folder_ / name).string(); }
  template <typename T>
  T* control(const char* name) {
    return window_.widget()->findChild<T*>(QString::fromUtf8(name));
  }
  // The monitor writes from its own thread, about once a second.
  bool waitForLabel(const Text& wanted) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (window_.controlText(kLabel) != wanted && std::chrono::steady_clock::now() < deadline) {
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return window_.controlText(kLabel) == wanted;
  }
  void typeInto(const char* field, const Text& text) {
    auto* edit = control<QLineEdit>(field);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(text));
  }
  void click(const char* button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }

  QApplication& application_ = testApplication();
  fs::path folder_;
  std::vector<Box> boxes_;
  QtWindow window_;
};

TEST_F(QtAppFlow, PickSwitchTestDeleteThroughTheWindow) {
  App app(window_, AppServices{folder_.string(), {path("environment"), path("user.conf")}});
  window_.setEvents(app);
  window_.open();
  window_.widget()->resize(1300, 302);  // the list starts beyond the initial right edge
  window_.widget()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.widget()));

  // Start-up filled the list with the folders beside the program.
  auto* list = control<QListWidget>(kList);
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(window_.listItemText(kList, 0), path("data"));
  EXPECT_EQ(window_.listItemText(kList, 1), path("php-7.0.3"));
  EXPECT_EQ(window_.listItemText(kList, 2), path("php-8.2"));

  typeInto(kTarget, path("php_target"));
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
  EXPECT_EQ(window_.controlText(kVersion), path("php-8.2"));
  EXPECT_EQ(control<QLineEdit>(kVersion)->text().toStdString(), path("php-8.2"));

  click("按钮_切换");
  ASSERT_EQ(boxes_.size(), 1u);  // nothing stood at the target: confirm
  EXPECT_EQ(boxes_[0].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(fs::is_symlink(path("php_target")));
  EXPECT_EQ(fs::read_symlink(path("php_target")), folder_ / "php-8.2");
  EXPECT_NE(window_.panelText(1), statusPanels()[1].text);  // the link command's output
  const std::string settings = readFile(folder_ / "data" / "setsoft.ini");
  EXPECT_NE(settings.find(path("php_target")), std::string::npos) << settings;
  EXPECT_NE(settings.find(path("php-8.2")), std::string::npos) << settings;
  EXPECT_TRUE(waitForLabel("PHP版本为:8.2.0"));

  click("按钮3");
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].text, "PHP 8.2.0 (cli) (built: fake)\n");
  EXPECT_EQ(boxes_[1].icon, QMessageBox::Information);

  click("按钮_恢复");
  ASSERT_EQ(boxes_.size(), 3u);
  EXPECT_EQ(boxes_[2].text, "已删除模拟后的目录");
  EXPECT_FALSE(fs::exists(fs::symlink_status(path("php_target"))));
  EXPECT_TRUE(fs::exists(folder_ / "php-8.2" / "php"));  // the installation is untouched
  EXPECT_TRUE(waitForLabel("PHP文件丢失"));

  window_.widget()->close();
}

TEST_F(QtAppFlow, RestartShowsTheSavedFieldsAndAFocusMoveNormalisesThem) {
  {
    QtWindow first;
    App app(first, AppServices{folder_.string(), {path("environment"), path("user.conf")}});
    first.setEvents(app);
    first.open();
    first.setControlText(kVersion, "  " + path("php-7.0.3") + "/  ");
    first.setFocus(kVersion);
    first.setFocus("按钮_切换");  // leaving the field trims it and cuts one separator
    EXPECT_EQ(first.controlText(kVersion), path("php-7.0.3"));
    first.widget()->close();
  }
  App app(window_, AppServices{folder_.string(), {path("environment"), path("user.conf")}});
  window_.setEvents(app);
  window_.open();
  EXPECT_EQ(window_.controlText(kVersion), path("php-7.0.3"));
  EXPECT_EQ(control<QLineEdit>(kVersion)->text().toStdString(), path("php-7.0.3"));
  window_.widget()->close();
}

}  // namespace
}  // namespace phpswitch
