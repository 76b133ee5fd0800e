#include "table/binary_table.h"

#include <cstdlib>
#include <cstring>

#include "convert/hash_list.h"

namespace quorvex::table {

void read_binary_table(const unsigned char* data, std::int32_t size) {
  const std::int64_t end = size;
  std::int64_t pos = 0;
  for (int bucket = 0; bucket < bucket_count; ++bucket) {
    if (pos + 4 > end) continue;
    const std::int32_t count = load_le32(data + pos);
    pos += 4;
    for (std::int32_t i = 0; i < count; ++i) {
      // Once a record does not fit, no later record can: stop looking.
      if (pos + static_cast<std::int64_t>(record_size) > end) break;
      convert::hash_list_add(bucket, reinterpret_cast<const animdata_record*>(data + pos));
      pos += record_size;
    }
  }
}

namespace {

void write_count(platform::out_stream& out, std::uint32_t count) {
  unsigned char bytes[4];
  store_le32(bytes, static_cast<std::int32_t>(count));
  out.write_raw(bytes, 4);
}

}  // namespace

void write_binary_table(platform::out_stream& out, record_buffer* const* records,
                        std::int32_t count) {
  const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
  std::uint32_t per_bucket[bucket_count] = {};
  for (std::size_t i = 0; i < n; ++i) ++per_bucket[records[i]->bucket];

  // Group the records by bucket with one counting pass: `order` lists the
  // array positions bucket by bucket, in array order within each bucket.
  auto* order = static_cast<std::uint32_t*>(std::malloc(n > 0 ? n * sizeof(std::uint32_t) : 1));
  if (order != nullptr) {
    std::size_t next[bucket_count];
    std::size_t start = 0;
    for (int b = 0; b < bucket_count; ++b) {
      next[b] = start;
      start += per_bucket[b];
    }
    for (std::size_t i = 0; i < n; ++i)
      order[next[records[i]->bucket]++] = static_cast<std::uint32_t>(i);
    std::size_t k = 0;
    for (int b = 0; b < bucket_count; ++b) {
      write_count(out, per_bucket[b]);
      for (std::uint32_t left = per_bucket[b]; left > 0; --left) {
        out.write_raw(&records[order[k++]]->record, record_size);
      }
    }
    std::free(order);
    return;
  }

  // No memory for the grouping: one pass per non-empty bucket instead, which
  // writes the same bytes.
  for (int b = 0; b < bucket_count; ++b) {
    write_count(out, per_bucket[b]);
    std::uint32_t left = per_bucket[b];
    for (std::size_t i = 0; left > 0; ++i) {
      if (records[i]->bucket != b) continue;
      out.write_raw(&records[i]->record, record_size);
      --left;
    }
  }
}

}  // namespace quorvex::table
