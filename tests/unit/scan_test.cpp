#include "table/scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "test_support.h"

namespace quorvex::table {
namespace {

using namespace std::string_view_literals;

constexpr std::int32_t untouched = 77;  // the holder's value before each read

struct integer_case {
  std::string_view text;
  bool read;            // whether a digit was taken
  std::int32_t holder;  // the holder afterwards
  unsigned char byte;   // what a FrameData field keeps: the low 8 bits
  std::int64_t next;    // where the next read starts
};

struct integer_outcome {
  bool read;
  std::int32_t holder;
  std::int64_t next;
};

integer_outcome read_integer_from(std::string_view bytes) {
  const auto data = test::exact_copy(bytes);
  byte_source in(data.get(), bytes.size());
  std::int32_t holder = untouched;
  const bool read = read_integer(in, holder);
  return {read, holder, in.offset()};
}

void check_integer(const integer_case& c, std::string_view bytes) {
  const integer_outcome got = read_integer_from(bytes);
  const std::string label = testing::PrintToString(std::string(bytes));
  EXPECT_EQ(got.read, c.read) << label;
  EXPECT_EQ(got.holder, c.holder) << label;
  EXPECT_EQ(static_cast<unsigned char>(got.holder), c.byte) << label;
  EXPECT_EQ(got.next, c.next) << label;
}

TEST(ReadInteger, FieldsFollowedByATab) {
  const integer_case cases[] = {
      {"12", true, 12, 12, 2},
      {"-1", true, -1, 255, 2},
      {"+7", true, 7, 7, 2},
      {"256", true, 256, 0, 3},
      {"300", true, 300, 44, 3},
      {"0x1F", true, 31, 31, 4},
      {"0X1f", true, 31, 31, 4},
      {"017", true, 15, 15, 3},
      {"0777", true, 511, 255, 4},
      {"12345678", true, 12345678, 0x4E, 8},    // 0xBC614E
      {"123456789", true, 123456789, 0x15, 9},  // 0x75BCD15
      {"-00000009", true, 0, 0, 8},             // octal: the 9 stops it
      {"4294967295", true, -1, 255, 10},
      {"2147483648", true, INT32_MIN, 0, 10},
      {"-2147483648", true, INT32_MIN, 0, 11},
      {"99999999999", true, 1215752191, 255, 11},  // 99999999999 - 23 * 2^32
      {"10000000000", true, 1410065408, 0, 11},    // 10^10 - 2 * 2^32 = 0x540BE400
      {"18446744073709551617", true, 1, 1, 20},    // 2^64 + 1
      {" \t-18446744073709551621", true, -5, 251, 23},
      {"79228162514264337593543950337", true, 1, 1, 29},  // 2^96 + 1
      {"00000000000000000000000000012", true, 10, 10, 29},
      {"-4294967295", true, 1, 1, 11},
      {"0xffffffff", true, -1, 255, 10},
      {"-0x10", true, -16, 240, 5},
      {"0", true, 0, 0, 1},
      {"-0", true, 0, 0, 2},
      {"08", true, 0, 0, 1},  // octal 0; the 8 is left for the next read
      {"09", true, 0, 0, 1},
      {"00x5", true, 0, 0, 2},
      {"0x0x", true, 0, 0, 3},
      {"0x1g", true, 1, 1, 3},
      {"1a", true, 1, 1, 1},
      {"12-3", true, 12, 12, 2},
      {" \t\r\n\v\f12", true, 12, 12, 8},  // all six white-space bytes skipped
      {"  -12", true, -12, 244, 5},
      {"   +12", true, 12, 12, 6},
      {"\r\n\r\n0", true, 0, 0, 5},
      {"-", false, untouched, untouched, 1},  // the sign stays consumed
      {"+-1", false, untouched, untouched, 1},
      {"0x", false, untouched, untouched, 2},  // the prefix stays consumed
      {"0xg", false, untouched, untouched, 2},
      {"abc", false, untouched, untouched, 0},
      {"\0"
       "5"sv,
       false, untouched, untouched, 0},  // 0x00 is no white space
      {"\xA0"
       "5",
       false, untouched, untouched, 0},
      {"\x85"
       "5",
       false, untouched, untouched, 0},
  };
  for (const integer_case& c : cases) {
    const std::string field = std::string(c.text) + "\t";
    check_integer(c, field);
    // Whatever follows the field changes nothing, also when enough follows
    // for the reads that parse straight from the buffer.
    check_integer(c, field + "987xyz\t-");
    check_integer(c, field + "987xyz\t-" + std::string(40, '5'));
    check_integer(c, field + std::string(40, '\t'));
  }
}

TEST(ReadInteger, AtTheEndOfTheData) {
  const integer_case cases[] = {
      {"", false, untouched, untouched, 0},
      {"   ", false, untouched, untouched, 3},
      {"\t\r\n\v\f ", false, untouched, untouched, 6},
      {"-", false, untouched, untouched, 1},
      {"+", false, untouched, untouched, 1},
      {"0x", false, untouched, untouched, 2},
      {"12", true, 12, 12, 2},
      {"0", true, 0, 0, 1},
      {"017", true, 15, 15, 3},
      {"-0x1f", true, -31, 225, 5},
      {"4294967296", true, 0, 0, 10},
  };
  for (const integer_case& c : cases) check_integer(c, c.text);
}

TEST(ReadInteger, FailedReadLeavesTheByteThatStoppedIt) {
  // Every read of "abc" fails at the same letter.
  const auto data = test::exact_copy("\tabc");
  byte_source in(data.get(), 4);
  std::int32_t holder = 5;
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(read_integer(in, holder));
    EXPECT_EQ(holder, 5);
    EXPECT_EQ(in.offset(), 1);
  }
  EXPECT_EQ(in.get(), 'a');
}

TEST(ReadInteger, BufferedReadAgreesWithTheByteByByteRead) {
  // read_integer parses straight from the buffer when enough of it is held;
  // read_integer_slowly goes byte by byte. Both follow the same rules.
  std::mt19937 rng(1234);
  const std::string alphabet = "0123456789000111999  \t\r\n\v\f-+xXafAFg8\xFF";
  for (int i = 0; i < 100000; ++i) {
    std::string text(24 + rng() % 16, '\0');
    const std::size_t digits_from = rng() % 4;
    for (std::size_t k = 0; k < text.size(); ++k) {
      // Mostly digits after a short start, so that long numbers are common.
      text[k] = k >= digits_from && rng() % 8 != 0 ? static_cast<char>('0' + rng() % 10)
                                                   : alphabet[rng() % alphabet.size()];
    }
    if (rng() % 2 == 0) text[digits_from + rng() % 20] = '\t';
    const auto data = test::exact_copy(text);
    byte_source fast(data.get(), text.size());
    byte_source slow(data.get(), text.size());
    std::int32_t fast_holder = untouched;
    std::int32_t slow_holder = untouched;
    const bool fast_read = read_integer(fast, fast_holder);
    const bool slow_read = read_integer_slowly(slow, slow_holder);
    ASSERT_EQ(fast_read, slow_read) << testing::PrintToString(text);
    ASSERT_EQ(fast_holder, slow_holder) << testing::PrintToString(text);
    ASSERT_EQ(fast.offset(), slow.offset()) << testing::PrintToString(text);
  }
}

TEST(ScanTabbedBytes, AgreesWithReadingOneValueAtATime) {
  // Runs of tab-separated values of every length, with now and then a value
  // of another form (octal, hexadecimal, signed, empty, too long, blanks,
  // other bytes): the values taken, the holder and where the run stops must
  // be those of read_integer_slowly, value by value.
  std::mt19937 rng(99);
  std::size_t taken_in_all = 0;
  const char* odd[] = {"",   "0",  "00",  "017",       "08",         "0x1F", "0X",    "-3",
                       "+4", " 5", "12a", "123456789", "4294967296", "\xFF", "\r\n7", "\t"};
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const int values = 1 + static_cast<int>(rng() % 160);
    // A third of the runs hold single digits only, as sparse tables do.
    const bool single_digits = rng() % 3 == 0;
    for (int v = 0; v < values; ++v) {
      text += '\t';
      if (rng() % (single_digits ? 200 : 24) == 0) {
        text += odd[rng() % (sizeof odd / sizeof odd[0])];
      } else {
        text += std::to_string(single_digits ? rng() % 10
                                             : rng() % (rng() % 4 == 0 ? 100000000u : 256u));
      }
    }
    text += "\r\nNext\t1";
    const auto data = test::exact_copy(text);
    const std::size_t count = 1 + rng() % 150;

    const unsigned char* p = data.get();
    unsigned char fast[160] = {};
    std::int32_t fast_holder = untouched;
    const std::size_t taken =
        scan_tabbed_bytes(p, data.get() + text.size(), fast, count, fast_holder);
    ASSERT_LE(taken, count);
    taken_in_all += taken;

    byte_source slow(data.get(), text.size());
    std::int32_t slow_holder = untouched;
    for (std::size_t v = 0; v < taken; ++v) {
      ASSERT_TRUE(read_integer_slowly(slow, slow_holder)) << testing::PrintToString(text);
      ASSERT_EQ(fast[v], static_cast<unsigned char>(slow_holder)) << testing::PrintToString(text);
    }
    if (taken > 0) {
      ASSERT_EQ(fast_holder, slow_holder) << testing::PrintToString(text);
    }
    ASSERT_EQ(p - data.get(), slow.offset()) << testing::PrintToString(text);
  }
  // Where the bulk path exists, it must have taken most values.
#if defined(__SSE2__)
  EXPECT_GT(taken_in_all, 200000u);
#endif
}

