// Readable failure messages for TextList: members quoted, bytes >= 0x80 as escapes.
#pragma once

#include <ostream>

#include <gtest/gtest.h>

#include "text/text_list.h"

namespace phpswitch {

inline void PrintTo(const TextList& list, std::ostream* out) {
  *out << "{";
  const char* separator = "";
  for (const Text& member : list.members()) {
    *out << separator << testing::PrintToString(member);
    separator = ", ";
  }
  *out << "}";
}

}  // namespace phpswitch
