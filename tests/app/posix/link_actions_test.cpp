// Switch, delete and test through the fake window, with the real POSIX
// services on fake PHP installations in a temporary folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "support/posix/app_fixture.h"

namespace phpswitch::testing {
namespace {

constexpr char kTargetField[] = "编辑框_目标路径";
constexpr char kVersionField[] = "编辑框_模拟路径";
constexpr char kQuestion[] = "确定切换环境吗?\r\n切换环境会将现有模拟路径删除后重建,请确认无误后点击确定";
constexpr char kOverlapRefusal[] =
    "目标路径与被模拟路径相同或互相包含,删除目标路径会破坏被模拟的PHP,已停止切换";
constexpr char kWelcome[] = "欢迎使用 PHP环境切换工具 v1.0 phpswitch 开发组";
constexpr int kYes = 6;
constexpr int kNo = 7;

class LinkActions : public AppFlow {
 protected:
  void SetUp() override { startApp(); }

  // Writes both fields as the program would (each write saves), then drops
  // the settings file, so that a test sees whether the action saved.
  void setFields(const Text& targetPath, const Text& versionPath) {
    window.setControlText(kTargetField, targetPath);
    window.setControlText(kVersionField, versionPath);
    std::remove(settingsFile().c_str());
  }
  bool saved() { return exists(settingsFile()); }
  void clickSwitch() { window.click("按钮_切换"); }
};

struct TargetKind {
  const char* name;
  // Makes what stands at `target` in the case's folder; returns the folders
  // that must be left complete.
  std::function<std::vector<Text>(const Text& folder, const Text& target)> make;
  bool asks;
};

TEST_F(LinkActions, SwitchReplacesWhateverStandsAtTheTargetAndLeavesLinkedTreesComplete) {
  const TargetKind kinds[] = {
      {"nothing", [](const Text&, const Text&) { return std::vector<Text>{}; }, true},
      {"empty directory",
       [](const Text&, const Text& t) {
         makeFolder(t);
         return std::vector<Text>{};
       },
       false},
      {"link to an empty directory",
       [](const Text& folder, const Text& t) {
         makeFolder(folder + "/empty");
         makeLink(t, folder + "/empty");
         return std::vector<Text>{folder + "/empty"};
       },
       false},
      {"link to another installation",
       [](const Text& folder, const Text& t) {
         makeInstallation(folder + "/php-5.6.40", "5.6.40");
         makeLink(t, folder + "/php-5.6.40");
         return std::vector<Text>{folder + "/php-5.6.40"};
       },
       true},
      {"link to the version itself",
       [](const Text& folder, const Text& t) {
         makeLink(t, folder + "/php-7.0.3");
         return std::vector<Text>{};
       },
       true},
      {"real tree with dot-names and an inner link",
       [](const Text& folder, const Text& t) {
         makeFolder(t + "/.git/objects");
         writeFile(t + "/.env", "SECRET=1");
         writeFile(t + "/.git/objects/ab", "blob");
         makeFolder(t + "/sub/.cache");
         writeFile(t + "/sub/.cache/x", "x");
         writeFile(t + "/php.ini", "ini");
         makeInstallation(folder + "/outside", "8.1.0");
         writeFile(folder + "/outside/.keep", "keep");
         makeLink(t + "/sub/inner", folder + "/outside");
         return std::vector<Text>{folder + "/outside"};
       },
       true},
  };
  int number = 0;
  for (const TargetKind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    const Text folder = temp / ("case" + std::to_string(++number));
    const Text caseTarget = folder + "/target";
    const Text caseVersion = folder + "/php-7.0.3";
    makeInstallation(caseVersion, "7.0.3");
    const std::vector<Text> installed = snapshot(caseVersion);
    const std::vector<Text> kept = kind.make(folder, caseTarget);
    std::vector<std::vector<Text>> before;
    for (const Text& k : kept) before.push_back(snapshot(k));
    setFields(caseTarget, caseVersion);
    const std::size_t boxesBefore = window.boxes().size();

    if (kind.asks) window.answerBoxes({kYes});
    clickSwitch();

    const auto boxes = window.boxes();
    if (kind.asks) {
      ASSERT_EQ(boxes.size(), boxesBefore + 1);
      const ShownBox& box = boxes.back();
      EXPECT_EQ(box.text, kQuestion);
      EXPECT_EQ(box.style, 0x2004u);
      EXPECT_EQ(box.caption, "将会删除模拟目录");
      EXPECT_TRUE(box.owned);
    } else {
      EXPECT_EQ(boxes.size(), boxesBefore);
    }
    EXPECT_TRUE(isLinkTo(caseTarget, caseVersion));
    EXPECT_EQ(snapshot(caseVersion), installed);
    for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(snapshot(kept[i]), before[i]) << kept[i];
    // The command's confirmation, on one line, in the middle panel.
    const Text panel = window.panel(1);
    EXPECT_NE(panel.find(caseTarget), Text::npos) << panel;
    EXPECT_EQ(panel.find('\n'), Text::npos) << panel;
    // Saved after the switch, with both fields.
    const Text settings = readFile(settingsFile());
    EXPECT_NE(settings.find(caseTarget), Text::npos) << settings;
    EXPECT_NE(settings.find(caseVersion), Text::npos) << settings;
  }
}

struct Refusal {
  const char* name;
  // Makes the case in `folder`; returns the target and version texts.
  std::function<std::pair<Text, Text>(const Text& folder)> make;
  Text text;
  unsigned style;
  Text caption;
};

// Each refusal comes before the question: one error box, and nothing removed,
// run, shown or saved.
TEST_F(LinkActions, SwitchRefusesBeforeTouchingAnything) {
  const Refusal refusals[] = {
      {"version path missing", [](const Text& f) { return std::pair{f + "/target", f + "/missing"}; },
       "需要被模拟路径不存在", 0x2010, "Error"},
      {"version path empty", [](const Text& f) { return std::pair{f + "/target", Text()}; },
       "需要被模拟路径不存在", 0x2010, "Error"},
      {"version path is a file",
       [](const Text& f) {
         writeFile(f + "/file", "x");
         return std::pair{f + "/target", f + "/file"};
       },
       "需要被模拟路径不存在", 0x2010, "Error"},
      {"no php in the version path",
       [](const Text& f) {
         makeFolder(f + "/php-7.0.3");
         writeFile(f + "/php-7.0.3/php.ini", "");
         return std::pair{f + "/target", f + "/php-7.0.3"};
       },
       "PHP.exe 未找到", 0x2010, "信息："},
      {"target equals the version",
       [](const Text& f) {
         makeInstallation(f + "/php", "7.0.3");
         return std::pair{f + "/php", f + "/php"};
       },
       kOverlapRefusal, 0x2010, "Error"},
      {"target equals the version, spelled otherwise",
       [](const Text& f) {
         makeInstallation(f + "/php", "7.0.3");
         return std::pair{f + "/./other/../php/", f + "/php"};
       },
       kOverlapRefusal, 0x2010, "Error"},
      {"target with a leading blank equals the version",
       [](const Text& f) {
         makeInstallation(f + "/php", "7.0.3");
         return std::pair{" " + f + "/php", f + "/php"};
       },
       kOverlapRefusal, 0x2010, "Error"},
      {"target inside the version",
       [](const Text& f) {
         makeInstallation(f + "/php", "7.0.3");
         makeFolder(f + "/php/current");
         return std::pair{f + "/php/current", f + "/php"};
       },
       kOverlapRefusal, 0x2010, "Error"},
      {"target holds the version",
       [](const Text& f) {
         makeInstallation(f + "/target/php-7.0.3", "7.0.3");
         return std::pair{f + "/target", f + "/target/php-7.0.3"};
       },
       kOverlapRefusal, 0x2010, "Error"},
      {"target holds the version, reached through a link",
       [](const Text& f) {
         makeInstallation(f + "/target/php-7.0.3", "7.0.3");
         makeLink(f + "/versions", f + "/target");
         return std::pair{f + "/target", f + "/versions/php-7.0.3"};
       },
       kOverlapRefusal, 0x2010, "Error"},
      {"target inside the version, reached through a link",
       [](const Text& f) {
         makeInstallation(f + "/php", "7.0.3");
         makeFolder(f + "/php/current");
         makeLink(f + "/alias", f + "/php");
         return std::pair{f + "/alias/current", f + "/php"};
       },
       kOverlapRefusal, 0x2010, "Error"},
      {"version inside a link at the target",
       [](const Text& f) {
         makeInstallation(f + "/real/php", "7.0.3");
         makeLink(f + "/target", f + "/real");
         return std::pair{f + "/target", f + "/target/php"};
       },
       kOverlapRefusal, 0x2010, "Error"},
      // A root holds every version; the removal itself would refuse it as well.
      {"root", [](const Text& f) { makeInstallation(f + "/php", "7.0.3"); return std::pair{Text("/"), f + "/php"}; },
       kOverlapRefusal, 0x2010, "Error"},
      {"root spelled with dots",
       [](const Text& f) {
         makeInstallation(f + "/php", "7.0.3");
         return std::pair{Text("/tmp/../"), f + "/php"};
       },
       kOverlapRefusal, 0x2010, "Error"},
      {"root spelled twice", [](const Text& f) { makeInstallation(f + "/php", "7.0.3"); return std::pair{Text("//"), f + "/php"}; },
       kOverlapRefusal, 0x2010, "Error"},
  };
  const Text panelBefore = window.panel(1);
  int number = 0;
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.name);
    const Text folder = temp / ("case" + std::to_string(++number));
    makeFolder(folder);
    const auto [caseTarget, caseVersion] = refusal.make(folder);
    setFields(caseTarget, caseVersion);
    const std::vector<Text> before = snapshot(folder);
    const std::size_t boxesBefore = window.boxes().size();
    const int unscriptedBefore = window.unscripted();

