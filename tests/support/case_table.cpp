#include "tests/support/case_table.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace tessaro::testing {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Cell(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  text = first == std::string_view::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (text == "''") return "";
  std::string cell;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] != '\\' || std::string_view("trnx").find(next) == std::string_view::npos) {
      cell += text[i];
    } else if (next == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
      cell += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
    } else if (next != 'x') {
      cell += next == 't' ? '\t' : next == 'r' ? '\r' : '\n';
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
