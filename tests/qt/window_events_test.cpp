// Events of the Qt window as the app sees them: one text-changed per program
// write and per user edit, lost focus on every focus move, double-clicks,
// clicks, and the close that raises windowDestroyed before the close action.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "app/qt/qt_window.h"
#include "support/qt_test_support.h"

namespace phpswitch {
namespace {

using testing::EventRecorder;
using testing::RecordedEvent;
using testing::testApplication;

constexpr char kTarget[] = "编辑框_目标路径";
constexpr char kVersion[] = "编辑框_模拟路径";
constexpr char kList[] = "列表框_menus";

class QtWindowEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.setEvents(recorder_);
    window_.open();
    window_.widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.widget()));
    recorder_.take();
  }
  template <typename T>
  T* control(const char* name) {
    return window_.widget()->findChild<T*>(QString::fromUtf8(name));
  }

  QApplication& application_ = testApplication();
  EventRecorder recorder_;
  QtWindow window_;
};

TEST_F(QtWindowEvents, OpenRaisesCreatedOnceWithTheWindowInPlace) {
  QtWindow window;
  bool hadNativeWindow = false;
  struct CreatedProbe : EventRecorder {
    QtWindow* window = nullptr;
    bool* hadNativeWindow = nullptr;
    void windowCreated() override {
      EventRecorder::windowCreated();
      *hadNativeWindow = window->widget()->windowHandle() != nullptr;
      // Start-up writes the fields; their events must reach the app already.
      window->setControlText(kTarget, "/restored");
    }
  } probe;
  probe.window = &window;
  probe.hadNativeWindow = &hadNativeWindow;
  window.setEvents(probe);
  window.open();
  EXPECT_EQ(probe.created, 1);
  EXPECT_TRUE(hadNativeWindow);
  EXPECT_TRUE(window.widget()->isVisible());
  EXPECT_EQ(probe.events, (std::vector<RecordedEvent>{{kTarget, kTextChanged}}));
  EXPECT_EQ(window.controlText(kTarget), "/restored");
}

TEST_F(QtWindowEvents, EveryProgramWriteRaisesTextChangedOnceEvenWhenUnchanged) {
  for (const char* field : {kTarget, kVersion}) {
    SCOPED_TRACE(field);
    auto* edit = control<QLineEdit>(field);
    Text seenInside;
    recorder_.onEvent = [&](const RecordedEvent&) { seenInside = window_.controlText(field); };
    const Text writes[] = {"/srv/php", "/srv/php", "", "", "/srv/php 8.2/带空格"};
    for (const Text& text : writes) {
      window_.setControlText(field, text);
      EXPECT_EQ(recorder_.take(), (std::vector<RecordedEvent>{{field, kTextChanged}}));
      EXPECT_EQ(seenInside, text);  // the handler already reads the new text
      EXPECT_EQ(edit->text().toStdString(), text);
      EXPECT_EQ(window_.controlText(field), text);
    }
  }
}

TEST_F(QtWindowEvents, WritesToOtherControlsChangeTheirTextWithoutEvents) {
  const std::pair<const char*, Text> writes[] = {
      {"透明标签_PHP版本", "PHP版本为:8.2.7"}, {"按钮_切换", "切换"}, {"分组框2", "配置"}, {"标签1", "x"}};
  for (const auto& [name, text] : writes) {
    window_.setControlText(name, text);
    EXPECT_EQ(window_.controlText(name), text);
  }
  window_.setControlText("no such control", "x");
  EXPECT_EQ(window_.controlText("no such control"), "");
  EXPECT_TRUE(recorder_.events.empty());
}

TEST_F(QtWindowEvents, EveryUserEditRaisesTextChangedOnce) {
  auto* edit = control<QLineEdit>(kVersion);
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, "/php");
  EXPECT_EQ(recorder_.count(kVersion, kTextChanged), 4);
  EXPECT_EQ(window_.controlText(kVersion), "/php");
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(recorder_.count(kVersion, kTextChanged), 5);
  EXPECT_EQ(window_.controlText(kVersion), "/ph");
  EXPECT_EQ(recorder_.count(kTarget, kTextChanged), 0);
}

TEST_F(QtWindowEvents, FocusMoveRaisesLostFocusOfTheBoxThatHadIt) {
  window_.setFocus(kTarget);
  recorder_.take();
  window_.setFocus(kVersion);
  EXPECT_EQ(recorder_.take(), (std::vector<RecordedEvent>{{kTarget, kLostFocus}}));
  window_.setFocus("按钮_切换");
  EXPECT_EQ(recorder_.take(), (std::vector<RecordedEvent>{{kVersion, kLostFocus}}));
  window_.setFocus("按钮_恢复");  // from a button: nobody loses a box
  EXPECT_TRUE(recorder_.take().empty());
}

