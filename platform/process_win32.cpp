#include "platform/win32_api.hpp"

#include <array>

#include "platform/process.hpp"

// Words of the command line reach the program as typed: "-In *.map" names a pattern that the
// program expands itself, so the C runtime must not expand it first.
extern "C" {
int _dowildcard = 0;
}

namespace tessaro {

namespace {

bool Usable(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  SetLastError(NO_ERROR);
  return GetFileType(handle) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
}

}  // namespace

void PrepareStandardStreams() {
  for (const DWORD stream : std::array<DWORD, 3>{STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    if (Usable(GetStdHandle(stream))) continue;
    const DWORD access = stream == STD_INPUT_HANDLE ? GENERIC_READ : GENERIC_WRITE;
    const HANDLE null_device = CreateFileA("NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr);
    if (null_device != INVALID_HANDLE_VALUE) SetStdHandle(stream, null_device);
  }
}

}  // namespace tessaro
