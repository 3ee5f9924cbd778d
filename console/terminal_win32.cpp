#include "platform/win32_api.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <optional>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "console/key_input.hpp"
#include "console/terminal.hpp"

namespace tessaro {

namespace {

constexpr std::size_t kFlushAt = 8192;
constexpr ULONGLONG kLookEveryMs = 50;
constexpr unsigned char kRuleByte = 196;
constexpr unsigned char kCtrlC = 3;
constexpr DWORD kDeadKey = 0x80000000u;  // MapVirtualKeyA's mark for a key that waits for the next

// The standard handles are looked up at every use: a test may put others in their place.
HANDLE Output() { return GetStdHandle(STD_OUTPUT_HANDLE); }
HANDLE Input() { return GetStdHandle(STD_INPUT_HANDLE); }

bool IsConsoleHandle(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && GetConsoleMode(handle, &mode) != 0;
}

// Read by the console control handler, which runs on a thread of its own.
std::atomic<bool> g_mode_changed{false};
HANDLE g_mode_handle = nullptr;
DWORD g_saved_mode = 0;
bool g_handler_installed = false;

void RestoreMode() {
  if (g_mode_changed.exchange(false)) SetConsoleMode(g_mode_handle, g_saved_mode);
}

BOOL WINAPI OnConsoleControl(DWORD) {
  RestoreMode();
  return FALSE;  // the next handler, in the end the system's, ends the process
}

// Pages of the PC family, where byte 196 draws the horizontal line; elsewhere a hyphen shows it.
bool DrawsBoxLine(UINT code_page) {
  static constexpr std::array<UINT, 15> kPages = {437, 737, 775, 850, 852, 855, 857, 858,
                                                  860, 861, 862, 863, 865, 866, 869};
  return std::find(kPages.begin(), kPages.end(), code_page) != kPages.end();
}

void WriteAll(HANDLE handle, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD wrote = 0;
    if (!WriteFile(handle, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
      return;  // the reader is gone or the output is unusable: nobody is left to tell
    }
    done += wrote;
  }
}

bool IsModifier(WORD virtual_key) {
  switch (virtual_key) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_LSHIFT: case VK_RSHIFT:
    case VK_LCONTROL: case VK_RCONTROL: case VK_LMENU: case VK_RMENU: case VK_CAPITAL:
    case VK_NUMLOCK: case VK_SCROLL: case VK_LWIN: case VK_RWIN: case VK_APPS:
      return true;
    default:
      return false;
  }
}

// The keys of one input record: none for anything but a key press that means a key (a modifier
// on its own and a dead key mean none); a character as its byte; any other key as its scan code.
void TranslateRecord(const INPUT_RECORD& record, std::vector<KeyEvent>& keys) {
  if (record.EventType != KEY_EVENT) return;
  const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
  if (!key.bKeyDown) return;
  KeyEvent event;
  const auto character = static_cast<unsigned char>(key.uChar.AsciiChar);
  if (character == kCtrlC) {
    event.kind = KeyEvent::Kind::Interrupt;
  } else if (character != 0) {
    event.text.assign(1, key.uChar.AsciiChar);
  } else {
    if (IsModifier(key.wVirtualKeyCode)) return;
    if ((MapVirtualKeyA(key.wVirtualKeyCode, MAPVK_VK_TO_CHAR) & kDeadKey) != 0) return;
    UINT scan = key.wVirtualScanCode;
    if (scan == 0) scan = MapVirtualKeyA(key.wVirtualKeyCode, MAPVK_VK_TO_VSC);
    event.text = SpecialKey(static_cast<unsigned char>(scan & 0xFFu));
  }
  for (WORD repeat = std::max<WORD>(key.wRepeatCount, 1); repeat > 0; --repeat) keys.push_back(event);
}

CHAR_INFO Cell(char byte, WORD attribute) {
  CHAR_INFO cell{};
  cell.Char.AsciiChar = byte;
  cell.Attributes = attribute;
  return cell;
}

// The console's screen buffer as one Write sees it: text goes into cells at the cursor, and the
// cursor only moves where the bytes say. Like the terminals the console layer writes for, a byte
// in the last column leaves the cursor there until the next byte: the layer writes its own line
// end after a full row, and the console must not add a second one.
class Screen {
 public:
  Screen(HANDLE out, const CONSOLE_SCREEN_BUFFER_INFO& info, bool wrap_pending)
      : out_(out),
        size_(info.dwSize),
        window_(info.srWindow),
        cursor_(info.dwCursorPosition),
        attribute_(info.wAttributes),
        box_line_(DrawsBoxLine(GetConsoleOutputCP())),
        wrap_pending_(wrap_pending) {}

