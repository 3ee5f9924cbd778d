#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/console_internal.hpp"
#include "console/key_input.hpp"
#include "console/terminal.hpp"

namespace tessaro {

namespace {

// How long the rest of an escape sequence may take before a lone ESC is taken as the Escape key.
constexpr int kEscapeWaitMs = 50;

struct KeyState {
  KeyBuffer buffer;
  KeyParser parser;
  bool ended = false;  // the last read found that standard input has nothing more to give
};

KeyState& Keys() {
  static KeyState state;
  return state;
}

// Raw mode lasts exactly as long as the layer reads.
class KeyInputScope {
 public:
  explicit KeyInputScope(Terminal& terminal) : terminal_(terminal) { terminal_.BeginKeyInput(); }
  ~KeyInputScope() { terminal_.EndKeyInput(); }
  KeyInputScope(const KeyInputScope&) = delete;
  KeyInputScope& operator=(const KeyInputScope&) = delete;

 private:
  Terminal& terminal_;
};

// Returns how many keys went into the buffer.
std::size_t Deliver(Terminal& terminal, const std::vector<KeyEvent>& events) {
  std::size_t keys = 0;
  for (const KeyEvent& event : events) {
    if (event.kind == KeyEvent::Kind::Interrupt) {
      if (terminal.InterruptEnds()) console_internal::BeforeInterrupt(terminal);
      terminal.Interrupt();
      continue;
    }
    Keys().buffer.Push(event.text);
    ++keys;
  }
  return keys;
}

std::size_t Feed(Terminal& terminal, std::string_view bytes) {
  std::vector<KeyEvent> events;
  for (char byte : bytes) Keys().parser.Feed(static_cast<unsigned char>(byte), events);
  return Deliver(terminal, events);
}

// Moves what the console has typed into the buffer, waiting up to timeout_ms for the first byte.
std::size_t Pump(Terminal& terminal, int timeout_ms) {
  KeyState& keys = Keys();
  if (terminal.InputIsKeyEvents()) {
    std::vector<KeyEvent> events;
    bool ended = false;
    terminal.ReadKeys(events, timeout_ms, ended);
    keys.ended = ended;
    return Deliver(terminal, events);
  }
  std::array<char, 64> chunk{};
  std::size_t added = 0;
  int wait = timeout_ms;
  bool waited_for_rest = false;
  for (;;) {
    bool ended = false;
    const std::size_t got = terminal.ReadInput(chunk, wait, ended);
    keys.ended = ended;
    if (got > 0) {
      added += Feed(terminal, std::string_view(chunk.data(), got));
      wait = 0;
      waited_for_rest = false;
      continue;
    }
    if (keys.parser.Pending() && !keys.ended && !waited_for_rest) {
      wait = kEscapeWaitMs;
      waited_for_rest = true;
      continue;
    }
    break;
  }
  if (keys.parser.Pending()) {
    std::vector<KeyEvent> events;
    keys.parser.Flush(events);
    added += Deliver(terminal, events);
  }
  return added;
}

}  // namespace

namespace console_internal {

void ResetKeyInput() {
  KeyState& keys = Keys();
  keys.buffer.Clear();
  keys.parser.Reset();
  keys.ended = false;
}

void TakeTypedBytes(Terminal& terminal, std::string_view bytes) { Feed(terminal, bytes); }

}  // namespace console_internal

void WaitKey() {
  Terminal& terminal = CurrentTerminal();
  terminal.Flush();
  // Input that is not a console never brings a key press to wait for.
  if (!terminal.InputIsConsole()) return;
  KeyInputScope scope(terminal);
  while (Pump(terminal, -1) == 0) {
    if (Keys().ended) return;
  }
}

std::string ReadKey() {
  Terminal& terminal = CurrentTerminal();
  terminal.Flush();  // the question asked must be on the screen before its answer is read
  KeyState& keys = Keys();
  if (terminal.InputIsConsole()) {
    KeyInputScope scope(terminal);
    Pump(terminal, 0);
    return keys.buffer.Pop();
  }
  if (!keys.buffer.Empty()) return keys.buffer.Pop();
  // A pipe or a file: its next byte is the next key, however long the writer takes.
  for (;;) {
    char byte = 0;
    bool ended = false;
    const std::size_t got = terminal.ReadInput(std::span<char>(&byte, 1), -1, ended);
    keys.ended = ended;
    if (got == 1) return std::string(1, byte);
    if (ended) return {};
  }
}

bool KeyInputEnded() { return Keys().ended && Keys().buffer.Empty(); }

}  // namespace tessaro
