// Writes the text table file "AnimData.txt": a header line of 147
// tab-separated column names, then one line per record:
//
//   name \t FramesPerDirection \t AnimationSpeed \t FrameData000 ... \t FrameData143
//
// The name is its bytes up to the first zero byte, at most 7, copied as they
// are; the two 32-bit fields in signed decimal; each FrameData byte in
// unsigned decimal 0..255. Every line ends in CR LF, and an LF byte inside a
// name leaves as CR LF too, as through any text-mode stream.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/hash_list.h"
#include "platform/out_stream.h"

namespace quorvex::table {

// Longest record line in bytes: a name of 7 LF bytes, two 11-character
// numbers, 144 four-character values, CR LF.
constexpr std::size_t max_line_size = 14 + 2 * 12 + 144 * 4 + 2;

// The header line, 1,913 characters and its line end.
void write_text_header(platform::out_stream& out);

// One line for each of the first `count` entries of `index`; nothing for a
// count of 0 or less.
void write_text_table(platform::out_stream& out, convert::hash_node* const* index,
                      std::int32_t count);

// Formats one record line (with its CR LF) at `p`, which has room for
// max_line_size + 4 bytes, and returns the end of what was written.
char* format_record_line(char* p, const animdata_record& r);

}  // namespace quorvex::table