TEST(ScanTabbedBytes, RunsOfSingleDigitsEndWhereTheirLastValueEnds) {
  // 32 one-digit values fill 64 bytes exactly; what follows them decides
  // whether the last one is a single digit: more digits lengthen it, and
  // an x after a 0 makes a hexadecimal number of it.
  std::string ones;
  for (int i = 0; i < 32; ++i) ones += "\t1";
  std::string zeros;
  for (int i = 0; i < 32; ++i) zeros += "\t0";
  for (const std::string& text :
       {ones + "2\t7" + std::string(40, '\t'), zeros + "x1F\t7" + std::string(40, '\t'),
        zeros + "\t7" + std::string(40, '\t')}) {
    const auto data = test::exact_copy(text);
    const unsigned char* p = data.get();
    unsigned char fast[40] = {};
    std::int32_t fast_holder = untouched;
    const std::size_t taken = scan_tabbed_bytes(p, data.get() + text.size(), fast, 33, fast_holder);
    byte_source slow(data.get(), text.size());
    std::int32_t slow_holder = untouched;
    for (std::size_t v = 0; v < taken; ++v) {
      ASSERT_TRUE(read_integer_slowly(slow, slow_holder)) << testing::PrintToString(text);
      EXPECT_EQ(fast[v], static_cast<unsigned char>(slow_holder)) << testing::PrintToString(text);
    }
    EXPECT_EQ(p - data.get(), slow.offset()) << testing::PrintToString(text);
  }
}