    window.click("按钮_切换");

    const auto boxes = window.boxes();
    ASSERT_EQ(boxes.size(), boxesBefore + 1);
    EXPECT_EQ(boxes.back().text, refusal.text);
    EXPECT_EQ(boxes.back().style, refusal.style);
    EXPECT_EQ(boxes.back().caption, refusal.caption);
    EXPECT_FALSE(boxes.back().owned);
    EXPECT_EQ(window.unscripted(), unscriptedBefore + 1);  // the error box's OK, no question
    EXPECT_EQ(snapshot(folder), before);
    EXPECT_EQ(window.panel(1), panelBefore);
    EXPECT_FALSE(saved());
  }
}

TEST_F(LinkActions, AnsweringNoLeavesEverything) {
  makeInstallation(temp / "php-5.6.40", "5.6.40");
  makeInstallation(version, "7.0.3");
  makeLink(target, temp / "php-5.6.40");
  setFields(target, version);
  const std::vector<Text> before = snapshot(temp.path());

  window.answerBoxes({kNo});
  clickSwitch();

  ASSERT_EQ(window.boxes().size(), 1u);
  EXPECT_EQ(window.boxes()[0].text, kQuestion);
  EXPECT_TRUE(isLinkTo(target, temp / "php-5.6.40"));
  EXPECT_EQ(snapshot(temp.path()), before);
  EXPECT_EQ(window.panel(1), kWelcome);
  EXPECT_FALSE(saved());
}

