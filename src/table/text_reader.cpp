#include "table/text_reader.h"

#include <cstdlib>
#include <cstring>

#include "cli/fatal.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "table/chunk_pool.h"

namespace quorvex::table {

record_buffer** animdata_records = nullptr;

namespace {

// Record buffers are carved out of chunks of up to 65,536 records, so that
// records of neighbouring lines lie next to each other.
chunk_pool<record_buffer> record_buffers(65536);

record_buffer* new_record_buffer() {
  record_buffer* r = record_buffers.allocate();
  if (r != nullptr) std::memset(r, 0, sizeof *r);
  return r;
}

// Parses one record whose record-start byte has been read already.
void parse_record(byte_source& in, int start, record_buffer& r, std::int32_t& long_holder,
                  std::int32_t& frame_holder) {
  // The name token: the record-start byte, then up to 9 more. Cleared for
  // every record, so that nothing of an earlier line reaches this one.
  char token[11] = {};
  token[0] = static_cast<char>(start);
  read_token(in, token + 1, 9);
  const char* name = (token[0] == '"' && token[8] == '"') ? token + 1 : token;
  std::memcpy(r.record.CofName, name, 7);
  r.bucket = name_hash(r.record.CofName);

  // The 146 values, read straight from the buffer while it holds enough;
  // the cursor lives in a register, and the byte source is brought up to
  // date only where a value must be read byte by byte.
  const unsigned char* p = in.data();
  const unsigned char* end = in.data_end();
  const auto next_value = [&](std::int32_t& holder) {
    if (end - p >= plain_integer_window) {
      if (const unsigned char* after = scan_plain_integer(p, holder)) {
        p = after;
        return;
      }
    }
    in.consume_to(p);
    read_integer_slowly(in, holder);
    p = in.data();
    end = in.data_end();
  };
  next_value(long_holder);
  store_le32(r.record.FramesPerDirection, long_holder);
  next_value(long_holder);
  store_le32(r.record.AnimationSpeed, long_holder);
  for (std::size_t j = 0; j < frame_count;) {
    j += scan_tabbed_bytes(p, end, r.record.FrameData + j, frame_count - j, frame_holder);
    if (j == frame_count) break;
    next_value(frame_holder);
    r.record.FrameData[j++] = static_cast<unsigned char>(frame_holder);
  }
  in.consume_to(p);
}

}  // namespace

std::int32_t read_text_table_from(byte_source& in, text_table_shape& shape) {
  shape = {};
  // First pass: skip the header line, then the line ends after it; the byte
  // after them starts the first data line.
  int c;
  do c = in.get();
  while (c != end_of_data && !is_line_end(c));
  while (is_line_end(c)) c = in.get();
  const int first_start = c;
  const std::int64_t resume = in.offset();
  std::int64_t lines = 0;
  if (first_start != end_of_data) lines = 1 + in.count_line_starts(false);
  if (in.read_error()) return -2;

  // No slots are asked for when there are no data lines: an empty array is
  // no failure.
  const std::int64_t slot_bytes = lines * static_cast<std::int64_t>(sizeof(record_buffer*));
  if (lines > 0) {
    if (lines <= INT32_MAX) {
      animdata_records = static_cast<record_buffer**>(
          std::calloc(static_cast<std::size_t>(lines), sizeof(record_buffer*)));
    }
    if (animdata_records == nullptr) {
      platform::print("can't allocate %lli bytes for animdata_records\n",
                      static_cast<long long>(slot_bytes));
      return -1;
    }
  }
  shape.data_lines = lines;
  if (first_start == end_of_data) return 0;
  if (!in.seek(resume)) return -2;

  // Second pass.
  std::int32_t long_holder = 0;
  std::int32_t frame_holder = 0;
  record_buffer scratch;
  std::int64_t index = 0;
  c = first_start;
  for (;;) {
    record_buffer* r = &scratch;
    if (index < lines) {
      r = new_record_buffer();
      if (r == nullptr) {
        platform::print("can't allocate %li bytes for animdata_records[%i]\n",
                        static_cast<long>(sizeof(record_buffer)), static_cast<int>(index));
        shape.records = index;
        return -1;
      }
      animdata_records[index] = r;
    } else {
      std::memset(&scratch, 0, sizeof scratch);
    }
    parse_record(in, c, *r, long_holder, frame_holder);
    ++index;
    do c = in.get();
    while (is_line_end(c));
    if (c == end_of_data) break;
  }
  if (in.read_error()) return -2;
  shape.records = index;
  return static_cast<std::int32_t>(index < lines ? index : lines);
}

std::int32_t read_text_table(text_table_shape& shape) {
  std::FILE* file = platform::open_for_reading(text_file_name);
  if (file == nullptr) cli::fatal_error(1, "can't open %s\n", text_file_name);
  byte_source in(file);
  const std::int32_t result = read_text_table_from(in, shape);
  std::fclose(file);
  if (result == -2) cli::fatal_error(1, "can't read %s\n", text_file_name);
  return result;
}

void release_record_buffers() {
  record_buffers.release_all();
}

void free_animdata_records() {
  std::free(animdata_records);
  animdata_records = nullptr;
}

}  // namespace quorvex::table
