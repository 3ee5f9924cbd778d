// Tables of cases kept as text beside the tests: one case a line, read by the test that runs them.
#pragma once

#include <string>
#include <vector>

namespace tessaro::testing {

// A line "given | given => expected | expected": cells divided by " | ", the given ones from the
// expected ones by " => ", spaces around each cell dropped; '' is an empty cell. In a cell \t, \r
// and \n are control characters and \xHH any byte (\x20 a space that a cell begins or ends with);
// another backslash stands for itself.
struct CaseRow {
  std::string where;  // file and line, for the failure message
  std::vector<std::string> given;
  std::vector<std::string> expected;
};

// The rows of a table under tests/, skipping blank lines and lines that begin with "#".
std::vector<CaseRow> ReadCases(const std::string& table);

}  // namespace tessaro::testing