// Paths go to the shell as single words: blanks, quotes, $(...) and
// backquotes reach the link as they stand and run nothing.
TEST_F(LinkActions, PathsWithShellCharactersAreLinkedAsTheyStand) {
  const Text odd = temp / "my php $(touch ran1) `touch ran2` 'q' \"d\" ;touch ran3 &x";
  const Text oddVersion = temp / "php 7.0.3 $HOME *";
  makeInstallation(oddVersion, "7.0.3");
  setFields(odd, oddVersion);

  window.answerBoxes({kYes});
  clickSwitch();
  EXPECT_TRUE(isLinkTo(odd, oddVersion));

  window.click("按钮3");
  ASSERT_EQ(window.boxes().size(), 2u);
  EXPECT_EQ(window.boxes()[1].text, phpBanner("7.0.3"));

  window.click("按钮_恢复");
  EXPECT_FALSE(exists(odd));
  for (const char* ran : {"ran1", "ran2", "ran3"}) {
    EXPECT_FALSE(exists(temp / ran)) << ran;
    EXPECT_FALSE(exists(programDir + "/" + ran)) << ran;
  }
}

// A version path typed relative to the program folder (as every relative
// field is taken) must not become a relative link destination, which would be
// read from the target's folder and leave the link dangling.
TEST_F(LinkActions, ARelativeVersionPathIsLinkedFromTheProgramFolder) {
  makeInstallation(programDir + "/php-8.2", "8.2.0");
  setFields(target, "php-8.2");

  window.answerBoxes({kYes});
  clickSwitch();

  EXPECT_TRUE(isLinkTo(target, programDir + "/php-8.2"));
  window.click("按钮3");
  ASSERT_FALSE(window.boxes().empty());
  EXPECT_EQ(window.boxes().back().text, phpBanner("8.2.0"));
}

