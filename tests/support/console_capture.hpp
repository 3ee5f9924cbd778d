// Routes the console layer into memory for the lifetime of the object.
#pragma once

#include <string>

#include "console/terminal.hpp"

namespace tessaro::testing {

class ScopedConsoleCapture final : public Terminal {
 public:
  // Output as if redirected to a file: not a console, no width.
  ScopedConsoleCapture();
  // Output as if on a console of the given size.
  ScopedConsoleCapture(int columns, int rows);
  ~ScopedConsoleCapture() override;
  ScopedConsoleCapture(const ScopedConsoleCapture&) = delete;
  ScopedConsoleCapture& operator=(const ScopedConsoleCapture&) = delete;

  // The bytes written, without colours.
  const std::string& Text() const { return text_; }
  // The bytes written, with every colour change as "<c" attribute ">".
  const std::string& Marked() const { return marked_; }

  bool IsConsole() override { return columns_ > 0; }
  int Columns() override { return columns_; }
  void Write(std::string_view bytes) override;
  void Flush() override {}
  void SetAttribute(int attribute) override;

 private:
  int columns_ = 0;
  int rows_ = 0;
  std::string text_;
  std::string marked_;
};

}  // namespace tessaro::testing
