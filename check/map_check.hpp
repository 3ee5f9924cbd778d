// Whether a map is sound and whether the games of its version load it: the problems of one map as
// data, found in the core (no files, no console), and the sentences, lines and JSON made of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/check_rules.hpp"
#include "map/file_fit.hpp"
#include "map/map.hpp"

namespace tessaro {

inline constexpr std::int32_t kNoIndex = -1;

// One problem: its code, the number of its record (the version for limit-*, kNoIndex for the file
// and the start), and the numbers its sentence needs, as ProblemText reads them per code (the
// file's byte counts are its FileFit's).
struct Problem {
  CheckCode code;
  std::int32_t index;
  std::array<std::int32_t, 4> values;
};

using Problems = std::vector<Problem>;

struct MapCheck {
  std::int32_t version = 0;
  std::int32_t sectors = 0;
  std::int32_t walls = 0;
  std::int32_t sprites = 0;
  FileFit fit;
  Problems problems;  // in the order of the rules, each code's by index; as many of each as were kept
  std::array<std::int32_t, kCheckCodes> counts{};  // of each code, kept or not

  std::int32_t Count(Severity severity) const;
};

// Every problem of the map as read from a file that fit it as `fit` says, with the limits of the
// map's own version and of `target` (0 for none): at most `keep` of each code are kept (a
// person reads no more than kLinesPerCode), all of them counted. Linear in the records, but for the
// test of whether sprites and the start lie inside their sectors (the walls of one sector each).
MapCheck CheckMap(const MapFile& map, const FileFit& fit, std::int32_t target, std::size_t keep = SIZE_MAX);

// The limit-* problems of a map of these counts at `version`: what a conversion's notes say.
std::vector<Problem> LimitProblems(std::int32_t version, std::int32_t sectors, std::int32_t walls,
                                   std::int32_t sprites);

// What a conversion says when its output holds more records than the games of `version` take:
// "   Note: 8191 walls; games that load version 5 maps take at most 4096".
std::vector<std::string> LimitNotes(const MapFile& map, std::int32_t version);

// "wall 1204 links to wall 9000, but the map has 8191 walls"; with `commas`, numbers have
// thousands separators. The file's problems name what FileFit says it lacked.
std::string ProblemText(const Problem& problem, const FileFit& fit, bool commas);

// "Error: " + the sentence, at most `kLinesPerCode` for each code, each code's others then told as
// "... and 345 more like this".
inline constexpr std::size_t kLinesPerCode = 10;
struct CheckLine {
  CheckCode code;
  std::string text;
};
std::vector<CheckLine> CheckLines(const MapCheck& check, bool commas);

// "Sound", "Sound, 2 notes" or "1 error, 3 warnings, 2 notes".
std::string Verdict(const MapCheck& check, bool commas);

// One line of JSON: the map's file, version, counts and every problem kept (all, for a whole report).
std::string CheckJson(std::string_view file, const MapCheck& check);
// One line of JSON for a map that could not be read: its file and the message.
std::string UnreadableJson(std::string_view file, std::string_view message);

// A JSON string of any bytes: UTF-8 as it is, control bytes escaped, any byte that is no part of
// UTF-8 taken as the Latin-1 character of that number.
std::string JsonString(std::string_view text);

}  // namespace tessaro
