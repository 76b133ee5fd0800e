#include "table/text_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "convert/hash_list.h"
#include "platform/out_stream.h"
#include "test_support.h"

namespace quorvex::table {
namespace {

using namespace std::string_view_literals;

// Formats one line into a block of exactly the documented room.
std::string line_of(const animdata_record& r) {
  const std::size_t room = max_line_size + 4;
  std::unique_ptr<char[]> buffer(new char[room]);
  char* end = format_record_line(buffer.get(), r);
  EXPECT_LE(static_cast<std::size_t>(end - buffer.get()), max_line_size);
  return std::string(buffer.get(), end);
}

std::string repeat(std::string_view piece, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += piece;
  return s;
}

TEST(FormatRecordLine, WorkedExample) {
  animdata_record r = test::named("AB12CDE\x7F"sv);
  store_le32(r.FramesPerDirection, 8);
  store_le32(r.AnimationSpeed, 256);
  r.FrameData[1] = 1;
  r.FrameData[2] = 2;
  r.FrameData[3] = 255;
  const std::string expected = "AB12CDE\t8\t256\t0\t1\t2\t255" + repeat("\t0", 140) + "\r\n";
  ASSERT_EQ(expected.size(), 305u);
  EXPECT_EQ(line_of(r), expected);
}

TEST(FormatRecordLine, NameIsItsBytesUpToTheFirstZeroAtMostSeven) {
  struct name_case {
    std::string_view field;  // the 8 bytes of the name field, zero-filled
    std::string_view written;
  };
  const name_case cases[] = {
      {"\0XYZ"sv, ""},
      {"Q", "Q"},
      {"abc\0de"sv, "abc"},
      {"ABCDEFG", "ABCDEFG"},
      {"ABCDEFGH", "ABCDEFG"},
      {"A\nB", "A\r\nB"},  // an LF leaves as CR LF, like any line end
      {"\n\n\n\n\n\n\n\n", "\r\n\r\n\r\n\r\n\r\n\r\n\r\n"},
      {"\t \r\"\x80\xFF", "\t \r\"\x80\xFF"},  // everything else as it is
  };
  const std::string tail = "\t0\t0" + repeat("\t0", 144) + "\r\n";
  for (const name_case& c : cases) {
    EXPECT_EQ(line_of(test::named(c.field)), std::string(c.written) + tail)
        << testing::PrintToString(std::string(c.field));
  }
}

TEST(FormatRecordLine, NumberForms) {
  animdata_record r = test::named("N");
  const unsigned char minus_one[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  const unsigned char lowest[4] = {0x00, 0x00, 0x00, 0x80};
  std::memcpy(r.FramesPerDirection, minus_one, 4);
  std::memcpy(r.AnimationSpeed, lowest, 4);
  r.FrameData[0] = 0xFF;
  r.FrameData[1] = 10;
  r.FrameData[2] = 100;
  r.FrameData[143] = 9;
  EXPECT_EQ(line_of(r), "N\t-1\t-2147483648\t255\t10\t100" + repeat("\t0", 140) + "\t9\r\n");

  store_le32(r.FramesPerDirection, INT32_MAX);
  store_le32(r.AnimationSpeed, -10);
  std::memset(r.FrameData, 0, sizeof r.FrameData);
  EXPECT_EQ(line_of(r), "N\t2147483647\t-10" + repeat("\t0", 144) + "\r\n");
}

TEST(FormatRecordLine, LongestLineFits) {
  animdata_record r = test::named("\n\n\n\n\n\n\n\n");
  store_le32(r.FramesPerDirection, INT32_MIN);
  store_le32(r.AnimationSpeed, INT32_MIN);
  std::memset(r.FrameData, 0xFF, sizeof r.FrameData);
  const std::string line = line_of(r);
  EXPECT_EQ(line, repeat("\r\n", 7) + "\t-2147483648\t-2147483648" + repeat("\t255", 144) + "\r\n");
  EXPECT_EQ(line.size(), max_line_size);
}

// Runs `write` on a text-mode stream over a scratch file; gives the bytes.
template <typename Write>
std::string written(Write write) {
  std::FILE* f = std::tmpfile();
  EXPECT_NE(f, nullptr);
  platform::out_stream out(f, platform::line_ends::text);
  write(out);
  EXPECT_TRUE(out.flush());
  std::FILE* g = out.detach();
  std::string bytes = test::read_all(g);
  std::fclose(g);
  return bytes;
}

TEST(WriteTextHeader, HeaderLine) {
  std::string expected = "CofName\tFramesPerDirection\tAnimationSpeed\tFrameData000";
  for (int n = 1; n <= 143; ++n) {
    const char digits[] = {static_cast<char>('0' + n / 100), static_cast<char>('0' + n / 10 % 10),
                           static_cast<char>('0' + n % 10), '\0'};
    expected += "\tFrameData";
    expected += digits;
  }
  ASSERT_EQ(expected.size(), 1913u);
  expected += "\r\n";
  EXPECT_EQ(written([](platform::out_stream& out) { write_text_header(out); }), expected);
}

TEST(WriteTextTable, OneLinePerEntryOfTheCount) {
  const animdata_record a = test::named("A\nB");
  animdata_record b = test::named("Zz");
  b.FrameData[143] = 7;
  convert::hash_node nodes[2] = {{&a, nullptr}, {&b, nullptr}};
  convert::hash_node* index[2] = {&nodes[0], &nodes[1]};
  const std::string zeros = repeat("\t0", 146);
  const std::string line_a = "A\r\nB" + zeros + "\r\n";
  const std::string line_b = "Zz" + repeat("\t0", 145) + "\t7\r\n";

  // The CR LF the line formatter makes is not translated a second time.
  EXPECT_EQ(written([&](platform::out_stream& out) { write_text_table(out, index, 2); }),
            line_a + line_b);
  EXPECT_EQ(written([&](platform::out_stream& out) { write_text_table(out, index, 1); }), line_a);
  EXPECT_EQ(written([&](platform::out_stream& out) { write_text_table(out, index, 0); }), "");
  EXPECT_EQ(written([&](platform::out_stream& out) { write_text_table(out, index, -1); }), "");
}

}  // namespace
}  // namespace quorvex::table
