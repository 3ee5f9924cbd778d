#include "tests/support/case_table.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>

namespace tessaro::testing {

namespace {

std::string Cell(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  text = first == std::string_view::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (text == "''") return "";
  std::string cell;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::string_view rest = text.substr(i);
    auto hex = [&](std::size_t at) { return std::isxdigit(static_cast<unsigned char>(rest[at])) != 0; };
    if (rest.size() >= 4 && rest.starts_with("\\x") && hex(2) && hex(3)) {
      cell += static_cast<char>(std::stoi(std::string(rest.substr(2, 2)), nullptr, 16));
      i += 3;
    } else if (rest.size() >= 2 && rest[0] == '\\' && std::string_view("trn").find(rest[1]) != std::string_view::npos) {
      cell += rest[1] == 't' ? '\t' : rest[1] == 'r' ? '\r' : '\n';
      ++i;
    } else {
      cell += text[i];
    }
  }
  return cell;
}

std::vector<std::string> Cells(std::string_view text) {
  std::vector<std::string> cells;
  for (std::size_t bar; (bar = text.find(" | ")) != std::string_view::npos; text.remove_prefix(bar + 3)) {
    cells.push_back(Cell(text.substr(0, bar)));
  }
  cells.push_back(Cell(text));
  return cells;
}

}  // namespace

std::vector<CaseRow> ReadCases(const std::string& table) {
  std::ifstream in(std::string(TESSARO_SOURCE_DIR) + "/tests/" + table, std::ios::binary);
  if (!in) ADD_FAILURE() << "no table " << table;
  std::vector<CaseRow> rows;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    const std::size_t arrow = line.find(" => ");
    const std::string_view text(line);
    CaseRow row{table + ":" + std::to_string(number), Cells(text.substr(0, arrow)), {}};
    if (arrow != std::string::npos) row.expected = Cells(text.substr(arrow + 4));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace tessaro::testing