TEST_F(QtWindowEvents, FocusMoveInAnInactiveWindowStillRaisesLostFocus) {
  window_.setFocus(kVersion);
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  recorder_.take();  // deactivation itself takes the focus, as on Win32
  window_.setFocus(kTarget);
  window_.setFocus("按钮_切换");
  EXPECT_EQ(recorder_.take(), (std::vector<RecordedEvent>{{kVersion, kLostFocus}, {kTarget, kLostFocus}}));
}

TEST_F(QtWindowEvents, ClickingAButtonTakesTheFocusFromTheFieldFirst) {
  window_.setFocus(kVersion);
  recorder_.take();
  QTest::mouseClick(control<QPushButton>("按钮_切换"), Qt::LeftButton);
  EXPECT_EQ(recorder_.take(), (std::vector<RecordedEvent>{{kVersion, kLostFocus}, {"按钮_切换", kClicked}}));
}

TEST_F(QtWindowEvents, EachButtonReportsItsClick) {
  for (const Text& name : window_.controlsOfKind(ControlKind::Button)) {
    control<QPushButton>(name.c_str())->click();
    EXPECT_EQ(recorder_.take(), (std::vector<RecordedEvent>{{name, kClicked}}));
  }
}

TEST_F(QtWindowEvents, DoubleClickOnAFieldIsReported) {
  for (const char* field : {kTarget, kVersion}) {
    QTest::mouseDClick(control<QLineEdit>(field), Qt::LeftButton);
    EXPECT_EQ(recorder_.count(field, kDoubleClicked), 1);
  }
}

TEST_F(QtWindowEvents, ListDoubleClickIsReportedOnAnItemAndBesideThem) {
  // Widen the window so the list, which starts beyond the right edge, is on screen.
  window_.widget()->resize(1300, 302);
  auto* list = control<QListWidget>(kList);
  window_.insertListItem(kList, 0, "/portable/data");
  window_.insertListItem(kList, 1, "/portable/php-8.2");
  list->setFocus();
  recorder_.take();

  const QPoint onSecond = list->visualItemRect(list->item(1)).center();
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onSecond);
  EXPECT_EQ(recorder_.take(), (std::vector<RecordedEvent>{{kList, kItemDoubleClicked}}));
  EXPECT_EQ(window_.selectedListIndex(kList), 1);

  list->clearSelection();
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, list->viewport()->height() - 5));
  EXPECT_EQ(recorder_.take(), (std::vector<RecordedEvent>{{kList, kItemDoubleClicked}}));
  EXPECT_EQ(window_.selectedListIndex(kList), -1);
}

TEST_F(QtWindowEvents, ListOperationsBehaveLikeAWin32ListBox) {
  window_.insertListItem(kList, 0, "b");
  window_.insertListItem(kList, 0, "a");
  window_.insertListItem(kList, -1, "c");  // appends
  window_.insertListItem(kList, 7, "x");   // beyond the end: nothing
  window_.insertListItem("no list", 0, "y");
  const std::pair<int, Text> items[] = {{-1, ""}, {0, "a"}, {1, "b"}, {2, "c"}, {3, ""}};
  for (const auto& [index, text] : items) EXPECT_EQ(window_.listItemText(kList, index), text) << index;
  EXPECT_EQ(window_.selectedListIndex(kList), -1);
  control<QListWidget>(kList)->setCurrentRow(2);
  EXPECT_EQ(window_.selectedListIndex(kList), 2);
  window_.clearList(kList);
  EXPECT_EQ(window_.listItemText(kList, 0), "");
  EXPECT_EQ(window_.selectedListIndex(kList), -1);
  EXPECT_TRUE(recorder_.events.empty());
}

TEST_F(QtWindowEvents, PanelWritesKeepThePanelAndIgnoreOtherNumbers) {
  window_.setPanelText(1, "'/t' -> '/v'\n");
  EXPECT_EQ(window_.panelText(1), "'/t' -> '/v'\n");
  auto* panel = window_.widget()->findChild<QLabel*>(QStringLiteral("状态条1_panel1"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->text(), QStringLiteral("'/t' -> '/v' "));  // one line, as a status bar shows it
  EXPECT_EQ(panel->geometry(), QRect(50, 0, 280, 20));
  window_.setPanelText(3, "x");
  window_.setPanelText(-1, "x");
  EXPECT_EQ(window_.panelText(0), statusPanels()[0].text);
  EXPECT_EQ(window_.panelText(2), statusPanels()[2].text);
}

TEST_F(QtWindowEvents, ClosingRaisesDestroyedOnceAndThenTheCloseAction) {
  std::vector<Text> order;
  struct Probe : EventRecorder {
    std::vector<Text>* order;
    void windowDestroyed() override {
      EventRecorder::windowDestroyed();
      order->push_back("destroyed");
    }
  } probe;
  probe.order = &order;
  window_.setEvents(probe);
  window_.setCloseAction([&] { order.push_back("close action"); });
  EXPECT_TRUE(window_.widget()->close());
  window_.widget()->close();
  EXPECT_EQ(order, (std::vector<Text>{"destroyed", "close action"}));
}

}  // namespace
}  // namespace phpswitch
