#include "model/coded_items.h"

namespace velk {

std::vector<std::string> itemTexts(const CodedItemTable& table) {
  std::vector<std::string> texts;
  texts.reserve(table.items.size());
  for (const auto& item : table.items) texts.emplace_back(item.text);
  return texts;
}

std::optional<int> indexOfText(const CodedItemTable& table, std::string_view text) {
  for (std::size_t i = 0; i < table.items.size(); ++i) {
    if (table.items[i].text == text) return static_cast<int>(i);
  }
  return std::nullopt;
}

int codeForText(const CodedItemTable& table, std::string_view text) {
  return codeForIndex(table, indexOfText(table, text).value_or(-1));
}

int codeForIndex(const CodedItemTable& table, int index) {
  if (index < 0 || index >= static_cast<int>(table.items.size())) return table.sendFallbackCode;
  return table.items[static_cast<std::size_t>(index)].code;
}

std::optional<int> indexForCode(const CodedItemTable& table, int code) {
  for (std::size_t i = 0; i < table.items.size(); ++i) {
    if (table.items[i].code == code) return static_cast<int>(i);
  }
  return table.readFallbackIndex;
}

std::optional<std::string_view> textForCode(const CodedItemTable& table, int code) {
  auto index = indexForCode(table, code);
  if (!index || *index < 0 || *index >= static_cast<int>(table.items.size())) return std::nullopt;
  return table.items[static_cast<std::size_t>(*index)].text;
}

}  // namespace velk
