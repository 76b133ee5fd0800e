#include "table/scan.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/platform.h"

namespace quorvex::table {

byte_source::byte_source(std::FILE* file, std::size_t capacity) : file_(file) {
  if (capacity > sizeof fallback_) owned_.reset(new (std::nothrow) unsigned char[capacity]);
  buffer_ = owned_ ? owned_.get() : fallback_;
  capacity_ = owned_ ? capacity : sizeof fallback_;
  window_ = pos_ = end_ = buffer_;
}

byte_source::byte_source(const unsigned char* data, std::size_t size)
    : window_(data), pos_(data), end_(data + size), memory_(data), memory_size_(size) {}

bool byte_source::refill() {
  if (file_ == nullptr) return false;
  window_offset_ += end_ - window_;
  window_ = pos_ = end_ = buffer_;
  const std::size_t n = std::fread(buffer_, 1, capacity_, file_);
  if (n < capacity_ && std::ferror(file_)) read_error_ = true;
  end_ = window_ + n;
  return n > 0;
}

int byte_source::refill_and_get() {
  return refill() ? *pos_++ : end_of_data;
}

int byte_source::refill_and_peek() {
  return refill() ? *pos_ : end_of_data;
}

bool byte_source::seek(std::int64_t offset) {
  if (file_ == nullptr) {
    if (offset < 0 || static_cast<std::uint64_t>(offset) > memory_size_) return false;
    window_ = memory_;
    pos_ = memory_ + offset;
    end_ = memory_ + memory_size_;
    window_offset_ = 0;
    return true;
  }
  if (offset >= window_offset_ && offset <= window_offset_ + (end_ - window_)) {
    pos_ = window_ + (offset - window_offset_);
    return true;
  }
  if (!platform::seek_to(file_, offset)) return false;
  window_offset_ = offset;
  window_ = pos_ = end_ = buffer_;
  return true;
}

namespace {

// Line starts in [p, end): bytes other than CR and LF that follow a CR or LF;
// `after_line_end` tells whether the byte before p was one, and is updated.
std::int64_t count_starts(const unsigned char* p, const unsigned char* end, bool& after_line_end) {
  std::int64_t count = 0;
  unsigned prev = after_line_end ? 1u : 0u;
#if defined(__SSE2__)
  // Sixteen bytes at a time: a mask of the line-end bytes, shifted by one to
  // line up each byte with the one before it.
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; end - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto eol = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
    // Line starts are rare (one in hundreds of bytes): count bit by bit.
    for (unsigned starts = ~eol & ((eol << 1) | prev) & 0xFFFFu; starts != 0;
         starts &= starts - 1) {
      ++count;
    }
    prev = eol >> 15;
  }
#endif
  for (; p < end; ++p) {
    const unsigned eol = (*p == '\r') | (*p == '\n');
    count += prev & (eol ^ 1u);
    prev = eol;
  }
  after_line_end = prev != 0;
  return count;
}

}  // namespace

std::int64_t byte_source::count_line_starts(bool in_line_end) {
  std::int64_t count = 0;
  do {
    count += count_starts(pos_, end_, in_line_end);
    pos_ = end_;
  } while (refill());
  return count;
}

bool read_token(byte_source& in, char* dest, std::size_t max) {
  int c = in.peek();
  while (c != end_of_data && is_space(c)) {
    in.advance();
    c = in.peek();
  }
  std::size_t n = 0;
  while (n < max && c != end_of_data && !is_space(c)) {
    dest[n++] = static_cast<char>(c);
    in.advance();
    c = in.peek();
  }
  if (n == 0) return false;
  dest[n] = 0;
  return true;
}

namespace {

// Value of c as a digit of `base`, or -1.
inline int digit_value(int c, unsigned base) {
  int d;
  if (c >= '0' && c <= '9') {
    d = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    d = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    d = c - 'A' + 10;
  } else {
    return -1;
  }
  return static_cast<unsigned>(d) < base ? d : -1;
}

}  // namespace

bool read_integer_slowly(byte_source& in, std::int32_t& holder) {
  int c = in.peek();
  while (c != end_of_data && is_space(c)) {
    in.advance();
    c = in.peek();
  }
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    in.advance();
    c = in.peek();
  }
  unsigned base = 10;
  bool took_digit = false;
  std::uint32_t value = 0;
  if (c == '0') {
    in.advance();
    c = in.peek();
    if (c == 'x' || c == 'X') {
      in.advance();
      c = in.peek();
      base = 16;
    } else {
      base = 8;
      took_digit = true;
    }
  }
  for (;;) {
    const int d = digit_value(c, base);
    if (d < 0) break;
    value = value * base + static_cast<std::uint32_t>(d);
    took_digit = true;
    in.advance();
    c = in.peek();
  }
  if (!took_digit) return false;
  if (negative) value = 0u - value;
  holder = static_cast<std::int32_t>(value);
  return true;
}

