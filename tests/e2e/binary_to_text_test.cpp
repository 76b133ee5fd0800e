// Binary table to text table: the exact lines written for names and values
// of every form, the name order whatever the buckets and file order, the
// tolerance of malformed tables, and the fatal errors on the output file.
#include "e2e/support.h"

namespace quorvex_e2e {
namespace {

std::string written_count(int n) {
  return banner + std::to_string(n) + " records writen into AnimData.txt\r\n";
}

// The line of the record named AB12CDE (any eighth byte) with
// FramesPerDirection 8, AnimationSpeed 256 and FrameData 0, 1, 2, 255, 0...
const std::string worked_example_line =
    "AB12CDE\t8\t256\t0\t1\t2\t255" + repeat("\t0", 140) + "\r\n";

TEST(BinaryToTextFixtures, HandWrittenLinesHaveTheirDocumentedSizes) {
  EXPECT_EQ(text_header().size(), 1915u);
  EXPECT_EQ(worked_example_line.size(), 305u);
  EXPECT_EQ(worked_example_line, line("AB12CDE", "8", "256", {0, 1, 2, 255}));
  EXPECT_EQ(qz({}).size(), 1024u);
  EXPECT_EQ(qz({{13, {record("Walking")}}}).size(), 1184u);
}

// Runs animdata.qz on `input` and expects "AnimData.txt" to hold the header
// and `lines`, with the count of lines in the final message.
tool_case converts(std::string name, std::string input, std::vector<std::string> lines) {
  std::string text = text_header();
  for (const std::string& l : lines) text += l;
  const int count = static_cast<int>(lines.size());
  return {.name = std::move(name),
          .given = {file("AnimData.qz", std::move(input))},
          .args = {"animdata.qz"},
          .out = written_count(count),
          .written = {file("AnimData.txt", text)}};
}

std::vector<tool_case> binary_to_text_cases() {
  std::vector<tool_case> cases = {
      converts("worked_example", qz({{77, {record("AB12CDEZ", 8, 256, {0, 1, 2, 255})}}}),
               {worked_example_line}),
      converts("empty_table", empty_qz, {}),
      converts("one_byte", "\x01", {}),
      converts("two_bytes", "\x00\x01"s, {}),
      converts("three_bytes", "\xFF\xFF\x7F", {}),

      // Names of 0, 1, 3, 7 and 8 non-zero bytes; the 3-byte name has bytes
      // after its zero byte, which are not written; of the 8-byte name only
      // 7 bytes are written.
      converts("name_lengths",
               qz({{0, {record("", 1, 0, {10})}},
                   {13, {record("Walking", 4, 0, {40})}},
                   {65, {record("A", 2, 0, {20})}},
                   {100, {record("RunFast8", 5, 0, {50})}},
                   {198, {record("abc\0XYZ"s, 3, 0, {30})}}}),
               {line("", "1", "0", {10}), line("A", "2", "0", {20}), line("abc", "3", "0", {30}),
                line("RunFast", "5", "0", {50}), line("Walking", "4", "0", {40})}),
      // An LF in a name leaves as CR LF like every line end; CR, tab, double
      // quote and blank leave unchanged.
      converts("name_holding_line_ends_and_blanks", qz({{9, {record("A\nB\r\t\" ", 7)}}}),
               {line("A\r\nB\r\t\" ", "7", "0")}),
      converts("extreme_values",
               qz({{1, {record("Neg", 0xFFFFFFFFu, 0x80000000u, {255, 128, 127})}},
                   {2, {record("Pos", 0x7FFFFFFFu, 1, std::vector<int>(144, 255))}}}),
               {line("Neg", "-1", "-2147483648", {255, 128, 127}),
                line("Pos", "2147483647", "1", std::vector<int>(144, 255))}),

      // The input is read as bytes: CR, LF and Ctrl-Z (26) arrive as they are.
      converts("control_bytes_in_values",
               qz({{26, {record("Ctl", 0x0A0D1A0Au, 26, {13, 10, 26, 10})}}}),
               {line("Ctl", "168630794", "26", {13, 10, 26, 10})}),

      // Names equal but for letter case are all written, next to each other,
      // in the order of their records in the file.
      converts("equal_names_in_file_order",
               qz({{0, {record("Zulu", 6)}},
                   {2, {record("wALK", 1)}},
                   {9, {record("Walk", 2), record("Apple", 4), record("WALK", 3)}},
                   {200, {record("walk", 5)}}}),
               {line("Apple", "4", "0"), line("wALK", "1", "0"), line("Walk", "2", "0"),
                line("WALK", "3", "0"), line("walk", "5", "0"), line("Zulu", "6", "0")}),
      // Name order whatever the bucket (Walking belongs in 13, not 7) and the
      // file order: digits before the underscore before letters, letters
      // without case, bytes from 0x80 after everything else.
      converts("name_order",
               qz({{0, {record("zeta", 1)}},
                   {3, {record("AAB", 2), record("A_B", 3), record("A9", 4)}},
                   {4, {record("ABz", 5), record("AB\xE9", 6)}},
                   {7, {record("Walking", 7), record("Beta", 8)}},
                   {255, {record("alpha", 9)}}}),
               {line("A9", "4", "0"), line("A_B", "3", "0"), line("AAB", "2", "0"),
                line("ABz", "5", "0"), line("AB\xE9", "6", "0"), line("alpha", "9", "0"),
                line("Beta", "8", "0"), line("Walking", "7", "0"), line("zeta", "1", "0")}),

      // Malformed tables yield the records that lie wholly inside the file.
      converts("negative_count_is_an_empty_bucket",
               le32(0xFFFFFFFBu) + le32(1) + record("Neg", 1).bytes() + repeat(le32(0), 254),
               {line("Neg", "1", "0")}),
      converts("cut_inside_a_record",
               qz({{5, {record("One", 1), record("Two", 2)}}}).substr(0, 20 + 4 + 160 + 80),
               {line("One", "1", "0")}),
      converts("bytes_after_the_last_block",
               qz({{13, {record("Walking", 8)}}}) + repeat("\xAB", 500),
               {line("Walking", "8", "0")}),
      // A count of 2 with one record: the next 160 bytes, zero counts of
      // later blocks, are taken as a second record with an empty name.
      converts("count_larger_than_its_records",
               le32(2) + record("Big", 3, 4, {5}).bytes() + repeat(le32(0), 255),
               {line("", "0", "0"), line("Big", "3", "4", {5})}),
  };

  // The output is replaced as a whole, even when no record could be read.
  tool_case replaced = converts("existing_text_replaced", "\x01\x02\x03", {});
  replaced.given.push_back(file("AnimData.txt", "an earlier table\r\n" + repeat("x", 3000)));
  cases.push_back(replaced);

  const entry input = file("AnimData.qz", qz({{13, {record("Walking", 8)}}}));
  cases.push_back({.name = "output_is_a_directory",
                   .given = {input, directory("AnimData.txt")},
                   .args = {"animdata.qz"},
                   .out = banner,
                   .error = error_holds("can't open AnimData.txt\r\n"),
                   .exit_code = 1});
  cases.push_back({.name = "output_on_a_full_device",
                   .given = {input, symlink("AnimData.txt", "/dev/full")},
                   .args = {"animdata.qz"},
                   .out = banner,
                   .error = error_holds("can't write AnimData.txt\r\n"),
                   .exit_code = 1});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(BinaryToText, ToolRun, ::testing::ValuesIn(binary_to_text_cases()),
                         case_name);

}  // namespace
}  // namespace quorvex_e2e
