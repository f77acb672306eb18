// Environment accessor on POSIX. The two collections are files of KEY=value
// lines (the machine one is read by pam_env, the user one by systemd's
// environment.d). A write edits one variable and keeps every other byte of the
// file; it goes to a temporary file in the same folder that is renamed over the
// original, so a reader never sees half a file.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "system/environment.h"
#include "system/file_system.h"
#include "system/posix/posix_files.h"

namespace phpswitch {
namespace {

bool isNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isNameChar(char c) {
  return isNameStart(c) || (c >= '0' && c <= '9');
}
bool isLineBlank(char c) {
  return c == ' ' || c == '\t';
}

bool isValidName(std::string_view name) {
  if (name.empty() || !isNameStart(name[0])) return false;
  for (char c : name) {
    if (!isNameChar(c)) return false;
  }
  return true;
}

struct Assignment {
  std::string name;
  std::string value;
};

// One line without its terminator: KEY=value, KEY="value" or KEY='value',
// optionally after "export ". Comments, blank and other lines give nothing.
std::optional<Assignment> parseLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  while (!line.empty() && isLineBlank(line.front())) line.remove_prefix(1);
  if (line.starts_with("export") && line.size() > 6 && isLineBlank(line[6])) {
    line.remove_prefix(6);
    while (!line.empty() && isLineBlank(line.front())) line.remove_prefix(1);
  }
  const auto equals = line.find('=');
  if (equals == std::string_view::npos || !isValidName(line.substr(0, equals))) return std::nullopt;
  std::string_view value = line.substr(equals + 1);
  while (!value.empty() && isLineBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && isLineBlank(value.back())) value.remove_suffix(1);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return Assignment{std::string(line.substr(0, equals)), std::string(value)};
}

// Characters that every reader of these files (pam_env, systemd, a shell
// that sources them) takes literally outside quotes.
bool isPlainValueChar(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x80 || isNameChar(c)) return true;
  return std::string_view("/:.,-+=@%~").find(c) != std::string_view::npos;
}

// The right-hand side that parseLine reads back as exactly `value`. A value
// with anything beyond the plain characters is quoted: single quotes when it
// holds none itself, else double quotes. The reader strips one pair of
// matching quotes and nothing else, so both forms give the bytes back whole.
// A line break cannot be written on one line: no result. Nor can a value
// with a single quote and a $ or a backquote: inside double quotes a shell
// that sources the file would expand them, and run what they name.
std::optional<std::string> encodeValue(const std::string& value) {
  if (value.find_first_of("\r\n") != std::string::npos) return std::nullopt;
  bool plain = true;
  for (char c : value) plain = plain && isPlainValueChar(c);
  if (plain) return value;
  if (value.find('\'') == std::string::npos) return '\'' + value + '\'';
  if (value.find_first_of("$`") != std::string::npos) return std::nullopt;
  return '"' + value + '"';
}

struct Line {
  std::string_view text;        // without its terminator
  std::string_view terminator;  // "\n", or empty for a last line without one
};

std::vector<Line> splitLines(std::string_view bytes) {
  std::vector<Line> lines;
  while (!bytes.empty()) {
    const auto newline = bytes.find('\n');
    if (newline == std::string_view::npos) {
      lines.push_back({bytes, {}});
      break;
    }
    lines.push_back({bytes.substr(0, newline), bytes.substr(newline, 1)});
    bytes.remove_prefix(newline + 1);
  }
  return lines;
}

// The variables of a file in the order of their first line; a later line of
// the same name gives the value, as for pam_env and systemd.
std::vector<Assignment> variablesOf(std::string_view bytes) {
  std::vector<Assignment> variables;
  for (const Line& line : splitLines(bytes)) {
    auto assignment = parseLine(line.text);
    if (!assignment) continue;
    auto known = std::find_if(variables.begin(), variables.end(),
                              [&](const Assignment& v) { return v.name == assignment->name; });
    if (known == variables.end()) {
      variables.push_back(std::move(*assignment));
    } else {
      known->value = std::move(assignment->value);
    }
  }
  return variables;
}

// `bytes` with `name` set to `line` (or removed when `line` is empty): the
// first line of that name is replaced where it stands, later ones are
// dropped, and every other line is kept byte for byte.
std::string editedBytes(std::string_view bytes, const std::string& name, const std::string& line) {
  std::string out;
  out.reserve(bytes.size() + line.size() + 1);
  bool placed = false;
  for (const Line& current : splitLines(bytes)) {
    const auto assignment = parseLine(current.text);
    if (assignment && assignment->name == name) {
      if (!placed && !line.empty()) {
        out += line;
        out += current.terminator.empty() ? std::string_view() : current.terminator;
      }
      placed = true;
      continue;
    }
    out += current.text;
    out += current.terminator;
  }
  if (!placed && !line.empty()) {
    if (!out.empty() && out.back() != '\n') out += '\n';
    out += line;
    out += '\n';
  }
  return out;
}

Text processVariable(const Text& name) {
  const char* value = std::getenv(name.c_str());
  return value ? Text(value) : Text();
}