namespace {

#if defined(__SSE2__)
// Bit i set where byte i of the 64 bytes at p is a tab, and where it is a
// decimal digit.
struct byte_masks {
  std::uint64_t tabs;
  std::uint64_t digits;
};

byte_masks classify_64(const unsigned char* p) {
  const __m128i tab = _mm_set1_epi8('\t');
  // Bytes 0x80 and up are negative here, so below '0': not digits.
  const __m128i below_zero = _mm_set1_epi8('0' - 1);
  const __m128i above_nine = _mm_set1_epi8('9' + 1);
  byte_masks m{0, 0};
  for (int i = 0; i < 4; ++i) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    const auto tabs = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, tab)));
    const auto digits = static_cast<std::uint32_t>(_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpgt_epi8(v, below_zero), _mm_cmplt_epi8(v, above_nine))));
    m.tabs |= std::uint64_t{tabs} << (16 * i);
    m.digits |= std::uint64_t{digits} << (16 * i);
  }
  return m;
}

// Bit i set where byte i of the 64 bytes at p is '0'.
std::uint64_t classify_zeros(const unsigned char* p) {
  const __m128i zero = _mm_set1_epi8('0');
  std::uint64_t m = 0;
  for (int i = 0; i < 4; ++i) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    m |= std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)))}
         << (16 * i);
  }
  return m;
}
#endif

}  // namespace

std::size_t scan_tabbed_bytes(const unsigned char*& p, const unsigned char* end,
                              unsigned char* dest, std::size_t count, std::int32_t& holder) {
  std::size_t done = 0;
#if defined(__SSE2__)
  if constexpr (std::endian::native == std::endian::little) {
    // 64 bytes are examined, and a value's 8-byte read may start at the last.
    while (done < count && end - p >= 80) {
      const byte_masks m = classify_64(p);
      if ((m.tabs & 1u) == 0) break;
      if (m.tabs == 0x5555555555555555u && m.digits == 0xAAAAAAAAAAAAAAAAu &&
          (p[64] == '\t' || p[64] == '\r' || p[64] == '\n') && count - done >= 32) {
        // 32 values of one digit each, as sparse tables are made of, the
        // last one ended by white space (not by more digits, nor by the x of
        // a hexadecimal prefix): the digits are the odd bytes.
        const __m128i zero_digit = _mm_set1_epi8('0');
        for (int half = 0; half < 2; ++half) {
          const auto* q = reinterpret_cast<const __m128i*>(p + 32 * half);
          const __m128i odd = _mm_packus_epi16(_mm_srli_epi16(_mm_loadu_si128(q), 8),
                                               _mm_srli_epi16(_mm_loadu_si128(q + 1), 8));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + done + 16 * half),
                           _mm_sub_epi8(odd, zero_digit));
        }
        done += 32;
        holder = dest[done - 1];
        p += 64;
        continue;
      }
      // The values taken are those between two tabs, all digits, before any
      // byte that is neither a tab nor a digit; a value that is empty or
      // begins with a 0 followed by more digits (octal) ends the run at its
      // tab. Walking from tab to tab along the mask, the cursor never waits
      // for the text of a value.
      const std::uint64_t zeros = classify_zeros(p);
      const std::uint64_t bad = m.tabs & ((m.tabs >> 1) | ((zeros >> 1) & (m.digits >> 2)));
      unsigned limit = static_cast<unsigned>(std::countr_zero(~(m.tabs | m.digits)));
      if (bad != 0) limit = std::min(limit, static_cast<unsigned>(std::countr_zero(bad)) + 1);
      std::uint64_t tabs = limit >= 64 ? m.tabs : m.tabs & ((std::uint64_t{1} << limit) - 1);
      unsigned at = 0;
      tabs &= tabs - 1;
      while (tabs != 0 && done < count) {
        const auto next = static_cast<unsigned>(std::countr_zero(tabs));
        const unsigned length = next - at - 1;
        if (length > 8) break;
        tabs &= tabs - 1;
        std::uint64_t bytes;
        std::memcpy(&bytes, p + at + 1, 8);
        std::uint64_t d = (bytes - 0x3030303030303030u) << (64 - 8 * length);
        d = (d * 2561) >> 8;
        d = ((d & 0x00FF00FF00FF00FFu) * 6553601) >> 16;
        const auto value =
            static_cast<std::uint32_t>(((d & 0x0000FFFF0000FFFFu) * 42949672960001u) >> 32);
        dest[done++] = static_cast<unsigned char>(value);
        holder = static_cast<std::int32_t>(value);
        at = next;
      }
      if (at == 0) break;
      p += at;
    }
  }
#else
  (void)p;
  (void)end;
  (void)dest;
  (void)count;
  (void)holder;
#endif
  return done;
}

}  // namespace quorvex::table
