// Deterministic animation tables for tests, benchmarks and the sample table.
//
// A generated table is a list of 160-byte records in generation order. From
// it this library produces three byte streams:
//
//   binary table    "AnimData.qz" as input for the tool: 256 bucket blocks
//                   (bucket 0 first), each a signed 32-bit little-endian count
//                   followed by its records; every record lies in the block of
//                   its name's bucket, a block's records in generation order.
//   expected text   the "AnimData.txt" that the tool writes from that binary
//                   table: the header line, then one line per record sorted
//                   by case-folded name, records with equal names in the
//                   order in which they lie in the binary table; CR LF ends.
//   expected binary the "AnimData.qz" that the tool writes back from that
//                   text: records grouped by bucket, each bucket's records in
//                   the order of their text lines.
//
// This library shares no code with the tool: it computes the bucket hash,
// the name order and the text form on its own, in the plainest way, so that
// it can serve as an independent oracle.
//
// Every random choice comes from a fixed generator (splitmix64 seeding
// xoshiro256**) and plain integer arithmetic, so a kind, a count and a seed
// give the same bytes on every platform, compiler and standard library.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::tablegen {

constexpr std::size_t record_size = 160;
constexpr std::size_t name_field_size = 8;
constexpr std::size_t frame_count = 144;
constexpr std::size_t frame_offset = 16;
constexpr int bucket_count = 256;

// sparse: FramesPerDirection 1..64, AnimationSpeed 64..512, FrameData mostly
//         0 with a few 1..4 (about 300 bytes of text per record).
// dense:  every field random over its whole range, negative 32-bit values
//         included (about 545 bytes of text per record).
// dups:   records in pairs of equal names, every other pair differing in
//         letter case; values as in sparse.
// sample: animation-like names built from parts ("WLK1HS", "GHA1HTH"), with
//         plausible values; meant for a few hundred records.
// sparse and dense names are 2 to 7 random letters and digits; about 2 % of
// their records repeat an earlier record's name, half of those with the
// letter case of the letters drawn anew.
enum class table_kind { sparse, dense, dups, sample };

// "sparse", "dense", "dups" or "sample"; nothing for any other text.
std::optional<table_kind> parse_kind(std::string_view text);
const char* kind_name(table_kind kind);

// One record image, byte for byte as in the binary table file:
// 0 CofName[8], 8 FramesPerDirection (le32), 12 AnimationSpeed (le32),
// 16 FrameData[144].
struct record {
  std::array<unsigned char, record_size> bytes{};
};

// Builds a record; the name is zero-filled to 8 bytes (at most 7 are kept).
record make_record(std::string_view name, std::int32_t frames_per_direction,
                   std::int32_t animation_speed,
                   const std::array<unsigned char, frame_count>& frame_data);

std::int32_t frames_per_direction(const record& r);
std::int32_t animation_speed(const record& r);
// The printed name: the bytes before the first zero byte, at most 7.
std::string name_of(const record& r);

// The bucket 0..255: the low 8 bits of the sum of name bytes 0 to 6, a-z
// counted as A-Z.
int name_hash(const record& r);
// Name order: bytes up to the end of both names, A-Z folded to a-z, bytes
// unsigned; a name sorts before every longer name that begins with it.
// Negative, zero or positive.
int compare_names(const record& a, const record& b);

// A table and the three orders in which its records are written. Each order
// lists indexes into `records`.
struct generated_table {
  std::vector<record> records;                 // generation order
  std::vector<std::uint32_t> binary_order;     // the binary table's order
  std::vector<std::uint32_t> text_order;       // the expected text's lines
  std::vector<std::uint32_t> rewritten_order;  // the expected binary's order
};

// A table of `count` records of the given kind. The same arguments always
// give the same table. Throws std::bad_alloc when memory runs out.
generated_table generate(table_kind kind, std::size_t count, std::uint64_t seed);

// A table of the given records, taken as the generation order. The expected
// outputs hold for records the tool reads back as themselves: names of 2 to
// 7 bytes, none of them white space, zero-filled to 8 bytes.
generated_table from_records(std::vector<record> records);

// Receives an output stream piece by piece, in order. Returns false to stop
// the writing (a failed write); the writer then returns false as well.
using sink = std::function<bool(const char* data, std::size_t size)>;

bool write_binary_table(const generated_table& table, const sink& out);
bool write_expected_text(const generated_table& table, const sink& out);
bool write_expected_binary(const generated_table& table, const sink& out);

// The names the tool warns about when it reads the expected text back, in
// the order of its warnings: one for each name borne by more than one record,
// spelled as on the first of its lines.
std::vector<std::string> expected_duplicate_names(const generated_table& table);

// A sink that writes to `file` with fwrite and fails once a write fails.
sink file_sink(std::FILE* file);

}  // namespace quorvex::tablegen