struct DeleteCase {
  const char* name;
  std::function<void(const Text& folder, const Text& target)> make;
  bool gone;
};

// The message comes whatever rmdir did; a link goes as a link.
TEST_F(LinkActions, DeleteRemovesOnlyALinkOrAnEmptyDirectoryAndAlwaysReports) {
  const DeleteCase cases[] = {
      {"link to an installation",
       [](const Text& f, const Text& t) {
         makeInstallation(f + "/php", "7.0.3");
         makeLink(t, f + "/php");
       },
       true},
      {"dangling link", [](const Text& f, const Text& t) { makeLink(t, f + "/nowhere"); }, true},
      {"empty directory", [](const Text&, const Text& t) { makeFolder(t); }, true},
      {"nothing", [](const Text&, const Text&) {}, false},
      {"real non-empty directory",
       [](const Text&, const Text& t) {
         makeFolder(t + "/.hidden");
         writeFile(t + "/file", "keep");
       },
       false},
      {"file", [](const Text&, const Text& t) { writeFile(t, "keep"); }, false},
  };
  int number = 0;
  for (const DeleteCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Text folder = temp / ("case" + std::to_string(++number));
    makeFolder(folder);
    const Text caseTarget = folder + "/target";
    c.make(folder, caseTarget);
    const std::vector<Text> before = snapshot(folder);
    setFields(caseTarget, version);
    const std::size_t boxesBefore = window.boxes().size();

    window.click("按钮_恢复");

    ASSERT_EQ(window.boxes().size(), boxesBefore + 1);
    const ShownBox box = window.boxes().back();
    EXPECT_EQ(box.text, "已删除模拟后的目录");
    EXPECT_EQ(box.style, 0x2000u);
    EXPECT_EQ(box.caption, "信息：");
    EXPECT_FALSE(box.owned);
    if (c.gone) {
      EXPECT_FALSE(exists(caseTarget));
      std::vector<Text> expected;
      for (const Text& entry : before) {
        if (entry.rfind("target", 0) != 0) expected.push_back(entry);
      }
      EXPECT_EQ(snapshot(folder), expected);  // a link's destination is left whole
    } else {
      EXPECT_EQ(snapshot(folder), before);
    }
  }
}

TEST_F(LinkActions, TestShowsWhatPhpPrintsOrTheShellsError) {
  makeInstallation(version, "7.0.3");
  makeLink(target, version);
  setFields(target, version);

  window.click("按钮3");
  setFields(temp / "nothing-here", version);
  window.click("按钮3");

  const auto boxes = window.boxes();
  ASSERT_EQ(boxes.size(), 2u);
  for (const ShownBox& box : boxes) {
    EXPECT_EQ(box.style, 0x2040u);
    EXPECT_EQ(box.caption, "PHP 执行结果");
    EXPECT_TRUE(box.owned);
  }
  EXPECT_EQ(boxes[0].text, phpBanner("7.0.3"));  // line breaks included
  EXPECT_NE(boxes[1].text.find("nothing-here/php"), Text::npos) << boxes[1].text;
}

}  // namespace
}  // namespace phpswitch::testing
