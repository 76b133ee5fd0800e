// Any bytes as the loaded content of a binary table file: walked into the
// hash list, sorted into the name index and written as the text table.
//
// Checked against the layout of the file: exactly the records that lie
// wholly inside the content are taken, each in the list of its block, in
// reverse order of the file; the index holds each of them once, in name
// order with equal names in file order; the text is the header and one line
// per index entry, with 146 tabs on every line whose name holds no tab or
// LF, and nothing else.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "convert/hash_list.h"
#include "fuzz_support.h"
#include "table/binary_table.h"
#include "table/text_writer.h"

namespace {

using namespace quorvex;
using fuzz::record_bytes;

struct taken_record {
  int bucket;
  std::size_t offset;
};

// The records a walk of the 256 blocks takes: a count of 0 or less leaves
// its block empty, fewer than 4 bytes left leave the rest empty, and a record
// that would run past the end is not taken (nor is any after it).
std::vector<taken_record> records_in(const unsigned char* data, std::size_t size) {
  std::vector<taken_record> taken;
  std::size_t pos = 0;
  for (int b = 0; b < fuzz::buckets; ++b) {
    if (size - pos < 4) continue;
    const std::int32_t count = fuzz::le32(data + pos);
    pos += 4;
    for (std::int32_t i = 0; i < count && size - pos >= record_bytes; ++i) {
      taken.push_back({b, pos});
      pos += record_bytes;
    }
  }
  return taken;
}

void check_hash_lists(const unsigned char* data, const std::vector<taken_record>& taken) {
  // Each list holds its block's records, last one first.
  std::vector<std::vector<std::size_t>> per_bucket(fuzz::buckets);
  for (const taken_record& t : taken) per_bucket[t.bucket].push_back(t.offset);
  for (int b = 0; b < fuzz::buckets; ++b) {
    const convert::hash_node* node = convert::hash_list[b];
    for (auto it = per_bucket[b].rbegin(); it != per_bucket[b].rend(); ++it) {
      FUZZ_CHECK(node != nullptr);
      FUZZ_CHECK(reinterpret_cast<const unsigned char*>(node->record) == data + *it);
      node = node->next;
    }
    FUZZ_CHECK(node == nullptr);
  }
}

void check_index(const unsigned char* data, const std::vector<taken_record>& taken,
                 std::int32_t count) {
  FUZZ_CHECK(count >= 0 && static_cast<std::size_t>(count) == taken.size());
  // An empty index needs no memory and may be absent.
  FUZZ_CHECK(convert::animdata_sorted_name != nullptr || count == 0);
  std::vector<std::size_t> offsets;
  const unsigned char* previous = nullptr;
  for (std::int32_t i = 0; i < count; ++i) {
    const auto* record =
        reinterpret_cast<const unsigned char*>(convert::animdata_sorted_name[i]->record);
    offsets.push_back(static_cast<std::size_t>(record - data));
    if (previous != nullptr) {
      const int order = fuzz::name_order(previous, record);
      FUZZ_CHECK(order < 0 || (order == 0 && previous < record));
    }
    previous = record;
  }
  // Every record taken, once: the walk lists them in increasing offsets.
  std::sort(offsets.begin(), offsets.end());
  for (std::size_t i = 0; i < offsets.size(); ++i) FUZZ_CHECK(offsets[i] == taken[i].offset);
}

void check_text(const std::vector<unsigned char>& text, std::int32_t count) {
  const std::string& header = fuzz::text_header();
  FUZZ_CHECK(text.size() >= header.size());
  FUZZ_CHECK(std::memcmp(text.data(), header.data(), header.size()) == 0);

  // Lines: one per record and the header, plus one for every LF byte inside
  // a name, which leaves as CR LF like a line end.
  std::size_t name_line_ends = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    const auto* r =
        reinterpret_cast<const unsigned char*>(convert::animdata_sorted_name[i]->record);
    name_line_ends += static_cast<std::size_t>(std::count(r, r + fuzz::printed_length(r), '\n'));
  }
  std::size_t crlf = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) crlf += text[i] == '\r' && text[i + 1] == '\n';
  FUZZ_CHECK(crlf == static_cast<std::size_t>(count) + 1 + name_line_ends);

  std::size_t pos = header.size();
  for (std::int32_t i = 0; i < count; ++i) {
    const auto* r =
        reinterpret_cast<const unsigned char*>(convert::animdata_sorted_name[i]->record);
    const std::string line = fuzz::text_line(r);
    FUZZ_CHECK(text.size() - pos >= line.size());
    FUZZ_CHECK(std::memcmp(text.data() + pos, line.data(), line.size()) == 0);
    const std::size_t name_length = fuzz::printed_length(r);
    if (std::none_of(r, r + name_length, [](unsigned char c) { return c == '\t' || c == '\n'; })) {
      FUZZ_CHECK(std::count(text.begin() + static_cast<std::ptrdiff_t>(pos),
                            text.begin() + static_cast<std::ptrdiff_t>(pos + line.size()),
                            '\t') == 146);
    }
    pos += line.size();
  }
  FUZZ_CHECK(pos == text.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::silence_standard_output();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > INT32_MAX) return 0;
  static fuzz::memory_sink sink;
  static platform::out_stream out;

  const std::vector<taken_record> taken = records_in(data, size);
  table::read_binary_table(data, static_cast<std::int32_t>(size));
  check_hash_lists(data, taken);

  const std::int32_t count = convert::build_sorted_name();
  check_index(data, taken, count);

  const std::vector<unsigned char>& text =
      fuzz::write_to_memory(out, sink, platform::line_ends::text, [&](platform::out_stream& s) {
        table::write_text_header(s);
        table::write_text_table(s, convert::animdata_sorted_name, count);
      });
  check_text(text, count);

  convert::hash_list_free();
  convert::free_sorted_name();
  return 0;
}