Text readProcFile(const char* path) {
  const FileContent content = readWholeFile(path);
  return content.state == FileState::Read ? content.bytes : Text();
}

class PosixEnvironment final : public SystemEnvironment {
 public:
  explicit PosixEnvironment(EnvironmentLocations locations) : locations_(std::move(locations)) {}

  VariableRead readVariableChecked(bool user, const Text& name, bool fallback) override {
    const FileContent file = readWholeFile(location(user));
    // A file that is there but cannot be read must not look like an empty
    // collection: PATH would then be written from the fallback value.
    if (file.state == FileState::Failed) return {};
    for (const Assignment& variable : variablesOf(file.bytes)) {
      if (variable.name == name && !variable.value.empty()) return {variable.value, ReadSource::Collection};
    }
    if (fallback) {
      Text value = processVariable(name);
      if (!value.empty()) return {std::move(value), ReadSource::ProcessEnvironment};
    }
    return {Text(), ReadSource::Collection};
  }

  bool writeVariable(bool user, const Text& name, const Text& value) override {
    const auto encoded = encodeValue(value);
    if (!isValidName(name) || !encoded) return false;
    return storeLine(user, name, name + "=" + *encoded);
  }

  // True when the variable is not in the collection afterwards.
  bool removeVariable(bool user, const Text& name) override {
    const FileContent file = readWholeFile(location(user));
    if (file.state == FileState::Failed) return false;
    for (const Assignment& variable : variablesOf(file.bytes)) {
      if (variable.name == name) return storeLine(user, name, {});
    }
    return true;
  }

  int countVariables(bool user) override {
    const FileContent file = readWholeFile(location(user));
    if (file.state == FileState::Failed) return -1;
    return static_cast<int>(variablesOf(file.bytes).size());
  }

  int listVariables(bool user, TextList& list) override {
    const FileContent file = readWholeFile(location(user));
    if (file.state == FileState::Failed) return -1;
    for (const Assignment& variable : variablesOf(file.bytes)) {
      appendText(list, concatTexts(variable.name, "=", variable.value));
    }
    return listSize(list);
  }

  int commandLineArguments(TextList& list) override {
    list.members().clear();
    const Text bytes = readProcFile("/proc/self/cmdline");
    std::size_t pos = bytes.find('\0');  // past the program's own name
    while (pos != Text::npos && pos + 1 < bytes.size()) {
      const auto end = bytes.find('\0', pos + 1);
      appendText(list, bytes.substr(pos + 1, end == Text::npos ? Text::npos : end - pos - 1));
      pos = end;
    }
    return listSize(list);
  }

  Text currentDirectory() override {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE) return {};
      buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
  }

  Text programPath(bool full) override {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
      const ssize_t size = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
      if (size < 0) return {};
      if (static_cast<std::size_t>(size) < buffer.size()) {
        const Text path(buffer.data(), static_cast<std::size_t>(size));
        return full ? path : path.substr(path.rfind('/') + 1);
      }
      buffer.resize(buffer.size() * 2);
    }
  }

  // The user's login shell stands where COMSPEC does on Windows; commands
  // themselves always run through /bin/sh.
  Text commandInterpreter() override {
    const Text shell = processVariable("SHELL");
    return shell.empty() ? Text("/bin/sh") : shell;
  }

  // Nothing to tell: there is no broadcast for this. pam_env reads the machine
  // file at each login and systemd reads environment.d when the user's
  // manager starts, so new sessions see the change.
  void announceChange() override {}

 private:
  const Text& location(bool user) const { return user ? locations_.userFile : locations_.machineFile; }

  // Writes the file with `name` set to `line` (removed when `line` is empty).
  bool storeLine(bool user, const Text& name, const std::string& line) {
    const std::string& path = location(user);
    if (path.empty()) return false;
    const FileContent file = readWholeFile(path);
    if (file.state == FileState::Failed) return false;
    const std::string folder = folderOf(path);
    if (!isDirectory(folder) && !makeDirectoryPath(folder)) return false;
    // A new file is readable by all, whatever the umask: pam_env and every
    // login read the machine file.
    return replaceFileAtomically(path, editedBytes(file.bytes, name, line), file, 0644);
  }

  EnvironmentLocations locations_;
};

Text homeDirectory() {
  Text home = processVariable("HOME");
  if (!home.empty()) return home;
  const passwd* entry = ::getpwuid(::getuid());
  return entry && entry->pw_dir ? Text(entry->pw_dir) : Text();
}

}  // namespace

std::unique_ptr<SystemEnvironment> makeSystemEnvironment(const EnvironmentLocations& locations) {
  return std::make_unique<PosixEnvironment>(locations);
}

EnvironmentLocations defaultEnvironmentLocations() {
  EnvironmentLocations locations;
  locations.machineFile = "/etc/environment";
  // systemd looks in $XDG_CONFIG_HOME/environment.d, ~/.config by default.
  Text config = processVariable("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') {
    const Text home = homeDirectory();
    if (!home.empty()) config = home + "/.config";
  }
  if (!config.empty()) locations.userFile = config + "/environment.d/50-phpswitch.conf";
  return locations;
}

}  // namespace phpswitch
