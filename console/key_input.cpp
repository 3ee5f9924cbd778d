#include "console/key_input.hpp"

namespace tessaro {

namespace {

constexpr unsigned char kCtrlC = 3;
constexpr unsigned char kEscape = 27;

KeyEvent PlainKey(unsigned char byte) {
  return {KeyEvent::Kind::Key, std::string(1, static_cast<char>(byte))};
}

bool IsParameterByte(unsigned char byte) { return byte >= 0x20 && byte <= 0x3F; }
bool IsFinalByte(unsigned char byte) { return byte >= 0x40 && byte <= 0x7E; }

// Final letters shared by "ESC [" and "ESC O" sequences; modifiers ("1;5A") do not change the key.
unsigned char LetterCode(unsigned char final_byte) {
  switch (final_byte) {
    case 'A': return key_code::kUp;
    case 'B': return key_code::kDown;
    case 'C': return key_code::kRight;
    case 'D': return key_code::kLeft;
    case 'E': return key_code::kCenter;
    case 'F': return key_code::kEnd;
    case 'H': return key_code::kHome;
    case 'Z': return key_code::kBackTab;
    case 'P': return key_code::kF1;
    case 'Q': return key_code::kF1 + 1;
    case 'R': return key_code::kF1 + 2;
    case 'S': return key_code::kF1 + 3;
    default: return key_code::kUnknown;
  }
}

// "ESC [ n ~" keys of the VT220 family.
unsigned char TildeCode(int number) {
  switch (number) {
    case 1: case 7: return key_code::kHome;
    case 2: return key_code::kInsert;
    case 3: return key_code::kDelete;
    case 4: case 8: return key_code::kEnd;
    case 5: return key_code::kPageUp;
    case 6: return key_code::kPageDown;
    case 23: return key_code::kF11;
    case 24: return key_code::kF12;
    default: break;
  }
  if (number >= 11 && number <= 15) return static_cast<unsigned char>(key_code::kF1 + number - 11);
  if (number >= 17 && number <= 21) return static_cast<unsigned char>(key_code::kF1 + 5 + number - 17);
  return key_code::kUnknown;
}

}  // namespace

std::string SpecialKey(unsigned char code) {
  return std::string{kSpecialKeyLead, static_cast<char>(code)};
}

void KeyParser::Reset() {
  state_ = State::Ground;
  parameters_.clear();
  overflow_ = false;
}

void KeyParser::Ground(unsigned char byte, std::vector<KeyEvent>& out) {
  if (byte == kCtrlC) {
    out.push_back({KeyEvent::Kind::Interrupt, {}});
  } else if (byte == kEscape) {
    state_ = State::Escape;
  } else {
    out.push_back(PlainKey(byte));
  }
}

void KeyParser::Finish(unsigned char code, std::vector<KeyEvent>& out) {
  out.push_back({KeyEvent::Kind::Key, SpecialKey(code)});
  Reset();
}

unsigned char KeyParser::CsiCode(unsigned char final_byte) const {
  if (final_byte != '~') return LetterCode(final_byte);
  int number = 0;
  std::size_t digits = 0;
  for (char c : parameters_) {
    if (c < '0' || c > '9') break;
    if (++digits > 3) return key_code::kUnknown;
    number = number * 10 + (c - '0');
  }
  return TildeCode(number);
}

void KeyParser::Feed(unsigned char byte, std::vector<KeyEvent>& out) {
  switch (state_) {
    case State::Ground:
      Ground(byte, out);
      return;
    case State::Escape:
      if (byte == '[') {
        state_ = State::Csi;
      } else if (byte == 'O') {
        state_ = State::Ss3;
      } else {
        // Not a sequence after all: the ESC was a key of its own (a second ESC starts anew).
        out.push_back(PlainKey(kEscape));
        state_ = State::Ground;
        Ground(byte, out);
      }
      return;
    case State::CsiBracket:  // the Linux console's "ESC [ [ A" to "ESC [ [ E" for F1 to F5
      if (byte >= 'A' && byte <= 'E') {
        Finish(static_cast<unsigned char>(key_code::kF1 + byte - 'A'), out);
      } else if (IsFinalByte(byte)) {
        Finish(key_code::kUnknown, out);
      } else {
        Reset();
        Ground(byte, out);
      }
      return;
    case State::Csi:
    case State::Ss3:
      if (state_ == State::Csi && byte == '[' && parameters_.empty()) {
        state_ = State::CsiBracket;
      } else if (IsParameterByte(byte)) {
        if (parameters_.size() < kMaxParameters) {
          parameters_.push_back(static_cast<char>(byte));
        } else {
          overflow_ = true;
        }
      } else if (IsFinalByte(byte)) {
        unsigned char code = key_code::kUnknown;
        if (!overflow_) code = state_ == State::Csi ? CsiCode(byte) : LetterCode(byte);
        Finish(code, out);
      } else {
        // A byte no sequence can hold: the broken sequence is dropped, the byte counts by itself.
        Reset();
        Ground(byte, out);
      }
      return;
  }
}

void KeyParser::Flush(std::vector<KeyEvent>& out) {
  if (state_ == State::Ground) return;
  std::string held;
  if (state_ == State::Csi) held = "[";
  if (state_ == State::CsiBracket) held = "[[";
  if (state_ == State::Ss3) held = "O";
  held += parameters_;
  Reset();
  // What looked like the start of a sequence was ESC and then ordinary keys (Alt+[ for one).
  out.push_back(PlainKey(kEscape));
  for (char c : held) Ground(static_cast<unsigned char>(c), out);
}

void KeyBuffer::Push(std::string_view key) {
  if (key.empty() || key.size() > 2) return;
  if (Size() == kSlots - 1) tail_ = (tail_ + 1) % kSlots;
  Slot& slot = slots_[head_];
  slot.size = static_cast<unsigned char>(key.size());
  slot.bytes[0] = key[0];
  slot.bytes[1] = key.size() > 1 ? key[1] : '\0';
  head_ = (head_ + 1) % kSlots;
}

std::string KeyBuffer::Pop() {
  if (Empty()) return {};
  const Slot& slot = slots_[tail_];
  tail_ = (tail_ + 1) % kSlots;
  return std::string(slot.bytes.data(), slot.size);
}

}  // namespace tessaro
