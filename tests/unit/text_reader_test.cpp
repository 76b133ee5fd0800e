#include "table/text_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "table/scan.h"
#include "test_support.h"

namespace quorvex::table {
namespace {

using namespace std::string_view_literals;

using frames = std::vector<int>;

// FrameData values start, start + 1, ... (kept below 256 by the caller).
frames ramp(int start) {
  frames f(frame_count);
  for (std::size_t j = 0; j < frame_count; ++j) f[j] = (start + static_cast<int>(j)) % 256;
  return f;
}

frames all_of(int value) {
  return frames(frame_count, value);
}

// The text of the given values, each preceded by `separator`.
std::string values_text(const std::vector<std::string>& values, std::string_view separator) {
  std::string text;
  for (const std::string& v : values) {
    text += separator;
    text += v;
  }
  return text;
}

std::vector<std::string> value_fields(std::int32_t fpd, std::int32_t speed, const frames& f,
                                      std::size_t frame_fields = frame_count) {
  std::vector<std::string> fields = {std::to_string(fpd), std::to_string(speed)};
  for (std::size_t j = 0; j < frame_fields; ++j) fields.push_back(std::to_string(f[j]));
  return fields;
}

// A record line as the writer makes it, without its line end.
std::string line(std::string_view name, std::int32_t fpd, std::int32_t speed, const frames& f,
                 std::string_view separator = "\t") {
  return std::string(name) + values_text(value_fields(fpd, speed, f), separator);
}

constexpr std::string_view header = "CofName\tFramesPerDirection\tAnimationSpeed\tFrameData000";

struct expected_record {
  std::string_view name;  // bytes 0 to 6 of the name field, zero-filled
  std::int32_t fpd;
  std::int32_t speed;
  frames frame_data;
  unsigned bucket;
};

void expect_record(const record_buffer* r, const expected_record& e, const std::string& label) {
  ASSERT_NE(r, nullptr) << label;
  std::string name(e.name);
  name.resize(8, '\0');
  EXPECT_EQ(std::string(r->record.CofName, 8), name) << label << ": name";
  EXPECT_EQ(load_le32(r->record.FramesPerDirection), e.fpd) << label << ": FramesPerDirection";
  EXPECT_EQ(load_le32(r->record.AnimationSpeed), e.speed) << label << ": AnimationSpeed";
  const frames got(std::begin(r->record.FrameData), std::end(r->record.FrameData));
  EXPECT_EQ(got, e.frame_data) << label << ": FrameData";
  EXPECT_EQ(r->bucket, e.bucket) << label << ": bucket byte";
}

class TextReader : public testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    release_record_buffers();
    free_animdata_records();
  }

  struct outcome {
    std::int32_t result;
    std::int64_t data_lines;
    std::int64_t records;
  };

  // Reads an exact-size copy of `text` into fresh record slots.
  outcome parse(std::string_view text) {
    reset();
    data_ = test::exact_copy(text);
    byte_source in(data_.get(), text.size());
    text_table_shape shape;
    shape.data_lines = shape.records = -99;
    const std::int32_t result = read_text_table_from(in, shape);
    return {result, shape.data_lines, shape.records};
  }

  // Reads `text` and checks the count, the shape and every record.
  void expect_table(std::string_view text, const std::vector<expected_record>& records,
                    std::int64_t data_lines, std::int64_t records_met) {
    const std::string label = testing::PrintToString(std::string(text.substr(0, 60)));
    const outcome got = parse(text);
    ASSERT_EQ(got.result, static_cast<std::int32_t>(records.size())) << label;
    EXPECT_EQ(got.data_lines, data_lines) << label;
    EXPECT_EQ(got.records, records_met) << label;
    // With no data lines the slot array is empty and asks for no memory.
    if (data_lines > 0) {
      ASSERT_NE(animdata_records, nullptr) << label;
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
      expect_record(animdata_records[i], records[i], label + " record " + std::to_string(i));
    }
  }

  std::unique_ptr<unsigned char[]> data_;
};

TEST_F(TextReader, NoDataLines) {
  for (std::string_view text : {""sv, "CofName\tFramesPerDirection"sv, "CofName\r\n"sv,
                                "CofName\n"sv, "CofName\r\n\r\n\n\r\r"sv, "\r\n"sv, "\n\n\r"sv}) {
    expect_table(text, {}, 0, 0);
  }
}

