// Whether a map's file held exactly its records: a file cut short is read with zeros in place of
// what it lacks, and bytes after the last record are not carried over. The program, the browser
// page and the checker each say so in their own words, from the same facts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "map/map.hpp"
#include "map/map_format.hpp"
#include "map/record_layout.hpp"

namespace tessaro {

// Records (or, with `count` set, the count in front of them) that the file lacked.
struct ZeroedRecords {
  RecordKind kind;
  bool count;
  std::int32_t first;
  std::int32_t last;
};

struct FileFit {
  std::int64_t missing = 0;  // bytes the file lacks of its records
  std::vector<ZeroedRecords> zeroed;
  std::int64_t extra = 0;  // bytes after the last record
  bool extra_zero = true;  // and every one of them zero: real version 5 files end with two
};

// A map as read from a file of `source`'s length; nothing for a map the format cannot write.
FileFit FitOf(const MapFile& map, const SourceExtent& source);

// Whether a user loses anything by it: a cut, or bytes after the records that are not all zero.
bool LosesBytes(const FileFit& fit);

// "sprites 63 to 294", "wall 7", "the number of sprites", joined by ", "; with `commas`, numbers
// have thousands separators.
std::string ZeroedText(const FileFit& fit, bool commas);

// The console's lines, indented, plain numbers: "   File ends 10194 bytes early: sprites 63 to 294
// read as zeros", "   7 bytes after the last record not carried over". Nothing when nothing is lost.
std::vector<std::string> FitLines(const FileFit& fit);

// The page's sentences: "The file ends 10,194 bytes early: its last records were read as zeros.",
// "Read as zeros: sprites 207 to 294.", "2 bytes after the last record are not carried over.".
std::vector<std::string> ExtentNotes(const FileFit& fit);

// 1234567 as "1,234,567".
std::string WithCommas(std::int64_t number);

}  // namespace tessaro
