#include "app/arg_parser.hpp"

#include "app/help.hpp"
#include "app/text.hpp"
#include "console/console.hpp"
#include "console/number_reading.hpp"

namespace tessaro {

namespace {

std::string WordAt(const std::vector<std::string>& words, std::size_t index) {
  return index < words.size() ? words[index] : std::string();
}

// Completes or checks one value; on failure, requirement tells what the value must be.
bool ApplyType(const std::string& type, std::string& value, std::string& requirement) {
  if (type == "MAP") {
    if (!EndsWithIgnoringCase(value, ".map")) value += ".map";
    return true;
  }
  // -Out's value may name a folder, so its setter decides what to complete.
  if (type == "OUT") return true;
  if (type == "FIL") {
    if (!EndsWithIgnoringCase(value, ".txt")) value += ".txt";
    return true;
  }
  if (type == "VER") {
    const double version = ReadNumber(value);
    requirement = "a value between 3 and 7";
    return version > 2.0 && version < 8.0;
  }
  requirement.clear();
  return false;
}

// A flag entry that has no word to set would do nothing, so it does not match either.
// Gives the index of the first match, or the table's size.
std::size_t FindEntry(const ArgTable& table, const std::string& word) {
  const std::string wanted = ToLowerAscii(TrimSpaces(word));
  for (std::size_t index = 0; index < table.entries.size(); ++index) {
    const ArgDef& entry = table.entries[index];
    if (!entry.IsParameter() && entry.target == nullptr) continue;
    if (wanted == ToLowerAscii(entry.keyword) || wanted == ToLowerAscii(entry.abbreviation)) {
      return index;
    }
  }
  return table.entries.size();
}

}  // namespace

CheckedValues CheckArgValues(std::string_view keyword, const std::vector<std::string>& values,
                             std::string_view template_text, RunState& state) {
  std::string padded(template_text);
  if (padded.empty() || padded.back() != ' ') padded += ' ';

  CheckedValues result;
  std::size_t pos = 0;
  for (const std::string& given : values) {
    const TemplateWord word = NextTemplateWord(padded, pos);
    std::string value = given;
    std::string requirement;
    if (!ApplyType(word.type, value, requirement)) {
      PrintText(std::string(keyword) + ": <" + word.label + "> must be " + requirement, true);
      result.ok = false;
      state.RunError = 1;
    }
    result.values.push_back(std::move(value));
  }
  return result;
}

std::int32_t ParseCommandLine(const std::vector<std::string>& words, ArgTable& table,
                              RunState& state) {
  std::size_t i = 1;
  std::int32_t result = 0;
  bool options_header_shown = false;

  if (!WordAt(words, 1).empty()) PrintText(":: Parsing command line parameters", true);

  while (!WordAt(words, i).empty()) {
    const std::string word = WordAt(words, i);
    const std::size_t found = FindEntry(table, word);
    if (found == table.entries.size()) {
      const char* what = word[0] == '-' ? "   Argument unknown: " : "   Lonely parameter: ";
      PrintText(what + ("\"" + word + "\""), true);
      result = 1;
      i = 0;
      break;
    }
    ArgDef& entry = table.entries[found];

    if (entry.IsParameter()) {
      std::vector<std::string> values;
      bool missing = false;
      for (std::int32_t k = 0; k < entry.count; ++k) {
        ++i;
        // Taken as it is, even when it starts with "-": "-In -Out" names a file "-Out".
        values.push_back(WordAt(words, i));
        if (values.back().empty()) {
          missing = true;
          break;
        }
      }
      if (missing) {
        PrintText("   Missing parameters: ", false);
        PrintArgUsage(entry);
        result = 1;
        break;
      }
      CheckedValues checked = CheckArgValues(entry.keyword, values, entry.template_, state);
      if (!checked.ok) break;
      entry.setter(checked.values);
    } else if (entry.applied == 0) {
      *entry.target |= static_cast<std::uint32_t>(entry.count);
      entry.applied = 1;
      if (!options_header_shown) {
        PrintText(":: OPTIONS", true);
        options_header_shown = true;
      }
      PrintText("   " + entry.description, true);
    }
    ++i;
  }

  if (i == 1) {
    PrintHelp(table, state);
    result = 1;
  }
  return result;
}

}  // namespace tessaro