TEST_F(TextReader, LineEndsOfEveryKindAndBlankLines) {
  const expected_record ab{"AB", 5, 6, ramp(0), 131};
  const expected_record cd{"CD", -7, 300, ramp(100), 135};
  const expected_record ef{"EF", 0, 1, ramp(200), 139};
  const std::string a = line("AB", 5, 6, ramp(0));
  const std::string c = line("CD", -7, 300, ramp(100));
  const std::string e = line("EF", 0, 1, ramp(200));
  for (const std::string& text : {
           std::string(header) + "\r\n" + a + "\r\n" + c + "\r\n" + e + "\r\n",
           std::string(header) + "\n" + a + "\n" + c + "\n" + e,
           std::string(header) + "\r" + a + "\r" + c + "\r" + e + "\r",
           std::string(header) + "\r\n\r\n" + a + "\n\n" + c + "\r" + e + "\r\n\r\n\n\r",
       }) {
    expect_table(text, {ab, cd, ef}, 3, 3);
  }
  // The first line is skipped whatever it holds.
  expect_table(a + "\r\n" + c + "\r\n", {cd}, 1, 1);
}

TEST_F(TextReader, NameTokens) {
  const frames f = ramp(10);
  const std::string values = values_text(value_fields(5, 6, f), "\t");
  struct name_case {
    std::string_view token;
    std::string_view name;
    unsigned bucket;
  };
  const name_case cases[] = {
      {"\"ABCDEFG\"", "ABCDEFG", 220},  // the quoted form of a 7-character name
      {"ABCDEFG", "ABCDEFG", 220},
      {"ABCDEFGH", "ABCDEFG", 220},
      {"ABCDEFGHI", "ABCDEFG", 220},
      {"ABCDEFGHIJ", "ABCDEFG", 220},  // 10 bytes, the longest that reads as one
      {"walking", "walking", 13},
      {"\"AB\"", "\"AB\"", 199},  // short names keep their quotes
      {"\"ABCDEF\"", "\"ABCDEF", 34 + 65 + 66 + 67 + 68 + 69 + 70 - 256},
      {"\x80\xFF", "\x80\xFF", 0x80 + 0xFF - 256},
  };
  for (const name_case& c : cases) {
    expect_table(std::string(header) + "\r\n" + std::string(c.token) + values + "\r\n",
                 {{c.name, 5, 6, f, c.bucket}}, 1, 1);
  }
}

TEST_F(TextReader, NothingOfAnEarlierNameReachesALaterOne) {
  // After a 9-byte quoted token, a short quoted one is no quoted 7-character
  // name, and the bytes after a short name stay zero.
  const frames f = ramp(0);
  const std::string text = std::string(header) + "\r\n" + line("\"ABCDEFG\"", 1, 2, f) + "\r\n" +
                           line("\"AB\"", 3, 4, f) + "\r\n" + line("ABCDEFGHIJ", 5, 6, f) + "\r\n" +
                           line("AB", 7, 8, f) + "\r\n";
  expect_table(text,
               {{"ABCDEFG", 1, 2, f, 220},
                {"\"AB\"", 3, 4, f, 199},
                {"ABCDEFG", 5, 6, f, 220},
                {"AB", 7, 8, f, 131}},
               4, 4);
}

TEST_F(TextReader, SeparatorsOfSeveralTabsOrSpaces) {
  const frames f = ramp(50);
  const expected_record ab{"AB", 5, 6, f, 131};
  for (std::string_view separator : {"\t\t"sv, " "sv, "  \t "sv, "\t\v\f"sv}) {
    expect_table(std::string(header) + "\r\n" + line("AB", 5, 6, f, separator) + "\r\n", {ab}, 1,
                 1);
  }
}

TEST_F(TextReader, NumberTexts) {
  std::vector<std::string> fields = value_fields(0, 0, ramp(0));
  fields[0] = "4294967295";  // FramesPerDirection
  fields[1] = "0x7fffffff";  // AnimationSpeed
  fields[2] = "-1";          // FrameData000
  fields[3] = "256";
  fields[4] = "0x10";
  fields[5] = "017";
  fields[6] = "300";
  fields[7] = "+9";
  frames expected = ramp(0);
  expected[0] = 255;
  expected[1] = 0;
  expected[2] = 16;
  expected[3] = 15;
  expected[4] = 44;
  expected[5] = 9;
  expect_table(std::string(header) + "\r\nAB" + values_text(fields, "\t") + "\r\n",
               {{"AB", -1, INT32_MAX, expected, 131}}, 1, 1);
}

TEST_F(TextReader, LoneMinusRepeatsTheLastValueOfItsHolder) {
  const frames f = ramp(20);
  // First record: no value has been read into either holder yet, so a lone -
  // gives 0; the other fields are read from their own columns.
  std::vector<std::string> first = value_fields(5, 6, f);
  first[0] = "-";
  first[2] = "-";
  frames first_frames = f;
  first_frames[0] = 0;
  // Second record: the holders carry over from the first.
  std::vector<std::string> second = value_fields(7, 8, f);
  second[0] = "-";
  second[1] = "-";
  second[2 + 10] = "-";
  frames second_frames = f;
  second_frames[10] = f[9];
  const std::string text = std::string(header) + "\r\nAB" + values_text(first, "\t") + "\r\nCD" +
                           values_text(second, "\t") + "\r\n";
  expect_table(text, {{"AB", 0, 6, first_frames, 131}, {"CD", 6, 6, second_frames, 135}}, 2, 2);
}