  void Put(char byte) {
    if (byte == '\r') {
      EndRun();
      cursor_.X = 0;
      wrap_pending_ = false;
      return;
    }
    if (byte == '\n') {
      NewLine();
      wrap_pending_ = false;
      return;
    }
    if (wrap_pending_) {
      NewLine();
      wrap_pending_ = false;
    }
    if (run_.empty()) run_start_ = cursor_;
    const bool rule = static_cast<unsigned char>(byte) == kRuleByte;
    run_.push_back(Cell(rule && !box_line_ ? '-' : byte, attribute_));
    if (cursor_.X + 1 < size_.X) {
      ++cursor_.X;
    } else {
      wrap_pending_ = true;
    }
  }

  // Shows the cells and the cursor; returns where the cursor stands.
  COORD Finish() {
    EndRun();
    SetConsoleCursorPosition(out_, cursor_);
    return cursor_;
  }

  bool WrapPending() const { return wrap_pending_; }

 private:
  void EndRun() {
    if (run_.empty()) return;
    const auto count = static_cast<SHORT>(run_.size());
    SMALL_RECT region{run_start_.X, run_start_.Y, static_cast<SHORT>(run_start_.X + count - 1), run_start_.Y};
    WriteConsoleOutputA(out_, run_.data(), COORD{count, 1}, COORD{0, 0}, &region);
    run_.clear();
  }

  // Column 1 of the next row. Below the window's last row the window's text scrolls up one row
  // and a blank row in the current colours comes in at the bottom.
  void NewLine() {
    EndRun();
    cursor_.X = 0;
    const bool below_window = cursor_.Y > window_.Bottom;  // the user scrolled the view away
    if (cursor_.Y < window_.Bottom || (below_window && cursor_.Y + 1 < size_.Y)) {
      ++cursor_.Y;
      return;
    }
    if (!below_window && cursor_.Y + 1 < size_.Y) {
      // Rows wait below the window: the window moves down over them, as the console itself
      // does, so that what scrolls out of sight stays in the buffer's history.
      SMALL_RECT down_one{0, 1, 0, 1};
      if (SetConsoleWindowInfo(out_, FALSE, &down_one)) {
        ++window_.Top;
        ++window_.Bottom;
        ++cursor_.Y;
        DWORD written = 0;
        const auto width = static_cast<DWORD>(size_.X);
        FillConsoleOutputCharacterA(out_, ' ', width, cursor_, &written);
        FillConsoleOutputAttribute(out_, attribute_, width, cursor_, &written);
        return;
      }
    }
    // The buffer is full: everything above the cursor's row moves up one and the top row goes.
    SMALL_RECT moved{0, 1, static_cast<SHORT>(size_.X - 1), cursor_.Y};
    const CHAR_INFO blank = Cell(' ', attribute_);
    ScrollConsoleScreenBufferA(out_, &moved, nullptr, COORD{0, 0}, &blank);
  }

  HANDLE out_;
  COORD size_;
  SMALL_RECT window_;
  COORD cursor_;
  WORD attribute_;
  bool box_line_;
  bool wrap_pending_;
  std::vector<CHAR_INFO> run_;  // cells of the current row not yet shown
  COORD run_start_{};
};

class WindowsTerminal final : public Terminal {
 public:
  bool IsConsole() override { return IsConsoleHandle(Output()); }

