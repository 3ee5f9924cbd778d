#include "tests/support/console_capture.hpp"

#include <algorithm>

namespace tessaro::testing {

ScopedConsoleCapture::ScopedConsoleCapture() { UseTerminal(this); }

ScopedConsoleCapture::ScopedConsoleCapture(int columns, int rows)
    : columns_(columns),
      rows_(rows),
      input_is_console_(true),
      input_ended_(false) {
  UseTerminal(this);
}

ScopedConsoleCapture::~ScopedConsoleCapture() { UseTerminal(nullptr); }

void ScopedConsoleCapture::Write(std::string_view bytes) {
  text_.append(bytes);
  marked_.append(bytes);
  if (!IsConsole()) return;
  for (char byte : bytes) Place(byte);
}

// In the last row a terminal scrolls and the cursor stays.
void ScopedConsoleCapture::NextRow() {
  if (row_ < rows_) ++row_;
}

void ScopedConsoleCapture::Place(char byte) {
  if (byte == '\r') {
    column_ = 1;
    wrap_pending_ = false;
    return;
  }
  if (byte == '\n') {
    NextRow();
    wrap_pending_ = false;
    return;
  }
  if (wrap_pending_) {
    column_ = 1;
    NextRow();
    wrap_pending_ = false;
  }
  if (column_ < columns_) {
    ++column_;
  } else {
    wrap_pending_ = true;
  }
}

void ScopedConsoleCapture::SetAttribute(int attribute) {
  marked_ += "<c" + std::to_string(attribute) + ">";
}

void ScopedConsoleCapture::MoveCursor(int row, int column) {
  row_ = row > 0 ? row : row_;
  column_ = column > 0 ? column : column_;
  wrap_pending_ = false;
  marked_ += "<@" + std::to_string(row_) + "," + std::to_string(column_) + ">";
}

bool ScopedConsoleCapture::QueryCursor(int& row, int& column, std::string& typed) {
  if (!IsConsole() || !input_is_console_) return false;
  // Whatever was typed before the question reaches the program ahead of the answer.
  for (const Burst& burst : input_) typed += burst.bytes;
  input_.clear();
  row = row_;
  column = column_;
  return true;
}

void ScopedConsoleCapture::TypeKeys(std::string_view bytes) {
  if (!input_is_console_) {
    input_.clear();
    input_is_console_ = true;
  }
  input_ended_ = false;
  if (!bytes.empty()) input_.push_back({std::string(bytes), false});
}

void ScopedConsoleCapture::TypeKeysAfterPause(std::string_view bytes) {
  TypeKeys({});
  if (!bytes.empty()) input_.push_back({std::string(bytes), true});
}

std::size_t ScopedConsoleCapture::ReadInput(std::span<char> into, int timeout_ms, bool& ended) {
  if (input_.empty()) {
    // A piped input ends after its bytes; a keyboard that nobody will type on again ends when
    // the layer would wait for it for ever.
    if (!input_ended_ && timeout_ms < 0) ++stalled_waits_;
    if (input_ended_ || timeout_ms < 0) ended = true;
    return 0;
  }
  Burst& burst = input_.front();
  if (burst.after_pause && timeout_ms == 0) return 0;
  burst.after_pause = false;
  const std::size_t count = std::min(into.size(), burst.bytes.size());
  std::copy_n(burst.bytes.begin(), count, into.begin());
  burst.bytes.erase(0, count);
  if (burst.bytes.empty()) input_.pop_front();
  return count;
}

void ScopedConsoleCapture::Interrupt() { marked_ += "<^C>"; }

}  // namespace tessaro::testing
