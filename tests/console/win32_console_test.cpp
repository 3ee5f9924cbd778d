// The platform's terminal on a real Windows console: text placed in cells, wrapping, scrolling,
// colours and the cursor are read back from the screen buffer, keys are put into the console's
// input as key events. Needs a console (under Wine: a pseudo-terminal on standard input, which
// the build's test wrapper gives); without one the tests are skipped.
#include "platform/win32_api.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "console/console.hpp"
#include "console/key_input.hpp"
#include "console/terminal.hpp"

namespace tessaro {
namespace {

constexpr WORD kGrey = 7;

INPUT_RECORD Key(WORD virtual_key, WORD scan_code, char character, BOOL down = TRUE, WORD repeat = 1) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent = {down, repeat, virtual_key, scan_code, {}, 0};
  record.Event.KeyEvent.uChar.AsciiChar = character;
  return record;
}

class WindowsConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (HANDLE* handle : {&out_, &in_}) {
      *handle = CreateFileA(handle == &out_ ? "CONOUT$" : "CONIN$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    if (out_ == INVALID_HANDLE_VALUE || in_ == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(out_, &info_)) {
      GTEST_SKIP() << "no console";
    }
    GetConsoleMode(in_, &input_mode_);
    FlushConsoleInputBuffer(in_);
    Clear();
  }
  void TearDown() override {
    UseTerminal(nullptr);
    for (HANDLE handle : {out_, in_}) CloseHandle(handle);
  }

  // Blank cells, grey on black, cursor in the window's top left corner.
  void Clear() {
    GetConsoleScreenBufferInfo(out_, &info_);
    DWORD written = 0;
    const auto cells = static_cast<DWORD>(info_.dwSize.X * info_.dwSize.Y);
    FillConsoleOutputCharacterA(out_, ' ', cells, COORD{0, 0}, &written);
    FillConsoleOutputAttribute(out_, kGrey, cells, COORD{0, 0}, &written);
    SetConsoleTextAttribute(out_, kGrey);
    SetConsoleCursorPosition(out_, COORD{0, info_.srWindow.Top});
    UseTerminal(nullptr);
  }

  // Runs the action with the console as standard input and output.
  template <typename Action>
  void OnConsole(Action action) {
    const HANDLE saved_out = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE saved_in = GetStdHandle(STD_INPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, out_);
    SetStdHandle(STD_INPUT_HANDLE, in_);
    action();
    FlushConsole();
    SetStdHandle(STD_OUTPUT_HANDLE, saved_out);
    SetStdHandle(STD_INPUT_HANDLE, saved_in);
  }

  int Width() const { return info_.dwSize.X; }
  int Height() const { return info_.srWindow.Bottom - info_.srWindow.Top + 1; }
  CONSOLE_SCREEN_BUFFER_INFO Now() const {
    CONSOLE_SCREEN_BUFFER_INFO now{};
    GetConsoleScreenBufferInfo(out_, &now);
    return now;
  }
  // A row of the window (1-based): its cells, or its characters without the blanks at the end.
  std::vector<CHAR_INFO> Cells(int row) const {
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(Width()));
    const auto y = static_cast<SHORT>(Now().srWindow.Top + row - 1);
    SMALL_RECT region{0, y, static_cast<SHORT>(Width() - 1), y};
    ReadConsoleOutputA(out_, cells.data(), COORD{static_cast<SHORT>(Width()), 1}, COORD{0, 0}, &region);
    return cells;
  }
  std::string Row(int row) const {
    std::string text;
    for (const CHAR_INFO& cell : Cells(row)) text.push_back(cell.Char.AsciiChar);
    return text.erase(text.find_last_not_of(' ') + 1);
  }
  WORD Attribute(int row, int column) const { return Cells(row)[static_cast<std::size_t>(column - 1)].Attributes; }
  std::pair<int, int> Cursor() const {
    return {Now().dwCursorPosition.Y - Now().srWindow.Top + 1, Now().dwCursorPosition.X + 1};
  }
  void Type(const std::vector<INPUT_RECORD>& records) {
    DWORD written = 0;
    WriteConsoleInputA(in_, records.data(), static_cast<DWORD>(records.size()), &written);
  }

  HANDLE out_ = INVALID_HANDLE_VALUE;
  HANDLE in_ = INVALID_HANDLE_VALUE;
  CONSOLE_SCREEN_BUFFER_INFO info_{};
  DWORD input_mode_ = 0;
};

// The size is the buffer's width and the window's height. A full row with a line end leaves an
// empty row, without one the cursor in the next row; TabTo and MoveCursor write nothing, and
// moves outside the window are ignored.
TEST_F(WindowsConsoleTest, RowsTabsAndMoves) {
  DWORD written = 0;
  FillConsoleOutputCharacterA(out_, '.', 10, COORD{0, static_cast<SHORT>(Now().srWindow.Top + 3)}, &written);
  std::pair<int, int> size;
  std::pair<int, int> asked;
  bool console = false;
  OnConsole([&] {
    size = {ConsoleColumns(), CurrentTerminal().Rows()};
    console = CurrentTerminal().IsConsole() && CurrentTerminal().InputIsConsole();
    PrintText(RepeatChar(Width(), '#'), true);
    PrintText(RepeatChar(Width(), '='), false);
    PrintText("ab", false);
    TabTo(6);
    PrintText("c", false);
    MoveCursor(6, 10);
    PrintText("xy", false);
    asked = {CursorRow(), CursorColumn()};
    MoveCursor(Height() + 1, 1);
    MoveCursor(1, Width() + 1);
  });
  EXPECT_TRUE(console);
  EXPECT_EQ(size, std::pair(Width(), Height()));
  const std::string full(static_cast<std::size_t>(Width()), '#');
  EXPECT_EQ((std::vector<std::string>{Row(1), Row(2), Row(3), Row(4), Row(6)}),
            (std::vector<std::string>{full, "", std::string(full.size(), '='), "ab...c....", std::string(9, ' ') + "xy"}));
  EXPECT_EQ(asked, std::make_pair(6, 12));
  EXPECT_EQ(Cursor(), std::make_pair(6, 12));
}