  int Columns() override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    return GetConsoleScreenBufferInfo(Output(), &info) ? info.dwSize.X : 0;
  }

  int Rows() override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    return GetConsoleScreenBufferInfo(Output(), &info) ? info.srWindow.Bottom - info.srWindow.Top + 1 : 0;
  }

  void Write(std::string_view bytes) override {
    HANDLE out = Output();
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(out, &info)) {
      pending_.append(bytes);
      if (pending_.size() >= kFlushAt) Flush();
      return;
    }
    Flush();  // output that was redirected a moment ago goes first
    const COORD at = info.dwCursorPosition;
    Screen screen(out, info, wrap_pending_ && at.X == wrap_at_.X && at.Y == wrap_at_.Y);
    for (char byte : bytes) screen.Put(byte);
    wrap_at_ = screen.Finish();
    wrap_pending_ = screen.WrapPending();
  }

  void Flush() override {
    if (pending_.empty()) return;
    WriteAll(Output(), pending_);
    pending_.clear();
  }

  void SetAttribute(int attribute) override {
    if (!IsConsole()) return;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!saved_attribute_ && GetConsoleScreenBufferInfo(Output(), &info)) saved_attribute_ = info.wAttributes;
    SetConsoleTextAttribute(Output(), static_cast<WORD>(attribute & 0xFF));
  }

  void ResetAttribute() override {
    if (saved_attribute_ && IsConsole()) SetConsoleTextAttribute(Output(), *saved_attribute_);
  }

  void MoveCursor(int row, int column) override {
    HANDLE out = Output();
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(out, &info)) return;
    COORD to = info.dwCursorPosition;
    if (column > 0) to.X = static_cast<SHORT>(column - 1);
    if (row > 0) to.Y = static_cast<SHORT>(info.srWindow.Top + row - 1);
    SetConsoleCursorPosition(out, to);
    wrap_pending_ = false;
  }

  // The console answers at once and no key can slip in between.
  bool QueryCursor(int& row, int& column, std::string&) override {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(Output(), &info)) return false;
    row = info.dwCursorPosition.Y - info.srWindow.Top + 1;
    column = info.dwCursorPosition.X + 1;
    return true;
  }

  bool InputIsConsole() override { return IsConsoleHandle(Input()); }
  bool InputIsKeyEvents() override { return InputIsConsole(); }

  void BeginKeyInput() override {
    if (depth_++ == 0) EnterKeyMode();
  }

  void EndKeyInput() override {
    if (depth_ > 0 && --depth_ == 0) RestoreMode();
  }

  std::size_t ReadInput(std::span<char> into, int timeout_ms, bool& ended) override;
  std::size_t ReadKeys(std::vector<KeyEvent>& keys, int timeout_ms, bool& ended) override;

  void Interrupt() override {
    Flush();
    RestoreMode();
    std::raise(SIGINT);
    if (depth_ > 0) EnterKeyMode();  // SIGINT was ignored or handled: reading goes on
  }

 private:
  // Keys come as key events, not as the terminal sequences a program may have asked for; Ctrl-C
  // stays the console's to handle, which ends the program through the control handlers.
  void EnterKeyMode() {
    HANDLE in = Input();
    if (!g_mode_changed && !GetConsoleMode(in, &g_saved_mode)) return;
    g_mode_handle = in;
    if (!g_handler_installed) {
      g_handler_installed = true;
      SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    }
    const DWORD mode = (g_saved_mode & ~static_cast<DWORD>(ENABLE_VIRTUAL_TERMINAL_INPUT)) | ENABLE_PROCESSED_INPUT;
    g_mode_changed = true;  // before the change, so that a Ctrl-C in between still restores
    SetConsoleMode(in, mode);
  }

  std::size_t ReadPipeOrFile(std::span<char> into, int timeout_ms, bool& ended);

  std::string pending_;
  std::optional<WORD> saved_attribute_;  // the console's colours before the program's first
  std::string typed_;  // key bytes read from the console that did not fit into ReadInput's room
  int depth_ = 0;
  bool wrap_pending_ = false;
  COORD wrap_at_{};
};

