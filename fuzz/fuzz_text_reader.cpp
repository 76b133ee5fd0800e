// Any bytes as the text table "AnimData.txt": read into record buffers,
// written as a binary table, then searched for duplicate names.
//
// The records are checked against a plain reading of the text, one byte at a
// time, that follows the rules of the format step by step (the name token of
// up to 10 bytes with its quoted form, the integer read with its bases, its
// modulo 2^32 and its failed reads that keep the holder's value). The reader
// keeps min(data lines, records met) records. The binary table is then
// 1,024 + 160 * that count bytes, its block counts add up to it, and every
// block holds the records of its bucket in text order. The duplicate flags
// are checked against the report done literally, pair by pair.
//
// The same text is also read through a file with a small, input-dependent
// buffer, so that refilling and the seek back to the first data line are
// crossed at every position; it must give the same records.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "convert/text_to_binary.h"
#include "fuzz_support.h"
#include "table/binary_table.h"
#include "table/scan.h"
#include "table/text_reader.h"

namespace {

using namespace quorvex;
using table::record_buffer;

// --- The reading of the text, step by step --------------------------------

bool white(int c) {
  return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ' ';
}
bool line_end(int c) {
  return c == '\r' || c == '\n';
}

struct cursor {
  const unsigned char* data;
  std::size_t size;
  std::size_t pos = 0;
  int peek() const { return pos < size ? data[pos] : -1; }
  int get() { return pos < size ? data[pos++] : -1; }
};

// "%9s" into dest: skip white space, take up to 9 other bytes and a zero
// byte; nothing stored if the text ends first.
void read_name_token(cursor& in, char* dest) {
  while (in.peek() != -1 && white(in.peek())) ++in.pos;
  std::size_t n = 0;
  while (n < 9 && in.peek() != -1 && !white(in.peek())) dest[n++] = static_cast<char>(in.get());
  if (n > 0) dest[n] = 0;
}

// "%li" / "%i" as the format reads them.
void read_value(cursor& in, std::int32_t& holder) {
  while (in.peek() != -1 && white(in.peek())) ++in.pos;
  bool negative = false;
  if (in.peek() == '+' || in.peek() == '-') negative = in.get() == '-';
  std::uint32_t base = 10;
  bool digits = false;
  if (in.peek() == '0') {
    ++in.pos;
    if (in.peek() == 'x' || in.peek() == 'X') {
      ++in.pos;
      base = 16;
    } else {
      base = 8;
      digits = true;
    }
  }
  std::uint32_t value = 0;
  for (;;) {
    const int c = in.peek();
    std::uint32_t d = 99;
    if (c >= '0' && c <= '9') d = static_cast<std::uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f') d = static_cast<std::uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') d = static_cast<std::uint32_t>(c - 'A' + 10);
    if (d >= base) break;
    value = value * base + d;
    digits = true;
    ++in.pos;
  }
  if (!digits) return;
  if (negative) value = 0u - value;
  holder = static_cast<std::int32_t>(value);
}

struct expected_table {
  std::int64_t data_lines = 0;
  std::int64_t records = 0;
  std::vector<record_buffer> kept;  // the first min(data_lines, records)
};

expected_table read_as_described(const unsigned char* data, std::size_t size) {
  expected_table t;
  cursor in{data, size};
  // The header line, then the run of line ends after it.
  int c;
  do c = in.get();
  while (c != -1 && !line_end(c));
  while (line_end(c)) c = in.get();
  if (c == -1) return t;

  // Data lines: maximal runs of bytes other than CR and LF.
  for (std::size_t i = in.pos - 1; i < size; ++i) {
    t.data_lines += !line_end(data[i]) && (i == in.pos - 1 || line_end(data[i - 1]));
  }

  std::int32_t long_holder = 0;
  std::int32_t frame_holder = 0;
  for (;;) {
    record_buffer r;
    std::memset(&r, 0, sizeof r);
    char token[11] = {};
    token[0] = static_cast<char>(c);
    read_name_token(in, token + 1);
    std::memcpy(r.record.CofName, (token[0] == '"' && token[8] == '"') ? token + 1 : token, 7);
    r.bucket = static_cast<unsigned char>(
        fuzz::bucket_of(reinterpret_cast<const unsigned char*>(r.record.CofName)));
    read_value(in, long_holder);
    fuzz::store_le32(r.record.FramesPerDirection, long_holder);
    read_value(in, long_holder);
    fuzz::store_le32(r.record.AnimationSpeed, long_holder);
    for (std::size_t j = 0; j < fuzz::frame_values; ++j) {
      read_value(in, frame_holder);
      r.record.FrameData[j] = static_cast<unsigned char>(frame_holder);
    }
    if (t.records < t.data_lines) t.kept.push_back(r);
    ++t.records;
    do c = in.get();
    while (line_end(c));
    if (c == -1) return t;
  }
}