struct token_case {
  std::string_view text;
  std::size_t max;
  bool read;
  std::string_view token;  // what lands in the buffer before its zero byte
  std::int64_t next;
  bool delimited;  // ends at white space, so bytes appended change nothing
};

void check_token(const token_case& c, std::string_view bytes) {
  const auto data = test::exact_copy(bytes);
  byte_source in(data.get(), bytes.size());
  char dest[12];
  std::memset(dest, '#', sizeof dest);
  const bool read = read_token(in, dest, c.max);
  const std::string label = testing::PrintToString(std::string(bytes));
  EXPECT_EQ(read, c.read) << label;
  EXPECT_EQ(in.offset(), c.next) << label;
  if (c.read) {
    EXPECT_EQ(std::string_view(dest, c.token.size()), c.token) << label;
    EXPECT_EQ(dest[c.token.size()], '\0') << label;
    for (std::size_t i = c.token.size() + 1; i < sizeof dest; ++i) EXPECT_EQ(dest[i], '#') << label;
  } else {
    EXPECT_EQ(std::string_view(dest, sizeof dest), std::string(sizeof dest, '#')) << label;
  }
}

TEST(ReadToken, LimitAndWhiteSpace) {
  const token_case cases[] = {
      {"ABC\tX", 9, true, "ABC", 3, true},
      {"ABCDEFGHIJK", 9, true, "ABCDEFGHI", 9, false},  // J and K stay unread
      {"ABCDEFGHI", 9, true, "ABCDEFGHI", 9, false},
      {"ABCDEFGH", 9, true, "ABCDEFGH", 8, false},
      {"XYZ", 1, true, "X", 1, false},
      {"  \t\r\n\v\fAB CD", 9, true, "AB", 9, true},
      {"\0AB\t"sv, 9, true, "\0AB"sv, 3, true},  // 0x00 is no white space
      {"\x80\xFF\x85\xA0 ", 9, true, "\x80\xFF\x85\xA0", 4, true},
      {"\"ABCDEFG\"\r\n", 9, true, "\"ABCDEFG\"", 9, true},
      {"", 9, false, "", 0, false},
      {" \t\r\n\v\f", 9, false, "", 6, false},
  };
  for (const token_case& c : cases) {
    check_token(c, c.text);
    if (c.delimited) check_token(c, std::string(c.text) + "garbage 12");
  }
}

