// The program directory: the folder of the executable, without a trailing
// separator. The settings file and the directory list are based on it.
#pragma once

#include "text/text.h"

namespace phpswitch {

Text programDirectory();
// Makes every later programDirectory() return `folder` (the app's start-up and
// tests that run the app inside a temporary folder); an empty folder goes back
// to the executable's own.
void useProgramDirectory(const Text& folder);

// The parts programDirectory() is made of: this executable's own path, and the
// folder part of such a path: everything before its last separator (C:\x.exe
// gives C:), except that /x gives / on POSIX; empty without any separator.
Text executablePath();
Text folderOfExecutable(const Text& path);

// The separator of the platform's own path literals: "\" or "/".
const char* pathSeparator();

// Changes the process's current directory. True on success.
bool setCurrentDirectory(const Text& folder);

}  // namespace phpswitch