// The duplicate report done literally: for each neighbouring pair with equal
// names whose first record is not flagged yet, flag it and every later
// record of that name.
std::vector<unsigned char> duplicate_flags(const std::vector<record_buffer>& records) {
  std::vector<unsigned char> flag(records.size(), 0);
  auto name = [&](std::size_t i) {
    return reinterpret_cast<const unsigned char*>(records[i].record.CofName);
  };
  for (std::size_t k = 1; k < records.size(); ++k) {
    if (flag[k - 1] != 0 || fuzz::name_order(name(k - 1), name(k)) != 0) continue;
    flag[k - 1] = 1;
    for (std::size_t j = k; j < records.size(); ++j) {
      if (fuzz::name_order(name(k - 1), name(j)) == 0) flag[j] = 1;
    }
  }
  return flag;
}

// --- The checks ------------------------------------------------------------

void check_records(const expected_table& expected, std::int32_t result,
                   const table::text_table_shape& shape) {
  FUZZ_CHECK(shape.data_lines == expected.data_lines);
  FUZZ_CHECK(shape.records == expected.records);
  FUZZ_CHECK(result == std::min(shape.data_lines, shape.records));
  FUZZ_CHECK(static_cast<std::size_t>(result) == expected.kept.size());
  // No data lines: the slot array is empty and may be absent.
  FUZZ_CHECK(table::animdata_records != nullptr || shape.data_lines == 0);
  for (std::int32_t i = 0; i < result; ++i) {
    FUZZ_CHECK(table::animdata_records[i] != nullptr);
    FUZZ_CHECK(std::memcmp(table::animdata_records[i], &expected.kept[static_cast<std::size_t>(i)],
                           sizeof(record_buffer)) == 0);
  }
}

void check_binary_table(const std::vector<unsigned char>& bytes, const expected_table& expected) {
  const std::size_t n = expected.kept.size();
  FUZZ_CHECK(bytes.size() == 1024 + fuzz::record_bytes * n);
  std::vector<std::vector<const record_buffer*>> per_bucket(fuzz::buckets);
  for (const record_buffer& r : expected.kept) per_bucket[r.bucket].push_back(&r);
  std::size_t pos = 0;
  std::size_t total = 0;
  for (int b = 0; b < fuzz::buckets; ++b) {
    const std::int32_t count = fuzz::le32(bytes.data() + pos);
    pos += 4;
    FUZZ_CHECK(count >= 0 && static_cast<std::size_t>(count) == per_bucket[b].size());
    total += per_bucket[b].size();
    for (const record_buffer* r : per_bucket[b]) {
      FUZZ_CHECK(std::memcmp(bytes.data() + pos, &r->record, fuzz::record_bytes) == 0);
      pos += fuzz::record_bytes;
    }
  }
  FUZZ_CHECK(total == n && pos == bytes.size());
}

void release_records() {
  table::release_record_buffers();
  table::free_animdata_records();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::silence_standard_output();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::memory_sink sink;
  static platform::out_stream out;
  const expected_table expected = read_as_described(data, size);

  table::text_table_shape shape;
  table::byte_source memory(data, size);
  const std::int32_t result = table::read_text_table_from(memory, shape);
  check_records(expected, result, shape);

  const std::vector<unsigned char>& binary =
      fuzz::write_to_memory(out, sink, platform::line_ends::binary, [&](platform::out_stream& s) {
        table::write_binary_table(s, table::animdata_records, result);
      });
  check_binary_table(binary, expected);

  convert::report_duplicates(table::animdata_records, result);
  const std::vector<unsigned char> flags = duplicate_flags(expected.kept);
  for (std::int32_t i = 0; i < result; ++i) {
    FUZZ_CHECK(table::animdata_records[i]->bucket == flags[static_cast<std::size_t>(i)]);
  }
  release_records();

  // Again through a file, read a few bytes at a time.
  if (size > 0) {
    static constexpr std::size_t capacities[] = {1, 2, 7, 25, 31, 64, 4096};
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    FUZZ_CHECK(file != nullptr);
    table::byte_source buffered(file, capacities[size % std::size(capacities)]);
    table::text_table_shape file_shape;
    const std::int32_t file_result = table::read_text_table_from(buffered, file_shape);
    check_records(expected, file_result, file_shape);
    std::fclose(file);
    release_records();
  }
  return 0;
}