std::size_t WindowsTerminal::ReadKeys(std::vector<KeyEvent>& keys, int timeout_ms, bool& ended) {
  HANDLE in = Input();
  const ULONGLONG start = GetTickCount64();
  std::size_t added = 0;
  for (;;) {
    std::array<INPUT_RECORD, 64> records{};
    DWORD waiting = 0;
    if (!PeekConsoleInputA(in, records.data(), static_cast<DWORD>(records.size()), &waiting)) {
      ended = true;
      return added;
    }
    if (waiting > 0) {
      DWORD taken = 0;
      if (!ReadConsoleInputA(in, records.data(), waiting, &taken)) {
        ended = true;
        return added;
      }
      const std::size_t before = keys.size();
      for (DWORD i = 0; i < taken; ++i) TranslateRecord(records[i], keys);
      added += keys.size() - before;
      if (added > 0) return added;
    }
    const ULONGLONG waited = GetTickCount64() - start;
    if (timeout_ms >= 0 && waited >= static_cast<ULONGLONG>(timeout_ms)) return added;
    if (waiting == 0) {
      ULONGLONG pause = kLookEveryMs;
      if (timeout_ms >= 0) pause = std::min(pause, static_cast<ULONGLONG>(timeout_ms) - waited);
      Sleep(static_cast<DWORD>(pause));
    }
  }
}

std::size_t WindowsTerminal::ReadInput(std::span<char> into, int timeout_ms, bool& ended) {
  if (into.empty()) return 0;
  if (!InputIsConsole()) return ReadPipeOrFile(into, timeout_ms, ended);
  if (typed_.empty()) {
    std::vector<KeyEvent> keys;
    ReadKeys(keys, timeout_ms, ended);
    for (const KeyEvent& key : keys) typed_ += key.kind == KeyEvent::Kind::Interrupt ? std::string(1, '\x03') : key.text;
  }
  const std::size_t count = std::min(into.size(), typed_.size());
  std::copy_n(typed_.begin(), count, into.begin());
  typed_.erase(0, count);
  return count;
}

// Same rules as on POSIX: the next bytes, however long the writer takes; a pipe whose writer has
// gone and the end of a file end the input.
std::size_t WindowsTerminal::ReadPipeOrFile(std::span<char> into, int timeout_ms, bool& ended) {
  HANDLE in = Input();
  DWORD room = static_cast<DWORD>(std::min<std::size_t>(into.size(), 1u << 30));
  if (timeout_ms >= 0 && GetFileType(in) == FILE_TYPE_PIPE) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
      DWORD available = 0;
      if (!PeekNamedPipe(in, nullptr, 0, nullptr, &available, nullptr)) {
        ended = true;
        return 0;
      }
      if (available > 0) {
        room = std::min(room, available);
        break;
      }
      const ULONGLONG waited = GetTickCount64() - start;
      if (waited >= static_cast<ULONGLONG>(timeout_ms)) return 0;
      Sleep(static_cast<DWORD>(std::min(kLookEveryMs, static_cast<ULONGLONG>(timeout_ms) - waited)));
    }
  }
  DWORD got = 0;
  if (!ReadFile(in, into.data(), room, &got, nullptr) || got == 0) {
    ended = true;
    return 0;
  }
  return got;
}

WindowsTerminal* g_terminal = nullptr;

void AtExit() {
  if (g_terminal != nullptr) g_terminal->Flush();
  RestoreMode();
}

}  // namespace

Terminal& PlatformTerminal() {
  // Never destroyed: the exit hook still flushes through it after static destructors have run.
  static WindowsTerminal* const terminal = [] {
    g_terminal = new WindowsTerminal();
    std::atexit(AtExit);
    return g_terminal;
  }();
  return *terminal;
}

}  // namespace tessaro
