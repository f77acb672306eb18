// How a command's output fits the one-line status-bar panel.
#pragma once

#include "text/text.h"

namespace phpswitch {

// The output's lines joined with " | ": CR LF, LF and a lone CR all end a
// line, and lines that hold nothing but blanks or tabs are left out, so the
// trailing line break of a one-line answer leaves no trace.
Text singleLineText(const Text& output);

}  // namespace phpswitch
