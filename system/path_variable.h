// The machine-wide search path as the actions edit it: the variable's name and
// the separator between its entries ("Path" and ";" on Windows, "PATH" and ":" on POSIX).
#pragma once

#include "text/text.h"

namespace phpswitch {

Text pathVariableName();
Text pathListSeparator();

}  // namespace phpswitch
