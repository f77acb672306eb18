// TextList: an ordered list of texts with positions from 1, and the list
// operations the actions use (split, join, de-duplicate, membership, sort).
#pragma once

#include <cstdint>
#include <vector>

#include "text/text.h"

namespace phpswitch {

class TextList {
 public:
  TextList() = default;
  TextList(std::initializer_list<Text> members) : members_(members) {}

  std::vector<Text>& members() { return members_; }
  const std::vector<Text>& members() const { return members_; }
  bool operator==(const TextList&) const = default;

 private:
  std::vector<Text> members_;
};

using NumberList = std::vector<std::int32_t>;

// The member at `position` (1 to listSize); an empty text outside that range.
const Text& textAt(const TextList& list, int position);
TextList splitText(std::string_view text, std::string_view delimiter, CharRule rule = nativeCharRule());
Text joinTexts(const TextList& list, std::string_view separator = ",");
void appendText(TextList& list, std::string_view text);
void removeAt(TextList& list, int position);
int dedupeList(TextList& list);
int dedupeList(NumberList& list);
int indexOfText(const TextList& list, std::string_view text);
int listSize(const TextList& list);
bool notInBarList(std::string_view listText, std::string_view name, CharRule rule = nativeCharRule());

void sortTexts(TextList& list, bool descending = false, bool caseSensitive = true,
               CharRule rule = nativeCharRule());
void reverseTexts(TextList& list);

}  // namespace phpswitch