TEST_F(TextReader, MissingLastValuesRepeatTheLastValueRead) {
  const frames f = ramp(1);
  const frames g = ramp(60);
  // Values up to FrameData099, then a line that begins with a letter.
  frames shortened = f;
  for (std::size_t j = 100; j < frame_count; ++j) shortened[j] = f[99];
  const std::string text = std::string(header) + "\r\nAB" +
                           values_text(value_fields(5, 6, f, 100), "\t") + "\r\n" +
                           line("CD", 7, 8, g) + "\r\n";
  expect_table(text, {{"AB", 5, 6, shortened, 131}, {"CD", 7, 8, g, 135}}, 2, 2);

  // Only FramesPerDirection: AnimationSpeed repeats it, and no FrameData value
  // has been read yet.
  const std::string only_fpd = std::string(header) + "\r\nAB\t5\r\n" + line("CD", 7, 8, g) + "\r\n";
  expect_table(only_fpd, {{"AB", 5, 5, all_of(0), 131}, {"CD", 7, 8, g, 135}}, 2, 2);
}

TEST_F(TextReader, EmptyAndOneCharacterNamesShiftTheValues) {
  // The token read passes over the separator and takes the FramesPerDirection
  // text as the rest of the name; every value lands one field early, and the
  // last FrameData byte fails at the next line's name, repeating the one before.
  const frames f = ramp(1);  // 1 to 144
  frames shifted(frame_count);
  for (std::size_t j = 0; j + 1 < frame_count; ++j) shifted[j] = f[j + 1];
  shifted[143] = shifted[142];
  const frames g = ramp(30);
  struct short_case {
    std::string_view name_text;
    std::string_view name;
    unsigned bucket;
  };
  for (const short_case& c : {short_case{"", "\t5", 9 + 53}, short_case{"X", "X5", 88 + 53}}) {
    const std::string text = std::string(header) + "\r\n" + line(c.name_text, 5, 6, f) + "\r\n" +
                             line("CD", 7, 8, g) + "\r\n";
    expect_table(text, {{c.name, 6, f[0], shifted, c.bucket}, {"CD", 7, 8, g, 135}}, 2, 2);
  }
}

TEST_F(TextReader, BlankAfterTheLastValueStartsTheNextRecord) {
  const frames f = ramp(3);
  const frames g = ramp(90);
  struct blank_case {
    std::string_view blank;
    std::string_view next_name;
    std::string_view name;
    unsigned bucket;
  };
  const blank_case cases[] = {
      {"\t", "CD", "\tCD", 9 + 67 + 68},
      {" ", "CD", " CD", 32 + 67 + 68},
      {"\t", "CDEFGHIJ", "\tCDEFGH", 9 + 67 + 68 + 69 + 70 + 71 + 72 - 256},  // cut to 7
  };
  for (const blank_case& c : cases) {
    const std::string text = std::string(header) + "\r\n" + line("AB", 5, 6, f) +
                             std::string(c.blank) + "\r\n" + line(c.next_name, 7, 8, g) + "\r\n";
    expect_table(text, {{"AB", 5, 6, f, 131}, {c.name, 7, 8, g, c.bucket}}, 2, 2);
  }
}

TEST_F(TextReader, LastLineOfOnlyBlanksIsARecordOfItsOwn) {
  const frames f = ramp(3);
  for (std::string_view last : {" \t \r\n"sv, " \t "sv, "\t\r\n\r\n"sv}) {
    const std::string text =
        std::string(header) + "\r\n" + line("ABCDEFG", 5, 6, f) + "\r\n" + std::string(last);
    const std::string_view name = last[0] == ' ' ? " "sv : "\t"sv;
    expect_table(
        text,
        {{"ABCDEFG", 5, 6, f, 220}, {name, 6, 6, all_of(f[143]), static_cast<unsigned>(name[0])}},
        2, 2);
  }
}

TEST_F(TextReader, MoreRecordsThanDataLinesKeepsOnePerLine) {
  const frames f = ramp(3);
  // A 147th value: the tab before it starts a further record.
  expect_table(std::string(header) + "\r\n" + line("AB", 5, 6, f) + "\t9\r\n",
               {{"AB", 5, 6, f, 131}}, 1, 2);
  // A letter where FrameData140 is due: every later read of the record fails
  // at it, and it starts a second record named by it and the next value
  // text; the CD line then becomes a third record, which has no slot.
  std::vector<std::string> fields = value_fields(5, 6, f);
  fields[2 + 140] = "x";
  frames stopped = f;
  for (std::size_t j = 140; j < frame_count; ++j) stopped[j] = f[139];
  const frames g = ramp(7);
  expect_table(
      std::string(header) + "\r\nAB" + values_text(fields, "\t") + "\r\n" + line("CD", 1, 2, g) +
          "\r\n",
      {{"AB", 5, 6, stopped, 131}, {"x144", f[142], f[143], all_of(f[139]), 88 + 49 + 52 + 52}}, 2,
      3);
}

