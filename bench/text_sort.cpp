// Times sortTexts on lists of random folder-like names: 10,000 and 20,000 members,
// in random, ascending and descending input order, case-sensitive and not.
// Insertion moves are quadratic, so doubling n should cost about four times as much.
#include <chrono>
#include <cstdio>
#include <random>

#include "text/text_list.h"

namespace {

using phpswitch::Text;
using phpswitch::TextList;

TextList randomNames(int count, std::mt19937& random) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_";
  TextList list;
  list.members().reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    Text name = "php-";
    for (auto length = 4 + random() % 24; length > 0; --length)
      name += kLetters[random() % (sizeof kLetters - 1)];
    list.members().push_back(std::move(name));
  }
  return list;
}

double secondsToSort(TextList list, bool caseSensitive) {
  const auto start = std::chrono::steady_clock::now();
  phpswitch::sortTexts(list, false, caseSensitive);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  std::mt19937 random(7);
  std::printf("%-8s %-12s %-16s %10s\n", "members", "input", "case", "seconds");
  for (int count : {10000, 20000}) {
    const TextList shuffled = randomNames(count, random);
    TextList ascending = shuffled;
    phpswitch::sortTexts(ascending);
    TextList descending = ascending;
    phpswitch::reverseTexts(descending);
    const struct {
      const char* name;
      const TextList* list;
    } inputs[] = {{"random", &shuffled}, {"ascending", &ascending}, {"descending", &descending}};
    for (const auto& input : inputs) {
      for (bool caseSensitive : {true, false}) {
        std::printf("%-8d %-12s %-16s %10.4f\n", count, input.name,
                    caseSensitive ? "sensitive" : "insensitive", secondsToSort(*input.list, caseSensitive));
      }
    }
  }
  return 0;
}
