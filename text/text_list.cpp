// List operations on TextList and number lists. Member equality is byte-exact
// everywhere; splitting walks characters, so a delimiter byte that is the second
// half of a double-byte character never cuts.
#include "text/text_list.h"

#include <unordered_set>

namespace phpswitch {
namespace {

// Keeps the first occurrence of every member in its place; returns the new size.
template <typename Member, typename Key>
int keepFirstOccurrences(std::vector<Member>& members) {
  std::unordered_set<Key> seen;
  std::vector<Member> kept;
  kept.reserve(members.size());
  // The keys view the old members, which stay in place until the swap below.
  for (auto& member : members) {
    if (seen.insert(Key(member)).second) kept.push_back(member);
  }
  members.swap(kept);
  return static_cast<int>(members.size());
}

}  // namespace

const Text& textAt(const TextList& list, int position) {
  static const Text kNone;
  if (position < 1 || position > listSize(list)) return kNone;
  return list.members()[static_cast<std::size_t>(position - 1)];
}

TextList splitText(std::string_view text, std::string_view delimiter, CharRule rule) {
  TextList list;
  if (text.empty()) return list;
  if (delimiter.empty()) {
    appendText(list, text);
    return list;
  }
  std::size_t pieceStart = 0;
  std::size_t pos = 0;
  while (text.size() - pos >= delimiter.size()) {
    if (text.compare(pos, delimiter.size(), delimiter) == 0) {
      appendText(list, text.substr(pieceStart, pos - pieceStart));
      pos += delimiter.size();
      pieceStart = pos;
      continue;
    }
    const std::size_t size = charSize(text, pos, rule);
    if (size == 0) break;
    pos += size;
  }
  if (pieceStart < text.size()) appendText(list, text.substr(pieceStart));
  return list;
}

Text joinTexts(const TextList& list, std::string_view separator) {
  Text out;
  bool first = true;
  for (const Text& member : list.members()) {
    if (!first) out.append(separator);
    out.append(member);
    first = false;
  }
  return out;
}

void appendText(TextList& list, std::string_view text) {
  list.members().emplace_back(text);
}

void removeAt(TextList& list, int position) {
  if (position < 1 || position > listSize(list)) return;
  list.members().erase(list.members().begin() + (position - 1));
}

int dedupeList(TextList& list) {
  return keepFirstOccurrences<Text, std::string_view>(list.members());
}

int dedupeList(NumberList& list) {
  return keepFirstOccurrences<std::int32_t, std::int32_t>(list);
}

int indexOfText(const TextList& list, std::string_view text) {
  const auto& members = list.members();
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (compareBytes(members[i], text) == 0) return static_cast<int>(i) + 1;
  }
  return -1;
}

int listSize(const TextList& list) {
  return static_cast<int>(list.members().size());
}

bool notInBarList(std::string_view listText, std::string_view name, CharRule rule) {
  const TextList members = splitText(listText, "|", rule);
  for (const Text& member : members.members()) {
    if (compareText(name, member, rule) == 0) return false;
  }
  return true;
}

}  // namespace phpswitch
