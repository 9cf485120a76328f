// Combo-box and radio items that stand for device codes.
//
// A page shows a code read from the device as the text of an item and sends
// the code of the chosen item back. Each such mapping is one table, so page
// operations look codes and texts up instead of branching on them, and the
// rules for codes and texts that match nothing live beside the table.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

struct CodedItem {
  int code;
  std::string_view text;
};

struct CodedItemTable {
  std::span<const CodedItem> items;      // in the control's index order
  int sendFallbackCode;                  // sent for a text or index that is no item
  std::optional<int> readFallbackIndex;  // shown for a code that is no item; none: leave the control as it is
};

// The item texts in index order, to fill a combo box.
std::vector<std::string> itemTexts(const CodedItemTable& table);

// Index of the item whose text equals `text` exactly.
std::optional<int> indexOfText(const CodedItemTable& table, std::string_view text);

// Code to send for a control's text or index; the table's fallback for a text
// or index that is no item.
int codeForText(const CodedItemTable& table, std::string_view text);
int codeForIndex(const CodedItemTable& table, int index);

// Item to show for a code read from the device. Nothing means: leave the
// control as it is.
std::optional<int> indexForCode(const CodedItemTable& table, int code);
std::optional<std::string_view> textForCode(const CodedItemTable& table, int code);

}  // namespace velk
