// Two processes save the settings file at once, many times, while this one
// reads it: every read finds a whole file that holds, for each key, one of
// the two values written, never a mix, a half or nothing.
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "settings/ini_engine.h"
#include "settings/profile.h"
#include "settings/settings.h"

namespace phpswitch {
namespace {

constexpr int kSaves = 300;

class Boxes : public EditBoxes {
 public:
  explicit Boxes(std::map<Text, Text> texts) : texts_(std::move(texts)) {}
  std::vector<Text> editBoxNames() override {
    std::vector<Text> names;
    for (const auto& [name, text] : texts_) names.push_back(name);
    return names;
  }
  Text editBoxText(const Text& name) override { return texts_[name]; }
  void setEditBoxText(const Text& name, const Text& text) override { texts_[name] = text; }

 private:
  std::map<Text, Text> texts_;
};

class SettingsRace : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/phpswitch-race-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    file = folder_ + "/setsoft.ini";
  }
  void TearDown() override {
    for (const pid_t child : children_) {
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // Runs `save` kSaves times in a child process, with the round's parity:
  // a writer alternates between two values, so every save changes the file.
  void startSaving(const std::function<bool(int)>& save) {
    const pid_t child = ::fork();
    if (child == 0) {
      for (int i = 0; i < kSaves; ++i) {
        if (!save(i % 2)) ::_exit(1);
      }
      ::_exit(0);
    }
    children_.push_back(child);
  }

  // Reads while the children save; true once both ended well.
  template <typename Check>
  void readWhileSaving(Check check) {
    int reads = 0;
    for (;;) {
      int running = 0;
      for (pid_t& child : children_) {
        if (child == 0) continue;
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) {
          EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "every save succeeded";
          child = 0;
        } else {
          ++running;
        }
      }
      std::ifstream in(file, std::ios::binary);
      if (in) {
        std::stringstream bytes;
        bytes << in.rdbuf();
        check(bytes.str());
        ++reads;
      }
      if (running == 0) break;
    }
    children_.clear();
    EXPECT_GT(reads, 0);
  }

  Text file;

 private:
  Text folder_;
  std::vector<pid_t> children_;
};

int occurrences(const Text& text, const Text& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != Text::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(SettingsRace, TwoWritersOfOneValue) {
  const Text values[2][2] = {{"/opt/php/php-7.0.3", "/opt/php/php-7.4"}, {"/srv/其他/php 8.2", "/srv/x"}};
  for (int writer = 0; writer < 2; ++writer) {
    startSaving([&, writer](int parity) {
      return writeProfileValue(file, "编辑框", "编辑框_目标路径", values[writer][parity]);
    });
  }
  auto written = [&](const Text& value) {
    return value == values[0][0] || value == values[0][1] || value == values[1][0] || value == values[1][1];
  };
  readWhileSaving([&](const Text& bytes) {
    const Text prefix = "[编辑框]\r\n编辑框_目标路径=";
    ASSERT_EQ(bytes.rfind(prefix, 0), 0u) << bytes;
    ASSERT_GE(bytes.size(), prefix.size() + 2);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << bytes;
    EXPECT_TRUE(written(bytes.substr(prefix.size(), bytes.size() - prefix.size() - 2))) << bytes;
  });
  EXPECT_TRUE(written(readProfileValue(file, "编辑框", "编辑框_目标路径")));
}

TEST_F(SettingsRace, TwoWindowsSavingTheirFields) {
  // Each writer's two field sets; a line break and a quote go through the escaping.
  const std::map<Text, Text> sets[2][2] = {
      {{{"编辑框_目标路径", "/opt/php_target"}, {"编辑框_模拟路径", "/opt/php/php-7.0.3"}},
       {{"编辑框_目标路径", "/opt/other"}, {"编辑框_模拟路径", "/opt/php/php-7.4"}}},
      {{{"编辑框_目标路径", "/srv/target \"q\""}, {"编辑框_模拟路径", "/srv/php\r\n8"}},
       {{"编辑框_目标路径", "/srv/t"}, {"编辑框_模拟路径", "/srv/v"}}},
  };
  for (int writer = 0; writer < 2; ++writer) {
    startSaving([&, writer](int parity) {
      Boxes boxes(sets[writer][parity]);
      return saveFieldSettings(boxes, file) == 2;
    });
  }
  auto written = [&](const Text& name, const Text& value) {
    for (const auto& writer : sets) {
      for (const auto& set : writer) {
        if (set.at(name) == value) return true;
      }
    }
    return false;
  };
  readWhileSaving([&](const Text& bytes) {
    EXPECT_EQ(occurrences(bytes, "[编辑框]"), 1) << bytes;
    for (const char* name : {"编辑框_目标路径", "编辑框_模拟路径"}) {
      EXPECT_LE(occurrences(bytes, Text(name) + "="), 1) << bytes;
      // A key not written yet is missing; once there, it holds a whole value.
      const Text value = unescapeFieldText(iniProfileValue(bytes, "编辑框", name, ""));
      EXPECT_TRUE(value.empty() || written(name, value)) << value;
    }
  });
  Boxes restored({{"编辑框_目标路径", ""}, {"编辑框_模拟路径", ""}});
  EXPECT_EQ(loadFieldSettings(restored, file), 2);
  for (const char* name : {"编辑框_目标路径", "编辑框_模拟路径"}) {
    EXPECT_TRUE(written(name, restored.editBoxText(name))) << name;
  }
}

}  // namespace
}  // namespace phpswitch
