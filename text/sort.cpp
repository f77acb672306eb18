// Sorting by insertion into an always ordered list, with the placement of equal
// members that callers can see when case is ignored. The insertion works on
// member indices and the texts are moved once at the end, so the quadratic part
// of insertion sort shifts small integers rather than strings.
#include <algorithm>
#include <cstdint>

#include "text/text_list.h"

namespace phpswitch {

void sortTexts(TextList& list, bool descending, bool caseSensitive, CharRule rule) {
  std::vector<Text> work = std::move(list.members());
  list.members().clear();

  std::vector<Text> upperKeys;
  if (!caseSensitive) {
    upperKeys.reserve(work.size());
    for (const Text& member : work) upperKeys.push_back(toUpperCase(member, rule));
  }
  const std::vector<Text>& keys = caseSensitive ? work : upperKeys;

  // order[k] is the index in `work` of the member at position k + 1.
  std::vector<std::uint32_t> order;
  order.reserve(work.size());
  auto compareAt = [&](std::uint32_t x, std::size_t position) {
    return compareText(keys[x], keys[order[position - 1]], rule);
  };
  auto insertAt = [&](std::uint32_t x, std::size_t position) {
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(position - 1), x);
  };

  for (std::uint32_t x = 0; x < work.size(); ++x) {
    const std::size_t n = order.size();
    if (n == 0 || compareAt(x, n) >= 0) {
      order.push_back(x);
      continue;
    }
    if (compareAt(x, 1) <= 0) {
      insertAt(x, 1);
      continue;
    }
    std::size_t low = 1;
    std::size_t high = n;
    std::size_t middle = (low + high) / 2;
    while (high - low > 1) {
      // A byte-identical member ends the search: x goes directly in front of it.
      if (compareBytes(work[x], work[order[middle - 1]]) == 0) break;
      if (compareAt(x, middle) < 0) {
        high = middle;
      } else {
        low = middle;
      }
      middle = (low + high) / 2;
    }
    insertAt(x, compareAt(x, middle) > 0 ? middle + 1 : middle);
  }

  std::vector<Text>& sorted = list.members();
  sorted.reserve(work.size());
  for (std::uint32_t index : order) sorted.push_back(std::move(work[index]));
  if (descending) reverseTexts(list);
}

void reverseTexts(TextList& list) {
  auto& members = list.members();
  const std::size_t n = members.size();
  for (std::size_t i = 0; i < n / 2; ++i) std::swap(members[i], members[n - 1 - i]);
}

}  // namespace phpswitch
