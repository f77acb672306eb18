// The character rule of the Windows builds: texts are in the ANSI code page,
// and the tool is made for code page 936.
#include "text/text.h"

namespace phpswitch {

CharRule nativeCharRule() {
  return CharRule::Cp936;
}

}  // namespace phpswitch
