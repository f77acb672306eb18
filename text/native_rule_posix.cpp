// The character rule of the POSIX build: texts are UTF-8 there.
#include "text/text.h"

namespace phpswitch {

CharRule nativeCharRule() {
  return CharRule::Utf8;
}

}  // namespace phpswitch
