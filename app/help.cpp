#include "app/help.hpp"

#include <algorithm>
#include <string>

#include "app/text.hpp"
#include "console/console.hpp"

namespace tessaro {

namespace {

// The highlighted characters are exactly those the abbreviation is made of.
void PrintKeyword(const ArgDef& entry) {
  for (const char byte : entry.keyword) {
    SetTextColor(byte == ToUpperAscii(byte) ? kEmphasisColor : kPlainColor);
    PrintText(std::string_view(&byte, 1), false);
  }
}

void PrintValues(const ArgDef& entry) {
  SetTextColor(kDimColor);
  const std::string padded = entry.template_ + " ";
  std::size_t pos = 0;
  for (std::int32_t k = 0; k < entry.count; ++k) {
    PrintText(" <" + NextTemplateWord(padded, pos).label + ">", false);
  }
}

std::int32_t OptionWidth(const ArgDef& entry) {
  const auto keyword = static_cast<std::int32_t>(entry.keyword.size());
  if (!entry.IsParameter()) return keyword;
  // Each value shows as " <Label>": the type and its ":" give way to the space and brackets.
  return static_cast<std::int32_t>(entry.template_.size()) + 1 - entry.count + keyword;
}

}  // namespace

std::int32_t DescriptionColumn(const ArgTable& table) {
  std::int32_t widest = 0;
  for (const ArgDef& entry : table.entries) widest = std::max(widest, OptionWidth(entry));
  return widest + 4;
}

void PrintHelp(const ArgTable& table, const RunState& state, bool wait) {
  PrintText("Syntax: " + ToUpperAscii(state.ExeName) + " [Commands]", true);
  const std::int32_t column = DescriptionColumn(table);
  for (const ArgDef& entry : table.entries) {
    if (entry.keyword.empty()) continue;
    PrintText("   ", false);
    PrintKeyword(entry);
    if (entry.IsParameter()) PrintValues(entry);
    SetTextColor(kEmphasisColor);
    TabTo(column);
    PrintText(entry.description, true);
  }
  SetTextColor(kPlainColor);
  if (!state.ReadmeLine.empty()) {
    PrintText("", true);
    PrintText(state.ReadmeLine, true);
  }
  if (wait) WaitKey();
}

void PrintArgUsage(const ArgDef& entry) {
  SetTextColor(kPlainColor);
  PrintText("\"", false);
  PrintKeyword(entry);
  if (entry.IsParameter()) PrintValues(entry);
  SetTextColor(kPlainColor);
  PrintText("\"", true);
}

}  // namespace tessaro