TEST_F(TextReader, FewerRecordsThanDataLinesKeepsTheRecordsMet) {
  const frames f = ramp(3);
  // Values that go on past a line end into the next line.
  std::vector<std::string> fields = value_fields(5, 6, f);
  const std::vector<std::string> head(fields.begin(), fields.begin() + 102);
  const std::vector<std::string> rest(fields.begin() + 102, fields.end());
  expect_table(std::string(header) + "\r\nAB" + values_text(head, "\t") + "\r\n" +
                   values_text(rest, "\t").substr(1) + "\r\n",
               {{"AB", 5, 6, f, 131}}, 2, 1);

  // A line of only blanks followed by another data line: the two make one
  // record, named by the blank and the next line's name.
  const frames g = ramp(40);
  expect_table(std::string(header) + "\r\n" + line("AB", 5, 6, f) + "\r\n  \r\n" +
                   line("CD", 7, 8, g) + "\r\n",
               {{"AB", 5, 6, f, 131}, {" CD", 7, 8, g, 32 + 67 + 68}}, 3, 2);
}

TEST_F(TextReader, FileReadThroughWindowsGivesTheSameRecords) {
  // Window sizes that split lines and numbers anywhere, some too small for
  // reading a number straight from the buffer.
  const std::string_view names[] = {"N0", "N1", "N2", "N3", "N4",  "N5",
                                    "N6", "N7", "N8", "N9", "N10", "N11"};
  std::string text = std::string(header) + "\r\n\r\n";
  std::vector<expected_record> expected;
  for (int i = 0; i < 12; ++i) {
    text += line(names[i], -1000000 * i, 123456789 + i, ramp(i * 20));
    text += i % 3 == 0 ? "\n\n" : "\r";
    const unsigned bucket = 'N' + names[i][1] + (i >= 10 ? names[i][2] : 0);
    expected.push_back({names[i], -1000000 * i, 123456789 + i, ramp(i * 20), bucket});
  }
  for (const std::size_t window : {5, 23, 24, 31, 64, 257, 4096}) {
    reset();
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
    std::rewind(file);
    byte_source in(file, window);
    text_table_shape shape;
    EXPECT_EQ(read_text_table_from(in, shape), 12) << window;
    std::fclose(file);
    EXPECT_EQ(shape.data_lines, 12);
    EXPECT_EQ(shape.records, 12);
    for (int i = 0; i < 12; ++i) {
      expect_record(animdata_records[i], expected[i],
                    std::string(names[i]) + " through a window of " + std::to_string(window));
    }
  }
}

TEST_F(TextReader, ReadsAnimDataTxtFromTheCurrentDirectory) {
  test::scratch_directory scratch;
  ASSERT_TRUE(scratch.ready());
  // Spelled in other letters than the tool spells it: found all the same.
  test::make_file("animdata.TXT",
                  std::string(header) + "\r\n" + line("AB", 5, 6, ramp(9)) + "\r\n");
  text_table_shape shape;
  ASSERT_EQ(read_text_table(shape), 1);
  EXPECT_EQ(shape.data_lines, 1);
  EXPECT_EQ(shape.records, 1);
  expect_record(animdata_records[0], {"AB", 5, 6, ramp(9), 131}, "AB");
}

TEST_F(TextReader, ManyRecords) {
  // More records than one block of record buffers holds (65,536).
  constexpr int count = 66000;
  std::string one = "AB";
  for (std::size_t i = 0; i < 2 + frame_count; ++i) one += " 7";
  std::string text = "H";
  text.reserve(text.size() + count * (one.size() + 1));
  for (int i = 0; i < count; ++i) text += "\n" + one;
  const outcome got = parse(text);
  ASSERT_EQ(got.result, count);
  EXPECT_EQ(got.data_lines, count);
  EXPECT_EQ(got.records, count);
  const expected_record a{"AB", 7, 7, all_of(7), 131};
  for (int i = 0; i < count; i += 997) expect_record(animdata_records[i], a, std::to_string(i));
  expect_record(animdata_records[count - 1], a, "last");
  // Every record has a buffer of its own.
  std::vector<const record_buffer*> buffers(animdata_records, animdata_records + count);
  std::sort(buffers.begin(), buffers.end());
  EXPECT_EQ(std::adjacent_find(buffers.begin(), buffers.end()), buffers.end());
}

}  // namespace
}  // namespace quorvex::table
