// Reading the text table: a byte source that refills one buffer from a file
// (or walks a block of memory), and the two reads the table is made of, a
// name token and an integer, with the exact rules of this tool rather than
// those of the C library's formatted input.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quorvex::table {

// The six white-space bytes: tab, LF, VT, FF, CR and space. Nothing else,
// whatever the locale.
inline bool is_space(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool is_line_end(int c) {
  return c == '\r' || c == '\n';
}

// 1 for the six white-space bytes, 0 for every other byte.
inline constexpr std::array<unsigned char, 256> space_table = [] {
  std::array<unsigned char, 256> table{};
  for (const unsigned char c : {'\t', '\n', '\v', '\f', '\r', ' '}) table[c] = 1;
  return table;
}();

constexpr int end_of_data = -1;

class byte_source {
 public:
  static constexpr std::size_t default_capacity = std::size_t{1} << 20;

  // Reads `file` from its current position; the caller keeps ownership.
  explicit byte_source(std::FILE* file, std::size_t capacity = default_capacity);
  // Walks `size` bytes of memory.
  byte_source(const unsigned char* data, std::size_t size);

  // The next byte, 0..255, consumed; end_of_data at the end.
  int get() { return pos_ < end_ ? *pos_++ : refill_and_get(); }
  // The next byte without consuming it.
  int peek() { return pos_ < end_ ? *pos_ : refill_and_peek(); }
  // Consumes the byte that peek() returned.
  void advance() { ++pos_; }

  // The bytes held now, for reads that parse straight from the buffer: they
  // start at data() and end at data_end(); consume_to() takes them up to a
  // point between the two.
  const unsigned char* data() const { return pos_; }
  const unsigned char* data_end() const { return end_; }
  void consume_to(const unsigned char* p) { pos_ = p; }

  // Absolute offset of the next byte.
  std::int64_t offset() const { return window_offset_ + (pos_ - window_); }
  // Goes back (or forward) to an absolute offset. False on failure.
  bool seek(std::int64_t offset);
  // True if the file reported an error rather than its end.
  bool read_error() const { return read_error_; }

  // Counts the starts of lines from here to the end: the positions of bytes
  // other than CR and LF that follow a CR or LF (or, if `in_line_end` is
  // true, that come first). Consumes everything.
  std::int64_t count_line_starts(bool in_line_end);

 private:
  int refill_and_get();
  int refill_and_peek();
  bool refill();

  std::FILE* file_ = nullptr;
  std::unique_ptr<unsigned char[]> owned_;
  // Used when no large buffer can be had, so that reading never depends on
  // an allocation.
  unsigned char fallback_[4096];
  unsigned char* buffer_ = fallback_;
  std::size_t capacity_ = 0;
  const unsigned char* window_ = nullptr;  // first byte held
  const unsigned char* pos_ = nullptr;
  const unsigned char* end_ = nullptr;
  std::int64_t window_offset_ = 0;
  const unsigned char* memory_ = nullptr;
  std::size_t memory_size_ = 0;
  bool read_error_ = false;
};

// Skips white space, then takes up to `max` bytes that are not white space
// into `dest`, followed by a zero byte. The byte that stopped it stays
// unread. False, with `dest` untouched, if the data ended before any byte.
bool read_token(byte_source& in, char* dest, std::size_t max);

// Skips white space, takes an optional sign, then digits: after 0x or 0X
// hexadecimal, after a leading 0 octal (that 0 counts as a digit), otherwise
// decimal. The value is built modulo 2^32 and negated for '-'. The first byte
// that is not a digit of the base stays unread. Succeeds, storing the value
// in `holder`, if a digit was taken; otherwise `holder` keeps its value and
// what was consumed (white space, sign, 0x) stays consumed.
bool read_integer(byte_source& in, std::int32_t& holder);

// read_integer byte by byte from the source, for any input.
bool read_integer_slowly(byte_source& in, std::int32_t& holder);

// Room a caller of scan_plain_integer must leave readable after `p`.
constexpr std::ptrdiff_t plain_integer_window = 24;

// The fast path of read_integer, for what tables hold: up to two white-space
// bytes, a sign and a plain decimal number (or a lone 0). The first 8 digits
// are found and converted 8 bytes at a time, without a branch per digit.
// At least plain_integer_window bytes must be readable from `p` on. Returns
// where the number ends, having set `value`; or null for anything else
// (octal, hexadecimal, no digit, more white space, a number reaching the end
// of the window), which read_integer_slowly must then read from `p`.
inline const unsigned char* scan_plain_integer(const unsigned char* p, std::int32_t& value) {
  if constexpr (std::endian::native != std::endian::little) {
    return nullptr;
  } else {
    const unsigned char* const window_end = p + plain_integer_window;
    p += space_table[*p];
    p += space_table[*p];
    const bool negative = *p == '-';
    p += negative | (*p == '+');

    std::uint64_t bytes;
    std::memcpy(&bytes, p, 8);
    const std::uint64_t d = bytes - 0x3030303030303030u;
    // High bit set in each byte that is not '0'..'9'; bytes after the first
    // such byte may be wrong (borrows), but only the first one counts.
    const std::uint64_t not_digit = (d | (d + 0x7676767676767676u)) & 0x8080808080808080u;
    const int digits = not_digit == 0 ? 8 : std::countr_zero(not_digit) / 8;
    if (digits == 0) return nullptr;
    if ((d & 0xFF) == 0 && (digits > 1 || p[1] == 'x' || p[1] == 'X')) return nullptr;
    // Digits moved to the top bytes, leading zero bytes below them.
    std::uint64_t v = d << (64 - 8 * digits);
    v = (v * 2561) >> 8;
    v = ((v & 0x00FF00FF00FF00FFu) * 6553601) >> 16;
    auto result = static_cast<std::uint32_t>(((v & 0x0000FFFF0000FFFFu) * 42949672960001u) >> 32);
    p += digits;
    if (digits == 8) {
      for (unsigned digit; p < window_end && (digit = static_cast<unsigned>(*p) - '0') <= 9; ++p) {
        result = result * 10 + digit;
      }
      if (p == window_end) return nullptr;
    }
    value = static_cast<std::int32_t>(negative ? 0u - result : result);
    return p;
  }
}

// The fast path for a run of byte values as tables hold them: each one tab
// and 1 to 8 decimal digits (no leading 0 but a lone one), 64 bytes of
// text examined at a time. Reads up to `count` values from `p`, storing the
// low 8 bits of each in `dest` and the whole of the last in `holder`, exactly
// as read_integer would; stops before the first value of another form, or
// when fewer than 80 bytes are left before `end`. Returns how many values it
// read, and moves `p` past them.
std::size_t scan_tabbed_bytes(const unsigned char*& p, const unsigned char* end,
                              unsigned char* dest, std::size_t count, std::int32_t& holder);

inline bool read_integer(byte_source& in, std::int32_t& holder) {
  const unsigned char* p = in.data();
  if (in.data_end() - p >= plain_integer_window) {
    if (const unsigned char* end = scan_plain_integer(p, holder)) {
      in.consume_to(end);
      return true;
    }
  }
  return read_integer_slowly(in, holder);
}

}  // namespace quorvex::table
