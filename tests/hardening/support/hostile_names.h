// Folder names that a shell or cmd would act on if a path reached it
// unquoted: blanks, redirections, separators, substitutions, line breaks,
// leading dashes and non-ASCII text. Every payload tries to create a file
// named kCanary, so an injection leaves a trace. Shared by the POSIX flows
// and the Windows command-line builder.
#pragma once

namespace phpswitch::testing {

inline constexpr char kCanary[] = "INJECTED";

struct HostileName {
  const char* label;
  const char* text;  // one folder name, without a separator
};

inline constexpr HostileName kHostileNames[] = {
    {"blank inside", "two words"},
    {"leading blank", " leading"},
    {"trailing blank", "trailing "},
    {"blanks only", "   "},
    {"ampersand", "a & touch INJECTED & b"},
    {"pipe", "a | touch INJECTED"},
    {"redirect out", "a > INJECTED"},
    {"redirect in", "a < INJECTED"},
    {"caret", "a ^& touch INJECTED"},
    {"percent", "a %PATH% 100%"},
    {"bang", "a !PATH! b!"},
    {"semicolon", "a; touch INJECTED;"},
    {"single quote", "it's'; touch INJECTED; '"},
    {"double quote", "say \"hi\"; touch INJECTED; \""},
    {"backquote", "a `touch INJECTED` b"},
    {"command substitution", "a $(touch INJECTED) b"},
    {"both quotes and substitution", "x'$(touch INJECTED)'\"$(touch INJECTED)\""},
    {"variables", "${HOME} $PATH $1"},
    {"line break", "line\ntouch INJECTED"},
    {"carriage return and line break", "line\r\ntouch INJECTED"},
    {"tab", "tab\there"},
    {"leading dash", "-rf"},
    {"leading double dash", "--help"},
    {"lone dash", "-"},
    {"parentheses", "php (x86) & (touch INJECTED)"},
    {"globs", "* ? [a]"},
    {"hash", "#comment"},
    {"tilde", "~root"},
    {"equals and comma", "a=b,c"},
    {"Chinese", "中文 目录"},
    {"full-width blanks", "　全角　"},
    {"second byte like a backslash", "表乗"},
};

}  // namespace phpswitch::testing
