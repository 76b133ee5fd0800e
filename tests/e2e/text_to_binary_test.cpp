// Text table to binary table: the bucket layout of the records, the reading
// of names, values and line ends, the duplicate-name warnings, the warning
// for text that does not hold one record per data line, and the fatal errors
// on both files.
//
// Buckets worked out by hand (sum of the 7 name bytes, a-z counted as A-Z,
// modulo 256): Walking 13, Dash 32, Walk 47, Vals 54, "Run" (with its quotes)
// 57, Jump 60, " Walk" (with its blank) 79, AB 131, Z^ZZ (Ctrl-Z between
// two Z) 206, ABCDEFG 220, Run 245.
#include "e2e/support.h"

namespace quorvex_e2e {
namespace {

std::string table(const std::vector<std::string>& lines) {
  std::string text = text_header();
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

std::string duplicate(const std::string& name) {
  return "warning : '" + name + "' is present more than once in AnimData.qz\r\n";
}

std::string shape(int data_lines, int records) {
  return "warning : AnimData.txt has " + std::to_string(data_lines) + " data lines but " +
         std::to_string(records) + " records\r\n";
}

// Runs animdata.txt on `text` and expects `binary` in "AnimData.qz", the
// count line with its empty line, then `warnings`.
tool_case converts(std::string name, std::string text, std::string binary, int count,
                   std::string warnings = "") {
  return {
      .name = std::move(name),
      .given = {file("AnimData.txt", std::move(text))},
      .args = {"animdata.txt"},
      .out = banner + std::to_string(count) + " records writen into AnimData.qz\r\n\r\n" + warnings,
      .written = {file("AnimData.qz", std::move(binary))}};
}

const std::string run1 = fields("Run", "1", "0");
const std::string run2 = fields("Run", "2", "0");

std::vector<tool_case> text_to_binary_cases() {
  std::vector<int> dash_frames(144, 9);
  dash_frames[0] = 0;
  std::vector<std::string> spilled{"1", "2"};
  for (int i = 0; i < 100; ++i) spilled.push_back("5");
  std::vector<int> spilled_frames(100, 5);
  spilled_frames.resize(144, 7);

  std::vector<tool_case> cases = {
      converts("header_only", text_header(), empty_qz, 0),
      converts("header_without_line_end", text_header().substr(0, 1913), empty_qz, 0),
      converts("header_and_blank_lines", text_header() + "\r\n\n\r\r\n", empty_qz, 0),
      converts("empty_file", "", empty_qz, 0),

      // Duplicates: one warning per name that stands on two neighbouring
      // lines, in the order of its first such pair; every record written,
      // each bucket in line order.
      converts("duplicates_x_x_y_x",
               table({run1, run2, fields("Walk", "3", "0"), fields("Run", "4", "0")}),
               qz({{47, {record("Walk", 3)}},
                   {245, {record("Run", 1), record("Run", 2), record("Run", 4)}}}),
               4, duplicate("Run")),
      converts("duplicates_x_y_x", table({run1, fields("Walk", "2", "0"), fields("Run", "3", "0")}),
               qz({{47, {record("Walk", 2)}}, {245, {record("Run", 1), record("Run", 3)}}}), 3),
      converts("duplicates_x_x_x", table({run1, run2, fields("Run", "3", "0")}),
               qz({{245, {record("Run", 1), record("Run", 2), record("Run", 3)}}}), 3,
               duplicate("Run")),
      converts("duplicates_x_x_y_y",
               table({run1, run2, fields("Jump", "3", "0"), fields("Jump", "4", "0")}),
               qz({{60, {record("Jump", 3), record("Jump", 4)}},
                   {245, {record("Run", 1), record("Run", 2)}}}),
               4, duplicate("Run") + duplicate("Jump")),
      // A name is warned about once, however many pairs it forms.
      converts(
          "duplicates_x_x_y_x_x",
          table({run1, run2, fields("Walk", "3", "0"), fields("Run", "4", "0"),
                 fields("Run", "5", "0")}),
          qz({{47, {record("Walk", 3)}},
              {245, {record("Run", 1), record("Run", 2), record("Run", 4), record("Run", 5)}}}),
          5, duplicate("Run")),
      converts("duplicates_differing_in_case",
               table({fields("Walking", "1", "0"), fields("WALKING", "2", "0")}),
               qz({{13, {record("Walking", 1), record("WALKING", 2)}}}), 2, duplicate("Walking")),

      // A 9-byte token between double quotes is a quoted 7-character name;
      // a shorter quoted token keeps its quotes; longer tokens are cut to 7.
      // Nothing of a longer name on an earlier line reaches a shorter one.
      converts("quoted_and_long_names",
               table({fields("\"ABCDEFG\"", "1", "0"), fields("\"Run\"", "2", "0"),
                      fields("ABCDEFGHIJ", "3", "0"), fields("AB", "4", "0"),
                      fields("ABCDEFGH", "5", "0")}),
               qz({{57, {record("\"Run\"", 2)}},
                   {131, {record("AB", 4)}},
                   {220, {record("ABCDEFG", 1), record("ABCDEFG", 3), record("ABCDEFG", 5)}}}),
               5),
      // CR, LF and CR LF alike end lines, and blank lines count for nothing.
      converts(
          "mixed_line_ends_and_blank_lines",
          text_header().substr(0, 1913) + "\n" + fields("Walk", "1", "0") + "\r\n\r\n" +
              fields("Jump", "2", "0") + "\r\n\n\r" + fields("Run", "3", "0") + "\r\r\n\n",
          qz({{47, {record("Walk", 1)}}, {60, {record("Jump", 2)}}, {245, {record("Run", 3)}}}), 3),
      // The text is read as bytes: a Ctrl-Z (26) in a name is a name byte and
      // the lines after it are read; LF bytes of the binary table are
      // written as they are.
      converts("control_bytes",
               table({fields("Z\x1AZ", "10", "13", {10, 26}), fields("Run", "2", "0")}),
               qz({{206, {record("Z\x1AZ", 10, 13, {10, 26})}}, {245, {record("Run", 2)}}}), 2),
      // Signs, hexadecimal, octal, values taken modulo 2^32 (and FrameData
      // modulo 256), several blanks or tabs between values; a lone "-" keeps
      // the last value read, 0 before any.
      converts(
          "value_forms",
          table({fields_raw("Dash", {"-", "5", "-"}) + repeat("\t9", 143),
                 "Vals  4294967295\t\t2147483648 -1\t256\t0x10\t017 +7\t300\t0x1F\t-" +
                     repeat("\t0", 136)}),
          qz({{32, {record("Dash", 0, 5, dash_frames)}},
              {54, {record("Vals", 0xFFFFFFFFu, 0x80000000u, {255, 0, 16, 15, 7, 44, 31, 31})}}}),
          2),

      // Text that does not hold one record per data line: the smaller number
      // of records is kept, and a warning follows the count line.
      converts("tab_after_the_last_value", text_header() + fields("Run", "1", "2") + "\t\r\n",
               qz({{245, {record("Run", 1, 2)}}}), 1, shape(1, 2)),
      converts(
          "values_running_on_to_the_next_line",
          text_header() + fields_raw("Run", spilled) + "\r\n" + "7" + repeat("\t7", 43) + "\r\n",
          qz({{245, {record("Run", 1, 2, spilled_frames)}}}), 1, shape(2, 1)),
      // A line of blanks joins the next line: its blank starts the name.
      converts("line_of_blanks", table({run1, " \t ", fields("Walk", "2", "0")}),
               qz({{79, {record(" Walk", 2)}}, {245, {record("Run", 1)}}}), 2, shape(3, 2)),
      converts("record_warning_before_duplicates", text_header() + run1 + "\r\n" + run2 + "\t\r\n",
               qz({{245, {record("Run", 1), record("Run", 2)}}}), 2,
               shape(2, 3) + duplicate("Run")),
  };

  // One record: 1,184 bytes, replacing a longer earlier file as a whole.
  tool_case one = converts("one_record", table({fields("Walking", "8", "256", {1, 2, 3})}),
                           qz({{13, {record("Walking", 8, 256, {1, 2, 3})}}}), 1);
  one.given.push_back(file("AnimData.qz", repeat("old binary ", 200)));
  cases.push_back(one);

  const entry old_binary = file("AnimData.qz", "an earlier binary table");
  const entry input = file("AnimData.txt", table({fields("Walking", "8", "256")}));
  cases.push_back({.name = "missing_input",
                   .given = {old_binary},
                   .args = {"animdata.txt"},
                   .out = banner,
                   .error = error_holds("can't open AnimData.txt\r\n"),
                   .exit_code = 1});
  cases.push_back({.name = "input_is_a_directory",
                   .given = {old_binary, directory("AnimData.txt")},
                   .args = {"animdata.txt"},
                   .out = banner,
                   .error = error_holds("can't open AnimData.txt\r\n"),
                   .exit_code = 1});
  cases.push_back({.name = "output_is_a_directory",
                   .given = {input, directory("AnimData.qz")},
                   .args = {"animdata.txt"},
                   .out = banner,
                   .error = error_holds("can't open for writing AnimData.qz\r\n"),
                   .exit_code = 1});
  cases.push_back({.name = "output_on_a_full_device",
                   .given = {input, symlink("AnimData.qz", "/dev/full")},
                   .args = {"animdata.txt"},
                   .out = banner,
                   .error = error_holds("can't write AnimData.qz\r\n"),
                   .exit_code = 1});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(TextToBinary, ToolRun, ::testing::ValuesIn(text_to_binary_cases()),
                         case_name);

}  // namespace
}  // namespace quorvex_e2e