// No colours before the first SetTextColor (the console may start grey on blue), its own again at
// the end; the rule byte is the box line of the PC code pages and a hyphen elsewhere.
TEST_F(WindowsConsoleTest, ColoursAndTheRuleByte) {
  SetConsoleTextAttribute(out_, 0x17);
  OnConsole([] {
    PrintText("a", false);
    SetTextColor(15);
    PrintText("b", false);
    SetTextColor(8);
    PrintText("c", true);
    RestoreConsole();
    PrintText("d", false);
  });
  EXPECT_EQ(Row(1), "abc");
  EXPECT_EQ((std::vector<WORD>{Attribute(1, 1), Attribute(1, 2), Attribute(1, 3), Attribute(2, 1)}),
            (std::vector<WORD>{0x17, 15, 8, 0x17})) << "the console's own colours again at the end";
  const UINT code_page = GetConsoleOutputCP();
  for (const auto& [page, shown] : {std::pair<UINT, std::string>{437, "\xc4\xc4\xc4"}, {1252, "---"}}) {
    if (!SetConsoleOutputCP(page)) continue;
    Clear();
    OnConsole([] { PrintText(RepeatChar(3, '\xc4'), true); });
    EXPECT_EQ(Row(1), shown) << page;
  }
  SetConsoleOutputCP(code_page);
}

// A line end or a wrap in the last row scrolls the window's text; the new row is blank in the
// colours of its line end, or in the current colours after a wrap.
TEST_F(WindowsConsoleTest, LastRowScrolls) {
  OnConsole([&] {
    PrintText("top", true);
    PrintText("second", false);
    MoveCursor(Height(), 1);
    PrintText("a", true);
    SetTextColor(14);
    PrintText("b", false);
  });
  EXPECT_EQ((std::vector<std::string>{Row(1), Row(Height() - 1), Row(Height())}),
            (std::vector<std::string>{"second", "a", "b"}));
  EXPECT_EQ(Cursor(), std::make_pair(Height(), 2));
  EXPECT_EQ(Attribute(Height(), 2), kGrey);
  Clear();
  OnConsole([&] {
    SetTextColor(10);
    MoveCursor(Height(), 1);
    PrintText(RepeatChar(Width() + 2, 'w'), false);
  });
  EXPECT_EQ(Row(Height() - 1), std::string(static_cast<std::size_t>(Width()), 'w'));
  EXPECT_EQ(Row(Height()), "ww");
  EXPECT_EQ(Attribute(Height(), Width()), 10);
  EXPECT_EQ(Cursor(), std::make_pair(Height(), 3));
}

// Keys come as characters and scan codes; Ctrl-C stays the console's; a wait ends only on a key
// press and leaves the key, reading never waits, and the input mode comes back.
TEST_F(WindowsConsoleTest, KeysAndWaits) {
  Type({Key('Y', 21, 'Y'), Key('Y', 21, 'Y', FALSE), Key(VK_SHIFT, 42, 0), Key(VK_UP, 72, 0), Key(VK_F5, 63, 0),
        Key('A', 30, 'a', TRUE, 2), Key(VK_RETURN, 28, '\r'), Key(VK_SHIFT, 42, 0), Key('Q', 16, 'q', FALSE)});
  // The key comes only once the wait has begun: one the layer has looked at before would never end it.
  std::atomic<bool> waiting{false};
  std::thread typist([this, &waiting] {
    while (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Type({Key('K', 37, 'k')});
  });
  std::vector<std::string> keys;
  DWORD mode_while_reading = 0;
  std::chrono::steady_clock::duration waited{};
  OnConsole([&] {
    CurrentTerminal().BeginKeyInput();
    GetConsoleMode(in_, &mode_while_reading);
    CurrentTerminal().EndKeyInput();
    for (int n = 0; n < 6; ++n) keys.push_back(ReadKey());
    const auto start = std::chrono::steady_clock::now();
    waiting = true;
    WaitKey();
    waited = std::chrono::steady_clock::now() - start;
    keys.push_back(ReadKey());
    keys.push_back(ReadKey());
  });
  typist.join();
  EXPECT_EQ(keys, (std::vector<std::string>{"Y", SpecialKey(key_code::kUp), SpecialKey(key_code::kF1 + 4), "a", "a",
                                            "\r", "k", ""}));
  EXPECT_GE(waited, std::chrono::milliseconds(100));
  EXPECT_NE(mode_while_reading & ENABLE_PROCESSED_INPUT, 0u) << "Ctrl-C stays the console's";
  EXPECT_EQ(mode_while_reading & ENABLE_VIRTUAL_TERMINAL_INPUT, 0u);
  DWORD mode = 0;
  GetConsoleMode(in_, &mode);
  EXPECT_EQ(mode, input_mode_);
  EXPECT_FALSE(KeyInputEnded());
}

}  // namespace
}  // namespace tessaro
