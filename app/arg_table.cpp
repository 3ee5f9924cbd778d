#include "app/arg_table.hpp"

#include <algorithm>
#include <cstdio>

#include "app/text.hpp"
#include "console/number_reading.hpp"

namespace tessaro {

namespace {

// Lower-case letters drop out, so the short form is exactly what the help highlights.
std::string MakeAbbreviation(std::string_view keyword) {
  std::string kept;
  for (const char byte : keyword) {
    if (byte == ToUpperAscii(byte)) kept += byte;
  }
  return ToUpperAscii(TrimSpaces(kept));
}

std::string CanonicalNumberText(double value) {
  char buffer[64] = {};
  std::snprintf(buffer, sizeof buffer, "%.16g", value);
  std::string text(buffer);
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

}  // namespace

bool IsCanonicalNumber(std::string_view text) {
  return text == CanonicalNumberText(ReadNumber(text));
}

void RegisterArg(ArgTable& table, std::string_view keyword, ArgTarget target,
                 std::string_view template_text, std::string_view description) {
  if (table.entries.empty() || !table.entries.back().keyword.empty()) table.entries.emplace_back();
  // A slot left by an empty keyword is taken again; nothing of the earlier attempt survives.
  ArgDef& entry = table.entries.back();
  entry = ArgDef{};

  const std::string trimmed_keyword = TrimSpaces(keyword);
  const std::string trimmed_template = TrimSpaces(template_text);
  entry.keyword = trimmed_keyword;
  entry.description = std::string(description);
  entry.abbreviation = MakeAbbreviation(trimmed_keyword);

  if (IsCanonicalNumber(trimmed_template)) {
    std::uint32_t* const* word = std::get_if<std::uint32_t*>(&target);
    entry.target = word != nullptr ? *word : nullptr;
    entry.count = RoundToInt(ReadNumber(trimmed_template));
    return;
  }
  if (ArgSetter* setter = std::get_if<ArgSetter>(&target)) entry.setter = std::move(*setter);
  const auto spaces = std::count(trimmed_template.begin(), trimmed_template.end(), ' ');
  entry.count = static_cast<std::int32_t>(spaces) + 1;
  entry.template_ = trimmed_template;
}

void FreeArgTable(ArgTable& table) {
  table.entries.clear();
  table.entries.shrink_to_fit();
}

TemplateWord NextTemplateWord(std::string_view padded_template, std::size_t& pos) {
  if (pos >= padded_template.size()) return {};
  std::size_t space = padded_template.find(' ', pos);
  if (space == std::string_view::npos) space = padded_template.size();
  const std::string word = TrimSpaces(padded_template.substr(pos, space - pos));
  pos = space + 1;

  const std::size_t colon = word.find(':');
  if (colon == std::string::npos) return {ToUpperAscii(word), word};
  return {ToUpperAscii(word.substr(0, colon)), word.substr(colon + 1)};
}

}  // namespace tessaro
