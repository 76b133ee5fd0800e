// The binary table file "AnimData.qz": exactly 256 bucket blocks, for
// buckets 0 to 255 in order, back to back, with no header or trailer.
//
// A bucket block:
//   0   4        record count k   signed 32-bit, little-endian
//   4   160 * k  the block's records, back to back
//
// A record's bucket is the position of its block and nothing else. A file
// written here puts every record in the block of its name_hash, keeps the
// records of a block in the order of the record array, and is
// 1,024 + 160 * n bytes long for n records.
#pragma once

#include <cstdint>

#include "platform/out_stream.h"
#include "table/record.h"

namespace quorvex::table {

// Walks the loaded content of a binary table file and hands every record
// that lies wholly inside it to hash_list_add, with the number of its block
// and a pointer into `data` (nothing is copied). A block whose count is 0 or
// negative is empty; fewer than 4 bytes left make the remaining blocks empty;
// a record that would run past the end is not taken, and nothing after it
// can be. Bytes after the last block are ignored. Reports nothing.
void read_binary_table(const unsigned char* data, std::int32_t size);

// Writes the 256 bucket blocks of `count` record buffers, grouped by their
// bucket byte, each block's records in array order. The bucket byte itself
// is not written. Write errors are left in `out` for its caller to find.
void write_binary_table(platform::out_stream& out, record_buffer* const* records,
                        std::int32_t count);

}  // namespace quorvex::table
