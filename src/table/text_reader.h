// Reads the text table file "AnimData.txt" back into record buffers.
//
// Two passes over one stream: the first counts the data lines (runs of bytes
// other than CR and LF after the header line, which is skipped unread), so
// that the array of record slots is made once at its final size; the second
// parses one record per record-start byte: a name token of up to 9 more bytes
// (a 9-byte token between double quotes is a quoted 7-character name), then
// FramesPerDirection, AnimationSpeed and 144 FrameData integers. A value that
// cannot be read repeats the last value read into the same holder (0 before
// any). Nothing about the content of the file is ever reported.
#pragma once

#include <cstdint>

#include "table/record.h"
#include "table/scan.h"

namespace quorvex::table {

constexpr const char* text_file_name = "AnimData.txt";

// One slot per data line, filled in file order; null until read_text_table
// makes it. Released by free_animdata_records; the record buffers it points
// to by release_record_buffers.
extern record_buffer** animdata_records;

// What the two passes found: the data lines of the first and the records the
// second met up to the end of the file. They differ only for text that does
// not hold one record per line.
struct text_table_shape {
  std::int64_t data_lines = 0;
  std::int64_t records = 0;
};

// Opens "AnimData.txt" (ending the process through fatal_error with
// "can't open %s\n" if it cannot) and reads it. Returns the number of filled
// slots, the smaller of the data lines and the records met; records beyond
// the last slot are parsed only to be counted. Returns -1 after printing
// "can't allocate %li bytes for animdata_records\n" or
// "can't allocate %li bytes for animdata_records[%i]\n".
std::int32_t read_text_table(text_table_shape& shape);

// The same over any byte source, which must be at the start of the table.
// Does not end the process: returns -2 if the source reported a read error.
std::int32_t read_text_table_from(byte_source& in, text_table_shape& shape);

// Releases the record buffers that read_text_table made.
void release_record_buffers();

// Releases the slot array itself.
void free_animdata_records();

}  // namespace quorvex::table
