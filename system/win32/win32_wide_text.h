// Texts in the ANSI code page as UTF-16, for the calls that are only wide
// (COM's BSTRs) or that read paths beyond what the ANSI forms take.
#pragma once

#include <windows.h>

#include <string>

#include "text/text.h"

namespace phpswitch {

inline std::wstring widen(const Text& text) {
  if (text.empty()) return {};
  const int size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

}  // namespace phpswitch
