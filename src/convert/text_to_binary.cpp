#include "convert/text_to_binary.h"

#include <cstdlib>

#include "cli/fatal.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "table/binary_table.h"
#include "table/text_reader.h"

namespace quorvex::convert {

namespace {

// The names warned about so far, by name key. A key can never be 1: that
// would be a name whose first byte is zero but whose last byte is not, and
// bytes after a name's end are zero in a key. So 1 marks an empty slot.
class name_set {
 public:
  static constexpr std::uint64_t empty = 1;

  // Room for up to `max_names` names; false if it cannot be had.
  bool reserve(std::size_t max_names) {
    std::size_t capacity = 16;
    shift_ = 60;
    while (capacity < 2 * max_names) {
      capacity *= 2;
      --shift_;
    }
    slots_ = static_cast<std::uint64_t*>(std::malloc(capacity * sizeof(std::uint64_t)));
    if (slots_ == nullptr) return false;
    for (std::size_t i = 0; i < capacity; ++i) slots_[i] = empty;
    mask_ = capacity - 1;
    return true;
  }
  ~name_set() { std::free(slots_); }

  std::uint64_t* find(std::uint64_t key) const {
    // Fibonacci hashing: the top bits of the product depend on every byte,
    // where the low bits of a short name's key are all zero.
    std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
    while (slots_[i] != empty && slots_[i] != key) i = (i + 1) & mask_;
    return &slots_[i];
  }
  bool contains(std::uint64_t key) const { return *find(key) == key; }
  void insert(std::uint64_t key) { *find(key) = key; }

 private:
  std::uint64_t* slots_ = nullptr;
  std::size_t mask_ = 0;
  int shift_ = 60;
};

void warn_duplicate(const table::animdata_record& r) {
  platform::print("warning : '%.7s' is present more than once in %s\n", r.CofName,
                  binary_file_name);
}

// The report done literally: after each warning, flag every later record of
// the name. Quadratic on many duplicated names; used only when the name set
// cannot be had.
void report_duplicates_by_marking(table::record_buffer* const* records, std::int32_t count) {
  for (std::int32_t k = 1; k < count; ++k) {
    table::record_buffer& a = *records[k - 1];
    if (a.bucket != 0 || table::compare_names(a.record, records[k]->record) != 0) continue;
    warn_duplicate(a.record);
    a.bucket = 1;
    for (std::int32_t j = k; j < count; ++j) {
      if (table::compare_names(a.record, records[j]->record) == 0) records[j]->bucket = 1;
    }
  }
}

}  // namespace

void report_duplicates(table::record_buffer* const* records, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) records[i]->bucket = 0;
  if (count < 2) return;

  // A record is flagged once its name has been warned about at or before its
  // position, so one look-up per record replaces the scan to the end after
  // each warning. At most one name is warned about per two records.
  name_set warned;
  if (!warned.reserve(static_cast<std::size_t>(count) / 2 + 1)) {
    report_duplicates_by_marking(records, count);
    return;
  }
  bool any_warned = false;
  std::uint64_t previous_key = table::name_key(records[0]->record);
  for (std::int32_t k = 1; k < count; ++k) {
    table::record_buffer& a = *records[k - 1];
    table::record_buffer& b = *records[k];
    const std::uint64_t key = table::name_key(b.record);
    if (key == previous_key && a.bucket == 0) {
      warn_duplicate(a.record);
      a.bucket = 1;
      warned.insert(key);
      any_warned = true;
    }
    if (any_warned && warned.contains(key)) b.bucket = 1;
    previous_key = key;
  }
}

void text_to_binary() {
  table::text_table_shape shape;
  const std::int32_t count = table::read_text_table(shape);
  if (count < 0) {
    table::release_record_buffers();
    return;
  }

  platform::out_stream out(platform::open_for_writing(binary_file_name),
                           platform::line_ends::binary);
  if (!out.is_open()) cli::fatal_error(1, "can't open for writing %s\n", binary_file_name);
  table::write_binary_table(out, table::animdata_records, count);
  // A failed write, flush or close must not pass for a finished table.
  if (!out.close()) cli::fatal_error(1, "can't write %s\n", binary_file_name);

  platform::print("%li records writen into %s\n\n", static_cast<long>(count), binary_file_name);
  if (shape.records != shape.data_lines) {
    platform::print("warning : %s has %lli data lines but %lli records\n", table::text_file_name,
                    static_cast<long long>(shape.data_lines),
                    static_cast<long long>(shape.records));
  }
  platform::flush_standard_output();
  report_duplicates(table::animdata_records, count);
  platform::flush_standard_output();
  table::release_record_buffers();
}

}  // namespace quorvex::convert
