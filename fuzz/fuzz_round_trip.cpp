// A valid table, decoded from the input, carried binary -> text -> binary ->
// text in memory.
//
// The input is decoded record by record until it runs out. Each record
// starts with a control byte c:
//   c & 7      name length 2 + (c & 7) % 6, that is 2 to 7 characters
//   c & 0x08   reuse the previous record's name (and length) ...
//   c & 0x10   ... with the case of its letters swapped
//   c & 0x20   FramesPerDirection and AnimationSpeed from 4 bytes each,
//              otherwise from one signed byte each
//   c & 0x40   FrameData from 144 bytes, otherwise from one byte b as
//              b, b + 1, b + 2, ... (modulo 256)
//   c & 0x80   for a 7-character name, one more byte for the name field's
//              eighth byte, which the text form never holds
// followed by the name bytes (unless reused) and the values. A name byte that
// is zero or white space is replaced by itself | 0x40. Missing bytes read as
// zero. The binary table is built here: every record in the block of its
// name's bucket, in decoding order.
//
// Checked: the text read back holds every record once, in name order with
// equal names in the order of the binary table, each with its name up to the
// zero byte and all its values; the binary table written from it holds, block
// by block, the same records in that order; and that binary table gives the
// very same text again.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "convert/hash_list.h"
#include "fuzz_support.h"
#include "table/binary_table.h"
#include "table/scan.h"
#include "table/text_reader.h"
#include "table/text_writer.h"

namespace {

using namespace quorvex;
using fuzz::record_bytes;
using record_image = std::array<unsigned char, record_bytes>;

struct input {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos = 0;
  bool empty() const { return pos >= size; }
  unsigned char byte() { return pos < size ? data[pos++] : 0; }
};

bool is_letter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::vector<record_image> decode(input in) {
  std::vector<record_image> records;
  while (!in.empty()) {
    const unsigned char c = in.byte();
    record_image r{};
    std::size_t length = 2 + (c & 7u) % 6;
    if ((c & 0x08) != 0 && !records.empty()) {
      const record_image& previous = records.back();
      length = fuzz::printed_length(previous.data());
      for (std::size_t i = 0; i < length; ++i) {
        r[i] = previous[i];
        if ((c & 0x10) != 0 && is_letter(r[i])) r[i] ^= 0x20;
      }
    } else {
      for (std::size_t i = 0; i < length; ++i) {
        unsigned char b = in.byte();
        if (b == 0 || b == '\t' || b == '\n' || b == '\v' || b == '\f' || b == '\r' || b == ' ') {
          b |= 0x40;
        }
        r[i] = b;
      }
    }
    if ((c & 0x20) != 0) {
      for (std::size_t i = 8; i < 16; ++i) r[i] = in.byte();
    } else {
      fuzz::store_le32(&r[8], static_cast<signed char>(in.byte()));
      fuzz::store_le32(&r[12], static_cast<signed char>(in.byte()));
    }
    if ((c & 0x40) != 0) {
      for (std::size_t j = 0; j < fuzz::frame_values; ++j) r[16 + j] = in.byte();
    } else {
      const unsigned char b = in.byte();
      for (std::size_t j = 0; j < fuzz::frame_values; ++j) {
        r[16 + j] = static_cast<unsigned char>(b + j);
      }
    }
    if ((c & 0x80) != 0 && length == 7) r[7] = in.byte();
    records.push_back(r);
  }
  return records;
}

// The 256 blocks, each record in the block of its name's bucket.
std::vector<unsigned char> binary_table_of(const std::vector<record_image>& records) {
  std::vector<unsigned char> bytes;
  for (int b = 0; b < fuzz::buckets; ++b) {
    const auto in_block = [b](const record_image& r) {
      return fuzz::bucket_of(r.data()) == static_cast<unsigned>(b);
    };
    fuzz::put_le32(
        bytes, static_cast<std::int32_t>(std::count_if(records.begin(), records.end(), in_block)));
    for (const record_image& r : records) {
      if (in_block(r)) bytes.insert(bytes.end(), r.begin(), r.end());
    }
  }
  return bytes;
}

// The text table of a loaded binary table, through the hash list and the
// sorted index.
std::vector<unsigned char> text_of(const std::vector<unsigned char>& binary, std::int32_t expected,
                                   platform::out_stream& out, fuzz::memory_sink& sink) {
  table::read_binary_table(binary.data(), static_cast<std::int32_t>(binary.size()));
  const std::int32_t count = convert::build_sorted_name();
  FUZZ_CHECK(count == expected);
  std::vector<unsigned char> text =
      fuzz::write_to_memory(out, sink, platform::line_ends::text, [&](platform::out_stream& s) {
        table::write_text_header(s);
        table::write_text_table(s, convert::animdata_sorted_name, count);
      });
  convert::hash_list_free();
  convert::free_sorted_name();
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::silence_standard_output();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::memory_sink sink;
  static platform::out_stream out;

  const std::vector<record_image> records = decode(input{data, size});
  const auto n = static_cast<std::int32_t>(records.size());
  const std::vector<unsigned char> binary = binary_table_of(records);

  // What the text must hold: the records of the binary table in name order,
  // equal names in the order of the table, each without its eighth byte.
  std::vector<record_image> expected;
  for (std::size_t pos = 0, b = 0; b < fuzz::buckets; ++b) {
    std::int32_t k = fuzz::le32(&binary[pos]);
    for (pos += 4; k > 0; --k, pos += record_bytes) {
      expected.emplace_back();
      std::memcpy(expected.back().data(), &binary[pos], record_bytes);
    }
  }
  std::stable_sort(expected.begin(), expected.end(),
                   [](const record_image& a, const record_image& b) {
                     return fuzz::name_order(a.data(), b.data()) < 0;
                   });
  for (record_image& r : expected) r[7] = 0;

  const std::vector<unsigned char> text = text_of(binary, n, out, sink);

  table::byte_source source(text.data(), text.size());
  table::text_table_shape shape;
  const std::int32_t read = table::read_text_table_from(source, shape);
  FUZZ_CHECK(read == n && shape.data_lines == n && shape.records == n);
  for (std::int32_t i = 0; i < n; ++i) {
    const table::record_buffer& r = *table::animdata_records[i];
    FUZZ_CHECK(std::memcmp(&r.record, expected[static_cast<std::size_t>(i)].data(), record_bytes) ==
               0);
    FUZZ_CHECK(r.bucket == fuzz::bucket_of(expected[static_cast<std::size_t>(i)].data()));
  }

  const std::vector<unsigned char> binary_again =
      fuzz::write_to_memory(out, sink, platform::line_ends::binary, [&](platform::out_stream& s) {
        table::write_binary_table(s, table::animdata_records, read);
      });
  table::release_record_buffers();
  table::free_animdata_records();

  // Block by block: the records of each bucket in text order.
  FUZZ_CHECK(binary_again.size() == 1024 + record_bytes * records.size());
  std::vector<std::vector<const record_image*>> per_bucket(fuzz::buckets);
  for (const record_image& r : expected) per_bucket[fuzz::bucket_of(r.data())].push_back(&r);
  std::size_t pos = 0;
  for (const auto& block : per_bucket) {
    FUZZ_CHECK(fuzz::le32(&binary_again[pos]) == static_cast<std::int32_t>(block.size()));
    pos += 4;
    for (const record_image* r : block) {
      FUZZ_CHECK(std::memcmp(&binary_again[pos], r->data(), record_bytes) == 0);
      pos += record_bytes;
    }
  }

  FUZZ_CHECK(text_of(binary_again, n, out, sink) == text);
  return 0;
}
