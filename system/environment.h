// Environment variable accessor: the machine-wide ("system") and per-user
// collections, plus a few facts about the running process.
// Windows: WScript.Shell automation. POSIX: KEY=value files whose locations
// are given at construction, so tests never touch the real ones.
#pragma once

#include <memory>

#include "text/text_list.h"

namespace phpswitch {

enum class ReadSource {
  Collection,          // read from the chosen collection (empty: it has no such
                       // variable, and the process had none to fall back on)
  ProcessEnvironment,  // the collection had none; the process's own value was taken
  Failed,              // the collection could not be read; the value is empty, even
                       // with fallback, so nothing is ever written back from it
};

struct VariableRead {
  Text value;
  ReadSource source = ReadSource::Failed;
};

// POSIX: an empty location is a collection that can be neither read nor written.
struct EnvironmentLocations {
  Text machineFile;  // POSIX: /etc/environment
  Text userFile;     // POSIX: ~/.config/environment.d/50-phpswitch.conf
};

class SystemEnvironment {
 public:
  virtual ~SystemEnvironment() = default;

  // The value, read whole. With `fallback`, an absent or empty value (or a
  // failed read) is taken from the process's own environment instead.
  virtual VariableRead readVariableChecked(bool user, const Text& name, bool fallback = true) = 0;
  Text readVariable(bool user, const Text& name) { return readVariableChecked(user, name).value; }

  virtual bool writeVariable(bool user, const Text& name, const Text& value) = 0;
  virtual bool removeVariable(bool user, const Text& name) = 0;
  virtual int countVariables(bool user) = 0;                    // -1: cannot be read
  virtual int listVariables(bool user, TextList& list) = 0;     // appends "NAME=value"; -1: cannot be read
  virtual int commandLineArguments(TextList& list) = 0;         // replaces the list
  virtual Text currentDirectory() = 0;
  virtual Text programPath(bool full = false) = 0;
  virtual Text commandInterpreter() = 0;

  // Tells running programs that the environment changed (Windows:
  // WM_SETTINGCHANGE "Environment"), so that new command windows see it.
  virtual void announceChange() = 0;
};

std::unique_ptr<SystemEnvironment> makeSystemEnvironment(const EnvironmentLocations& locations = {});
// The real locations of this platform (empty texts on Windows).
EnvironmentLocations defaultEnvironmentLocations();

}  // namespace phpswitch
