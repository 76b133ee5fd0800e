// What the fuzz targets share: a check that aborts with the failed
// condition, a FILE* that writes into memory (the sink an out_stream writes
// to), and the small facts about the two file forms that the targets check
// the library against. The facts are written out here from the formats
// themselves, not taken from the library, so that a fault in the library
// cannot hide itself by agreeing with its own check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/out_stream.h"

namespace quorvex::fuzz {

[[noreturn]] inline void fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::quorvex::fuzz::fail(#condition, __FILE__, __LINE__))

// Messages of the library (allocation failures, duplicate warnings) go
// nowhere, so that they neither slow the run down nor mix with libFuzzer's
// own output.
inline void silence_standard_output() {
  platform::standard_output().attach(std::fopen("/dev/null", "wb"), platform::line_ends::text);
}

// A FILE* that appends every byte written to it to a block of memory. Made
// once per process; clear() empties it for the next input. An out_stream
// takes it with attach() and gives it back with detach(), which flushes.
class memory_sink {
 public:
  memory_sink() {
    cookie_io_functions_t io{};
    io.write = [](void* cookie, const char* data, std::size_t size) -> ssize_t {
      auto* bytes = static_cast<std::vector<unsigned char>*>(cookie);
      bytes->insert(bytes->end(), data, data + size);
      return static_cast<ssize_t>(size);
    };
    file_ = fopencookie(&bytes_, "wb", io);
    if (file_ == nullptr) fail("fopencookie", __FILE__, __LINE__);
    std::setvbuf(file_, nullptr, _IONBF, 0);
  }
  memory_sink(const memory_sink&) = delete;
  memory_sink& operator=(const memory_sink&) = delete;

  std::FILE* file() const { return file_; }
  void clear() { bytes_.clear(); }
  const std::vector<unsigned char>& bytes() const { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
  std::FILE* file_ = nullptr;
};

// Room enough for the longest record line that write_text_table reserves.
constexpr std::size_t stream_capacity = 64 * 1024;

// Runs `write` against an out_stream over `sink` and returns what reached the
// sink; fails if the stream reports a failed write.
template <typename Write>
const std::vector<unsigned char>& write_to_memory(platform::out_stream& out, memory_sink& sink,
                                                  platform::line_ends mode, Write write) {
  sink.clear();
  out.attach(sink.file(), mode, stream_capacity);
  write(out);
  FUZZ_CHECK(out.detach() == sink.file());
  FUZZ_CHECK(!out.failed());
  return sink.bytes();
}

// --- The formats, as described ---------------------------------------------

constexpr std::size_t record_bytes = 160;
constexpr std::size_t frame_values = 144;
constexpr int buckets = 256;

inline std::int32_t le32(const unsigned char* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                   std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

inline void store_le32(unsigned char* p, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline void put_le32(std::vector<unsigned char>& out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

// The bucket of a name: the low 8 bits of the sum of bytes 0 to 6, a-z
// counted as A-Z.
inline unsigned bucket_of(const unsigned char* name) {
  unsigned sum = 0;
  for (int i = 0; i < 7; ++i) sum += (name[i] >= 'a' && name[i] <= 'z') ? name[i] - 32u : name[i];
  return sum & 0xFF;
}

// The name order: bytes up to the end of both names, A-Z folded to a-z,
// unsigned; a name field with no zero byte ends after its 8 bytes.
inline int name_order(const unsigned char* a, const unsigned char* b) {
  for (int i = 0; i < 8; ++i) {
    if (a[i] == b[i]) {
      if (a[i] == 0) return 0;
      continue;
    }
    const unsigned fa = (a[i] >= 'A' && a[i] <= 'Z') ? a[i] + 32u : a[i];
    const unsigned fb = (b[i] >= 'A' && b[i] <= 'Z') ? b[i] + 32u : b[i];
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  return 0;
}

// The printed name: bytes before the first zero byte, at most 7.
inline std::size_t printed_length(const unsigned char* name) {
  std::size_t n = 0;
  while (n < 7 && name[n] != 0) ++n;
  return n;
}

// The header line of the text table with its CR LF.
inline const std::string& text_header() {
  static const std::string header = [] {
    std::string h = "CofName\tFramesPerDirection\tAnimationSpeed";
    char column[32];
    for (int n = 0; n < 144; ++n) {
      std::snprintf(column, sizeof column, "\tFrameData%03d", n);
      h += column;
    }
    return h + "\r\n";
  }();
  return header;
}

// The line of one record as the text table holds it: the printed name (an LF
// leaving as CR LF), then the two signed and 144 unsigned values, each after
// a tab, then CR LF.
inline std::string text_line(const unsigned char* record) {
  std::string line;
  for (std::size_t i = 0; i < printed_length(record); ++i) {
    if (record[i] == '\n') line += '\r';
    line += static_cast<char>(record[i]);
  }
  char value[16];
  for (std::size_t offset = 8; offset < 16; offset += 4) {
    std::snprintf(value, sizeof value, "\t%d", static_cast<int>(le32(record + offset)));
    line += value;
  }
  for (std::size_t j = 0; j < frame_values; ++j) {
    std::snprintf(value, sizeof value, "\t%u", static_cast<unsigned>(record[16 + j]));
    line += value;
  }
  return line + "\r\n";
}

}  // namespace quorvex::fuzz
