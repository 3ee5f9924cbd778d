// The option definitions. One table drives both the command-line parser and the help screen,
// so an option is described once, where it is registered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tessaro {

// Receives the values after the keyword, already checked and completed by their types.
using ArgSetter = std::function<void(const std::vector<std::string>& values)>;

// A parameter option gets a setter; a flag option gets the word its number is ORed into.
using ArgTarget = std::variant<ArgSetter, std::uint32_t*>;

struct ArgDef {
  std::string keyword;       // as registered, trimmed: "-SwapTiles"; empty when absent
  std::string abbreviation;  // the keyword's capitals and non-letters: "-ST"
  std::string template_;     // value pattern such as "MAP:File" ("template" is a C++ keyword)
  std::string description;
  std::uint32_t* target = nullptr;  // flag options only
  ArgSetter setter;                 // parameter options only
  std::int32_t count = 0;           // parameter: number of values; flag: the bits to set
  std::uint8_t applied = 0;         // flag options: already applied in this run

  bool IsParameter() const { return static_cast<bool>(setter); }
};

struct ArgTable {
  // Starts with one empty entry, which the first registration fills.
  std::vector<ArgDef> entries = std::vector<ArgDef>(1);
};

// The template decides the kind: one that is a number in its own canonical form ("1") makes a
// flag option with that number; anything else a parameter option with one value per word.
// A target of the other kind is ignored, which leaves an entry the parser passes over.
void RegisterArg(ArgTable& table, std::string_view keyword, ArgTarget target,
                 std::string_view template_text, std::string_view description);

// True when the text is what "%.16g" prints for its own value: "1" is, "01" and "1.0" are not.
bool IsCanonicalNumber(std::string_view text);

void FreeArgTable(ArgTable& table);

// Template words are TYPE ":" Label, separated by single spaces.
struct TemplateWord {
  std::string type;   // upper case; the whole word when it has no ":"
  std::string label;  // after the first ":"; the whole word when it has none
};

// Reads the word at pos of a template that ends with a space and moves pos past that space.
// Past the last word it gives an empty word instead of failing.
TemplateWord NextTemplateWord(std::string_view padded_template, std::size_t& pos);

}  // namespace tessaro
