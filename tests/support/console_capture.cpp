#include "tests/support/console_capture.hpp"

namespace tessaro::testing {

ScopedConsoleCapture::ScopedConsoleCapture() { UseTerminal(this); }

ScopedConsoleCapture::ScopedConsoleCapture(int columns, int rows) : columns_(columns), rows_(rows) {
  UseTerminal(this);
}

ScopedConsoleCapture::~ScopedConsoleCapture() { UseTerminal(nullptr); }

void ScopedConsoleCapture::Write(std::string_view bytes) {
  text_.append(bytes);
  marked_.append(bytes);
}

void ScopedConsoleCapture::SetAttribute(int attribute) {
  marked_ += "<c" + std::to_string(attribute) + ">";
}

}  // namespace tessaro::testing
