// Keys as the console layer sees them: the parser that turns terminal input bytes into keys, and
// the buffer that keeps keys typed ahead. Both are plain logic, shared by every platform.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// The second byte of a key that produces no character; the first is always 255. The values are
// the PC keyboard's scan codes, so that every platform names a key the same way.
namespace key_code {
inline constexpr unsigned char kUnknown = 0;
inline constexpr unsigned char kBackTab = 15;
inline constexpr unsigned char kF1 = 59;  // F1 to F10 are 59 to 68
inline constexpr unsigned char kF10 = 68;
inline constexpr unsigned char kHome = 71;
inline constexpr unsigned char kUp = 72;
inline constexpr unsigned char kPageUp = 73;
inline constexpr unsigned char kLeft = 75;
inline constexpr unsigned char kCenter = 76;
inline constexpr unsigned char kRight = 77;
inline constexpr unsigned char kEnd = 79;
inline constexpr unsigned char kDown = 80;
inline constexpr unsigned char kPageDown = 81;
inline constexpr unsigned char kInsert = 82;
inline constexpr unsigned char kDelete = 83;
inline constexpr unsigned char kF11 = 87;
inline constexpr unsigned char kF12 = 88;
}  // namespace key_code

inline constexpr char kSpecialKeyLead = '\xff';

// The two-byte text of a key that produces no character.
std::string SpecialKey(unsigned char code);

struct KeyEvent {
  enum class Kind { Key, Interrupt };
  Kind kind = Kind::Key;
  std::string text;  // one byte, or kSpecialKeyLead and a key_code
};

// Reads the bytes of an interactive terminal one at a time. Escape sequences (arrows, function
// keys) become special keys; Ctrl-C (byte 3) becomes an interrupt; every other byte is a key.
// A lone ESC cannot be told from the start of a sequence until no more bytes come, so the caller
// waits a moment and then calls Flush.
class KeyParser {
 public:
  void Feed(unsigned char byte, std::vector<KeyEvent>& out);
  // No more bytes are coming for now: whatever is held is given out as plain keys.
  void Flush(std::vector<KeyEvent>& out);
  // True while a sequence is incomplete.
  bool Pending() const { return state_ != State::Ground; }
  void Reset();

 private:
  enum class State { Ground, Escape, Csi, CsiBracket, Ss3 };

  void Ground(unsigned char byte, std::vector<KeyEvent>& out);
  void Finish(unsigned char code, std::vector<KeyEvent>& out);
  unsigned char CsiCode(unsigned char final_byte) const;

  static constexpr std::size_t kMaxParameters = 16;

  State state_ = State::Ground;
  std::string parameters_;  // bytes after "ESC [" or "ESC O", at most kMaxParameters
  bool overflow_ = false;
};

// Keys typed and not yet read, oldest first: a ring of 512 slots that holds at most 511 keys.
// When it is full a new key drops the oldest.
class KeyBuffer {
 public:
  static constexpr std::size_t kSlots = 512;

  void Push(std::string_view key);
  // The oldest key, or "" when there is none.
  std::string Pop();
  std::size_t Size() const { return (head_ + kSlots - tail_) % kSlots; }
  bool Empty() const { return head_ == tail_; }
  void Clear() { head_ = tail_ = 0; }

 private:
  struct Slot {
    unsigned char size = 0;
    std::array<char, 2> bytes{};
  };
  std::array<Slot, kSlots> slots_{};
  std::size_t head_ = 0;  // next slot to fill
  std::size_t tail_ = 0;  // oldest key
};

}  // namespace tessaro
