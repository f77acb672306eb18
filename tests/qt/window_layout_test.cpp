// The Qt window against the layout table: every control's kind, name, parent,
// place, size and text, the window's title and outer frame, and the panels.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>

#include <gtest/gtest.h>

#include "app/qt/qt_window.h"
#include "support/qt_test_support.h"
#include "system/platform.h"

namespace phpswitch {
namespace {

using testing::testApplication;

class QtWindowLayout : public ::testing::Test {
 protected:
  void SetUp() override { window_.open(); }
  QWidget* control(const char* name) {
    return window_.widget()->findChild<QWidget*>(QString::fromUtf8(name));
  }

  QApplication& application_ = testApplication();
  QtWindow window_;
};

QString shownText(const ControlSpec& entry) {
  return QString::fromStdString(initialTextOf(entry)).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

TEST_F(QtWindowLayout, EveryControlStandsWhereTheTableSays) {
  for (const ControlSpec& entry : mainWindowControls()) {
    SCOPED_TRACE(entry.name);
    QWidget* widget = control(entry.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->objectName().toStdString(), entry.name);
    EXPECT_EQ(widget->geometry(), QRect(entry.x, entry.y, entry.width, entry.height));
    const QWidget* expectedParent = *entry.parent == '\0' ? window_.widget() : control(entry.parent);
    EXPECT_EQ(widget->parentWidget(), expectedParent);
    EXPECT_EQ(
        window_.controlText(entry.name),
        entry.kind == ControlKind::ListBox || entry.kind == ControlKind::StatusBar ? "" : initialTextOf(entry));

    switch (entry.kind) {
      case ControlKind::GroupBox:
        ASSERT_NE(qobject_cast<QGroupBox*>(widget), nullptr);
        EXPECT_EQ(qobject_cast<QGroupBox*>(widget)->title(), shownText(entry));
        break;
      case ControlKind::Label:
      case ControlKind::TransparentLabel: {
        auto* label = qobject_cast<QLabel*>(widget);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), shownText(entry));
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        // The transparent label paints no background of its own.
        EXPECT_EQ(label->autoFillBackground(), entry.kind == ControlKind::Label);
        break;
      }
      case ControlKind::Button:
        ASSERT_NE(qobject_cast<QPushButton*>(widget), nullptr);
        EXPECT_EQ(qobject_cast<QPushButton*>(widget)->text(), shownText(entry));
        break;
      case ControlKind::EditBox:
        ASSERT_NE(qobject_cast<QLineEdit*>(widget), nullptr);
        EXPECT_EQ(qobject_cast<QLineEdit*>(widget)->text(), shownText(entry));
        break;
      case ControlKind::ListBox:
        ASSERT_NE(qobject_cast<QListWidget*>(widget), nullptr);
        EXPECT_EQ(qobject_cast<QListWidget*>(widget)->count(), 0);
        break;
      case ControlKind::StatusBar:
        ASSERT_NE(qobject_cast<QStatusBar*>(widget), nullptr);
        EXPECT_FALSE(qobject_cast<QStatusBar*>(widget)->isSizeGripEnabled());
        break;
    }
  }
}

TEST_F(QtWindowLayout, PathFieldsStartWithThePosixDefaults) {
  EXPECT_EQ(window_.controlText("编辑框_目标路径"), defaultTargetPath());
  EXPECT_EQ(window_.controlText("编辑框_模拟路径"), defaultVersionPath());
  EXPECT_EQ(window_.controlText("编辑框_目标路径"), "/opt/php_target");
  EXPECT_EQ(window_.controlText("编辑框_模拟路径"), "/opt/php/php-7.0.3");
}

TEST_F(QtWindowLayout, WindowHasItsTitleAndOuterFrame) {
  const WindowSpec& entry = mainWindowSpec();
  QWidget* root = window_.widget();
  EXPECT_EQ(root->windowTitle().toStdString(), entry.title);
  EXPECT_TRUE(root->isVisible());
  EXPECT_EQ(root->frameGeometry(), QRect(entry.x, entry.y, entry.width, entry.height));
}

TEST_F(QtWindowLayout, StatusBarHasThreeSunkenPanelsWithoutIcons) {
  QWidget* bar = control("状态条1");
  ASSERT_NE(bar, nullptr);
  const auto specs = statusPanels();
  ASSERT_EQ(specs.size(), 3u);
  const int expectedRight[] = {50, 330, bar->width()};
  int left = 0;
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    auto* panel = bar->findChild<QLabel*>(QStringLiteral("状态条1_panel%1").arg(i));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), QRect(left, 0, expectedRight[i] - left, bar->height()));
    EXPECT_EQ(panel->text().toStdString(), specs[i].text);
    EXPECT_EQ(window_.panelText(i), specs[i].text);
    EXPECT_EQ(panel->frameShape(), QFrame::Panel);
    EXPECT_EQ(panel->frameShadow(), QFrame::Sunken);
    EXPECT_TRUE(panel->pixmap().isNull());
    EXPECT_TRUE(panel->toolTip().isEmpty());
    left = expectedRight[i];
  }
}

TEST_F(QtWindowLayout, ControlsOfAKindComeInDefinitionOrder) {
  const std::pair<ControlKind, std::vector<Text>> cases[] = {
      {ControlKind::EditBox, {"编辑框_目标路径", "编辑框_模拟路径"}},
      {ControlKind::Button, {"按钮_切换", "按钮_恢复", "按钮1", "按钮2", "按钮3"}},
      {ControlKind::GroupBox, {"分组框2", "分组框3", "分组框4", "分组框1"}},
      {ControlKind::TransparentLabel, {"透明标签1", "透明标签_PHP版本"}},
      {ControlKind::ListBox, {"列表框_menus"}},
  };
  for (const auto& [kind, names] : cases) {
    EXPECT_EQ(window_.controlsOfKind(kind), names);
  }
  EXPECT_EQ(window_.editBoxNames(), cases[0].second);
}

}  // namespace
}  // namespace phpswitch