TEST(ByteSource, FileWindowsRefillAndSeekBack) {
  const std::string content = "H\r\nab\n\ncd\r\re\n";
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(content.data(), 1, content.size(), f), content.size());
  std::rewind(f);
  byte_source in(f, 4);  // a window smaller than the content

  std::string got;
  for (int c; (c = in.get()) != end_of_data;) got += static_cast<char>(c);
  EXPECT_EQ(got, content);
  EXPECT_EQ(in.offset(), static_cast<std::int64_t>(content.size()));

  ASSERT_TRUE(in.seek(4));
  EXPECT_EQ(in.peek(), 'b');
  // "cd" and "e" start lines after offset 4; "b" continues the line of "a".
  EXPECT_EQ(in.count_line_starts(false), 2);
  ASSERT_TRUE(in.seek(3));
  EXPECT_EQ(in.count_line_starts(true), 3);
  EXPECT_EQ(in.get(), end_of_data);
  EXPECT_FALSE(in.read_error());
  std::fclose(f);
}

// Counts the line starts of `text` from memory and from a file read through
// windows of 17 bytes.
void expect_line_starts(const std::string& text, bool in_line_end, std::int64_t expected) {
  const std::string label = testing::PrintToString(text) + (in_line_end ? " after a line end" : "");
  const auto data = test::exact_copy(text);
  byte_source memory(data.get(), text.size());
  EXPECT_EQ(memory.count_line_starts(in_line_end), expected) << label;
  EXPECT_EQ(memory.offset(), static_cast<std::int64_t>(text.size())) << label;

  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
  std::rewind(f);
  byte_source file(f, 17);
  EXPECT_EQ(file.count_line_starts(in_line_end), expected) << label << " (file)";
  std::fclose(f);
}

TEST(ByteSource, LineStartsWhereverTheLineEndsFall) {
  constexpr std::size_t size = 40;
  for (const std::size_t run : {1, 2, 3, 17}) {
    for (std::size_t at = 0; at + run <= size; ++at) {
      std::string text(size, 'a');
      for (std::size_t i = at; i < at + run; ++i) text[i] = i % 2 == 0 ? '\r' : '\n';
      for (const bool in_line_end : {false, true}) {
        // The byte after the run starts a line, if there is one; so does the
        // first byte when the count begins after a line end.
        const std::int64_t expected = (at + run < size ? 1 : 0) + (in_line_end && at != 0 ? 1 : 0);
        expect_line_starts(text, in_line_end, expected);
      }
    }
  }
  std::string dense;
  for (int i = 0; i < 32; ++i) dense += "a\n";
  expect_line_starts(dense, false, 31);
  expect_line_starts(dense, true, 32);
  expect_line_starts("", true, 0);
  expect_line_starts(std::string(50, '\n'), true, 0);
  expect_line_starts(std::string(50, '\0'), false, 0);
}

}  // namespace
}  // namespace quorvex::table
