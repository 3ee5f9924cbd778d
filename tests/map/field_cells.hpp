// Records set or compared field by field, as the case tables write them: "wall3.nextwall=-1",
// "sprite*.cstat=129" (every sprite), "sector@30=9" (byte 30 of the sectors' array).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "map/records.hpp"

namespace tessaro::testing {

inline Field FieldNamed(std::string_view name) {
  for (int f = 0; FieldName(static_cast<Field>(f)) != "?"; ++f) {
    if (FieldName(static_cast<Field>(f)) == name) return static_cast<Field>(f);
  }
  ADD_FAILURE() << "no field " << name;
  return Field::spare;
}

// Sets, or with `check` compares, each "kind[index|*].field=value" or "kind@byte=value" of a cell.
inline void Apply(MapFile& map, const std::string& cell, bool check, const std::string& where) {
  std::istringstream words(cell);
  for (std::string word; words >> word;) {
    const std::size_t at = word.find_first_of("0123456789*.@"), dot = word.find('.'), equals = word.find('=');
    const RecordKind kind = word.starts_with("sector") ? RecordKind::Sector
                            : word.starts_with("wall") ? RecordKind::Wall
                                                       : RecordKind::Sprite;
    const auto value = static_cast<std::int32_t>(std::strtol(word.c_str() + equals + 1, nullptr, 0));
    if (word[at] == '@') {
      std::uint8_t& byte = RecordBytes(map, kind).at(std::stoul(word.substr(at + 1)));
      EXPECT_TRUE(!check || byte == value) << where << ": " << word << ", not " << int{byte};
      if (!check) byte = static_cast<std::uint8_t>(value);
      continue;
    }
    const Field field = FieldNamed(word.substr(dot + 1, equals - dot - 1));
    const std::string index = word.substr(at, dot - at);
    const std::int32_t first = index == "*" || index.empty() ? 0 : std::stoi(index);
    for (std::int32_t i = first; i <= (index == "*" ? RecordCount(map, kind) - 1 : first); ++i) {
      const std::int32_t was = GetField(map, kind, i, field);
      EXPECT_TRUE(!check || was == value) << where << ": " << word << " of record " << i << ", not " << was;
      if (!check) SetField(map, kind, i, field, value);
    }
  }
}

}  // namespace tessaro::testing
