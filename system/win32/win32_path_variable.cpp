// Windows search path: Path, entries separated by ";".
#include "system/path_variable.h"

namespace phpswitch {

Text pathVariableName() { return "Path"; }
Text pathListSeparator() { return ";"; }

}  // namespace phpswitch
