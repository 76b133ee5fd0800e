#include "table/text_writer.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace quorvex::table {

namespace {

// "\t" followed by the decimal text of a byte, padded to 4 bytes so that
// every entry can be copied with one fixed-size move.
struct frame_text {
  char bytes[4];
  unsigned char size;
};

constexpr std::array<frame_text, 256> make_frame_texts() {
  std::array<frame_text, 256> texts{};
  for (int v = 0; v < 256; ++v) {
    frame_text& t = texts[v];
    t.bytes[0] = '\t';
    if (v >= 100) {
      t.bytes[1] = static_cast<char>('0' + v / 100);
      t.bytes[2] = static_cast<char>('0' + v / 10 % 10);
      t.bytes[3] = static_cast<char>('0' + v % 10);
      t.size = 4;
    } else if (v >= 10) {
      t.bytes[1] = static_cast<char>('0' + v / 10);
      t.bytes[2] = static_cast<char>('0' + v % 10);
      t.size = 3;
    } else {
      t.bytes[1] = static_cast<char>('0' + v);
      t.size = 2;
    }
  }
  return texts;
}

constexpr std::array<frame_text, 256> frame_texts = make_frame_texts();

// A tab, then the value in signed decimal.
char* put_tab_int32(char* p, std::int32_t value) {
  *p++ = '\t';
  std::uint32_t magnitude = static_cast<std::uint32_t>(value);
  if (value < 0) {
    *p++ = '-';
    magnitude = 0u - magnitude;
  }
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (n > 0) *p++ = digits[--n];
  return p;
}

}  // namespace

void write_text_header(platform::out_stream& out) {
  char line[2048];
  char* p = line;
  const char first[] = "CofName\tFramesPerDirection\tAnimationSpeed\tFrameData000";
  std::memcpy(p, first, sizeof first - 1);
  p += sizeof first - 1;
  for (int n = 1; n < static_cast<int>(frame_count); ++n) {
    p += std::snprintf(p, static_cast<std::size_t>(line + sizeof line - p), "\tFrameData%03i", n);
  }
  *p++ = '\n';
  out.write(line, static_cast<std::size_t>(p - line));
}

char* format_record_line(char* p, const animdata_record& r) {
  for (std::size_t i = 0; i < 7; ++i) {
    const char c = r.CofName[i];
    if (c == 0) break;
    if (c == '\n') *p++ = '\r';
    *p++ = c;
  }
  p = put_tab_int32(p, load_le32(r.FramesPerDirection));
  p = put_tab_int32(p, load_le32(r.AnimationSpeed));
  for (std::size_t j = 0; j < frame_count; ++j) {
    const frame_text& t = frame_texts[r.FrameData[j]];
    std::memcpy(p, t.bytes, 4);
    p += t.size;
  }
  *p++ = '\r';
  *p++ = '\n';
  return p;
}

void write_text_table(platform::out_stream& out, convert::hash_node* const* index,
                      std::int32_t count) {
  // In name order the records lie scattered over the loaded file: ask for
  // each node, and then its record, some lines ahead of their use, so that
  // formatting does not wait on memory.
  constexpr std::int32_t node_ahead = 16;
  constexpr std::int32_t record_ahead = 8;
  for (std::int32_t i = 0; i < count; ++i) {
    if (i + node_ahead < count) __builtin_prefetch(index[i + node_ahead]);
    if (i + record_ahead < count) {
      const char* ahead = reinterpret_cast<const char*>(index[i + record_ahead]->record);
      __builtin_prefetch(ahead);
      __builtin_prefetch(ahead + 64);
      __builtin_prefetch(ahead + 128);
    }
    char* p = out.reserve(max_line_size + 4);
    out.commit(format_record_line(p, *index[i]->record));
  }
}

}  // namespace quorvex::table
