#include "tablegen/table_gen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace quorvex::tablegen {
namespace {

std::string collect(bool (*write)(const generated_table&, const sink&),
                    const generated_table& table) {
  std::string bytes;
  const bool ok = write(table, [&](const char* data, std::size_t size) {
    bytes.append(data, size);
    return true;
  });
  EXPECT_TRUE(ok);
  return bytes;
}

std::array<unsigned char, frame_count> frames(const std::map<int, unsigned char>& set) {
  std::array<unsigned char, frame_count> f{};
  for (const auto& [index, value] : set) f[index] = value;
  return f;
}

std::string repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

std::string le32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

std::string image(const record& r) {
  return std::string(reinterpret_cast<const char*>(r.bytes.data()), record_size);
}

// Six records whose buckets, order and text were worked out by hand:
//   Walking 87+65+76+75+73+78+71 = 525 -> 13    a9 65+57 = 122
//   BA, AB  66+65 = 131                          ABC, abc 65+66+67 = 198
// Name order: a9 < AB < ABC = abc < BA < Walking ('9' < 'b'; a prefix first;
// equal names keep their order in the binary table).
TEST(TableGen, HandWorkedTable) {
  const record ba = make_record("BA", 1, 256, frames({{0, 4}}));
  const record abc_upper = make_record("ABC", -1, 2147483647, frames({{143, 255}}));
  const record a9 = make_record("a9", 7, -2147483647 - 1, frames({{0, 255}, {1, 16}}));
  const record ab = make_record("AB", 0, 64, frames({}));
  const record abc_lower = make_record("abc", 2, 3, frames({}));
  const record walking = make_record("Walking", 12, 256, frames({{5, 1}}));
  const generated_table table = from_records({ba, abc_upper, a9, ab, abc_lower, walking});

  const std::string zeros = le32(0);
  // Buckets 0-12 empty, 13, 14-121 empty, 122, 123-130 empty, 131,
  // 132-197 empty, 198, 199-255 empty.
  auto blocks = [&](const record& first131, const record& second131) {
    return repeat(zeros, 13) + le32(1) + image(walking) + repeat(zeros, 108) + le32(1) + image(a9) +
           repeat(zeros, 8) + le32(2) + image(first131) + image(second131) + repeat(zeros, 66) +
           le32(2) + image(abc_upper) + image(abc_lower) + repeat(zeros, 57);
  };
  const std::string binary = collect(write_binary_table, table);
  EXPECT_EQ(binary.size(), 1024u + 6 * 160);
  EXPECT_EQ(binary, blocks(ba, ab));
  // Read back from the text, bucket 131 holds AB (line 2) before BA (line 5).
  EXPECT_EQ(collect(write_expected_binary, table), blocks(ab, ba));

  const std::string text = collect(write_expected_text, table);
  const std::string header_end = "\tFrameData142\tFrameData143\r\n";
  ASSERT_TRUE(text.starts_with("CofName\tFramesPerDirection\tAnimationSpeed\tFrameData000\t"));
  ASSERT_EQ(text.compare(1915 - header_end.size(), header_end.size(), header_end), 0);
  EXPECT_EQ(std::count(text.begin(), text.begin() + 1915, '\t'), 146);
  const std::string z = "\t0";
  EXPECT_EQ(text.substr(1915), "a9\t7\t-2147483648\t255\t16" + repeat(z, 142) + "\r\n" +   //
                                   "AB\t0\t64" + repeat(z, 144) + "\r\n" +                 //
                                   "ABC\t-1\t2147483647" + repeat(z, 143) + "\t255\r\n" +  //
                                   "abc\t2\t3" + repeat(z, 144) + "\r\n" +                 //
                                   "BA\t1\t256\t4" + repeat(z, 143) + "\r\n" +             //
                                   "Walking\t12\t256" + repeat(z, 5) + "\t1" + repeat(z, 138) +
                                   "\r\n");

  EXPECT_EQ(expected_duplicate_names(table), std::vector<std::string>{"ABC"});
}

TEST(TableGen, SameSeedSameBytes) {
  for (table_kind kind :
       {table_kind::sparse, table_kind::dense, table_kind::dups, table_kind::sample}) {
    SCOPED_TRACE(kind_name(kind));
    const generated_table a = generate(kind, 400, 7);
    const generated_table b = generate(kind, 400, 7);
    EXPECT_EQ(collect(write_binary_table, a), collect(write_binary_table, b));
    EXPECT_EQ(collect(write_expected_text, a), collect(write_expected_text, b));
    EXPECT_EQ(collect(write_expected_binary, a), collect(write_expected_binary, b));
    EXPECT_NE(collect(write_binary_table, a), collect(write_binary_table, generate(kind, 400, 8)));
  }
}

bool plain_name(const std::string& name) {
  return name.size() >= 2 && name.size() <= 7 && std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
         });
}

TEST(TableGen, SizesLinesAndNames) {
  struct {
    table_kind kind;
    std::size_t count;
    double min_line;  // text bytes per record
    double max_line;
  } const cases[] = {
      {table_kind::sparse, 3000, 290, 315}, {table_kind::dense, 3000, 530, 560},
      {table_kind::dups, 1001, 290, 315},   {table_kind::sample, 300, 290, 315},
      {table_kind::dense, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(kind_name(c.kind)) + " " + std::to_string(c.count));
    const generated_table table = generate(c.kind, c.count, 1);
    ASSERT_EQ(table.records.size(), c.count);
    const std::string binary = collect(write_binary_table, table);
    const std::string rewritten = collect(write_expected_binary, table);
    const std::string text = collect(write_expected_text, table);
    EXPECT_EQ(binary.size(), 1024 + 160 * c.count);
    EXPECT_EQ(rewritten.size(), 1024 + 160 * c.count);

    // 1 + n lines, each ending in CR LF, no other CR or LF.
    std::size_t crlf = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++crlf;
        ++i;
      } else {
        ASSERT_NE(text[i], '\r');
        ASSERT_NE(text[i], '\n');
      }
    }
    EXPECT_EQ(crlf, 1 + c.count);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    if (c.count > 0) {
      const double per_record = double(text.size() - 1915) / double(c.count);
      EXPECT_GE(per_record, c.min_line);
      EXPECT_LE(per_record, c.max_line);
    }

    for (const record& r : table.records) {
      ASSERT_TRUE(plain_name(name_of(r))) << name_of(r);
      ASSERT_EQ(r.bytes[7], 0);
    }
    if (c.kind == table_kind::dups) {
      for (std::size_t i = 1; i < c.count; i += 2) {
        const record& first = table.records[i - 1];
        const record& second = table.records[i];
        ASSERT_EQ(compare_names(first, second), 0);
        // Every other pair differs in letter case.
        ASSERT_EQ(name_of(first) != name_of(second), (i / 2) % 2 == 1) << name_of(first);
      }
    }
  }
}

TEST(TableGen, FailingSinkStopsTheWriter) {
  const generated_table table = generate(table_kind::sparse, 5000, 3);
  int calls = 0;
  const sink failing = [&](const char*, std::size_t) {
    ++calls;
    return false;
  };
  EXPECT_FALSE(write_expected_text(table, failing));
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(write_binary_table(table, failing));
  EXPECT_FALSE(write_expected_binary(table, failing));
}

}  // namespace
}  // namespace quorvex::tablegen
