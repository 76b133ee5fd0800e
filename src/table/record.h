// The animation record: one 160-byte image shared by memory and the binary
// table file, its name, the bucket hash and the name order.
//
// Record layout (all offsets in bytes, no padding):
//   0   8    CofName             name bytes up to the first zero byte
//   8   4    FramesPerDirection  signed 32-bit, little-endian
//   12  4    AnimationSpeed      signed 32-bit, little-endian
//   16  144  FrameData           unsigned bytes, carried unchanged
//
// The integer fields are kept as byte arrays and read and written through
// explicit little-endian helpers, so the image is the same on every host and
// a record can be used in place at any offset of a loaded file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvex::table {

constexpr std::size_t name_size = 8;
constexpr std::size_t frame_count = 144;
constexpr std::size_t record_size = 160;
constexpr std::size_t record_buffer_size = 161;
constexpr int bucket_count = 256;

struct animdata_record {
  char CofName[name_size];
  unsigned char FramesPerDirection[4];
  unsigned char AnimationSpeed[4];
  unsigned char FrameData[frame_count];
};
static_assert(sizeof(animdata_record) == record_size);
static_assert(alignof(animdata_record) == 1);

// A record as the text reader makes it, followed by its bucket byte: the
// record's name_hash while the binary table is written, then the reported
// flag of the duplicate report. The bucket byte never reaches a file.
struct record_buffer {
  animdata_record record;
  unsigned char bucket;
};
static_assert(sizeof(record_buffer) == record_buffer_size);

inline std::int32_t load_le32(const unsigned char* p) {
  const std::uint32_t v = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                          std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  return static_cast<std::int32_t>(v);
}

inline void store_le32(unsigned char* p, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// Folds A-Z to a-z and nothing else, whatever the locale.
inline unsigned char fold_lower(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// The bucket 0..255 of the 7 name bytes (positions 0 to 6, zero bytes and
// the bytes after the first zero included): the low 8 bits of their sum,
// a-z counted as A-Z.
unsigned char name_hash(const char* name7);

// Name order: byte by byte up to the end of both names, A-Z folded to a-z,
// bytes unsigned. Negative, zero or positive like strcmp. A name field whose
// 8 bytes are all non-zero is compared over its 8 bytes and no further.
int compare_names(const animdata_record& a, const animdata_record& b);

// A sort key that orders exactly like compare_names: the name's bytes up to
// its first zero byte (at most 8), folded, zero-filled, most significant
// first. Two names compare equal if and only if their keys are equal.
std::uint64_t name_key(const animdata_record& r);

// Length of the printed name: bytes before the first zero byte, at most 7.
std::size_t printed_name_length(const animdata_record& r);

}  // namespace quorvex::table
