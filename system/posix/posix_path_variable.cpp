// POSIX search path: PATH, entries separated by ":".
#include "system/path_variable.h"

namespace phpswitch {

Text pathVariableName() { return "PATH"; }
Text pathListSeparator() { return ":"; }

}  // namespace phpswitch
