#include "app/overwrite.hpp"

#include <algorithm>
#include <vector>

#include "app/text.hpp"
#include "console/console.hpp"
#include "platform/file_system.hpp"

namespace tessaro {

namespace {

constexpr std::int32_t kYes = 1;
constexpr std::int32_t kAlways = 3;

// Each choice's key is its first character in lower case; an empty choice has an empty key.
std::vector<std::string> ChoiceKeys(std::string_view choices) {
  std::vector<std::string> keys;
  std::size_t start = 0;
  while (start < choices.size()) {
    const std::size_t end = std::min(choices.find('/', start), choices.size());
    keys.push_back(ToLowerAscii(choices.substr(start, end > start ? 1 : 0)));
    start = end + 1;
  }
  return keys;
}

// Blocks until a key matches or input ends; keys that match nothing have no effect at all.
std::int32_t WaitForChoice(const std::vector<std::string>& keys) {
  for (;;) {
    const std::string key = ToLowerAscii(ReadKey());
    if (key.empty()) {
      if (KeyInputEnded()) return 0;
      WaitKey();
      continue;
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (!keys[i].empty() && key == keys[i]) return static_cast<std::int32_t>(i + 1);
    }
  }
}

}  // namespace

std::int32_t AskChoice(std::string_view question, std::string_view choices) {
  std::string list(choices);
  if (list.empty() || list.back() != '/') list += '/';
  const std::vector<std::string> keys = ChoiceKeys(list);

  const std::int32_t column = CursorColumn();
  const std::int32_t row = CursorRow();
  const std::string_view shown = std::string_view(list).substr(0, list.size() - 1);
  PrintText(std::string(question) + "? [" + std::string(shown) + "]", false);
  const std::int32_t answer = WaitForChoice(keys);

  // The prompt leaves no trace: what comes next starts where it stood.
  MoveCursor(row, column);
  PrintText(Spaces(static_cast<std::int32_t>(question.size() + list.size() + 4)), false);
  MoveCursor(row, column);
  return answer;
}

std::int32_t ConfirmOverwrite(const std::string& name, std::uint32_t& option_flags, std::uint32_t always_bit) {
  std::string found;
  if (FindFile(name, kAttrReadOnly, found) != FileStatus::Ok) return 1;
  if ((option_flags & always_bit) != 0) return 1;
  const std::int32_t answer = AskChoice("\"" + name + "\" already exists, replace", "Yes/No/Always");
  if (answer == kAlways) option_flags |= always_bit;
  return answer == kYes || answer == kAlways ? 1 : 0;
}

}  // namespace tessaro
