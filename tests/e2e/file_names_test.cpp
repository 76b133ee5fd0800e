// File names whose letter case differs from the names the tool uses, on a
// file system that tells case apart: a name is used as spelled if such an
// entry exists, otherwise the first entry (in byte order) that equals it
// with A-Z/a-z folded. Messages show the argument as typed. Under a launcher
// the system resolves case itself, so these cases are skipped there.
#include "e2e/support.h"

namespace quorvex_e2e {
namespace {

const std::string walking_qz = qz({{13, {record("Walking", 8, 256, {1, 2, 3})}}});
const std::string walking_txt = text_header() + line("Walking", "8", "256", {1, 2, 3});
const std::string run_qz = qz({{245, {record("Run", 5)}}});
const std::string run_txt = text_header() + line("Run", "5", "0");

tool_case native(tool_case c) {
  c.case_sensitive_names = true;
  return c;
}

std::vector<tool_case> file_name_cases() {
  const std::string to_text = banner + "1 records writen into AnimData.txt\r\n";
  const std::string to_binary = banner + "1 records writen into AnimData.qz\r\n\r\n";
  return {
      native({.name = "argument_finds_file_in_other_case",
              .given = {file("AnimData.qz", walking_qz)},
              .args = {"animdata.qz"},
              .out = to_text,
              .written = {file("AnimData.txt", walking_txt)}}),
      native({.name = "message_shows_argument_as_typed",
              .given = {file("animdata.qz", "")},
              .args = {"ANIMDATA.QZ"},
              .out = banner + "\"ANIMDATA.QZ\" is empty\r\n"}),
      native({.name = "no_entry_equal_without_case",
              .given = {file("AnimData.qz.bak", walking_qz), file("AnimData.q", walking_qz)},
              .args = {"animdata.qz"},
              .out = banner + "can't open \"animdata.qz\"\r\n"}),
      native({.name = "text_written_into_existing_lower_case_file",
              .given = {file("AnimData.qz", walking_qz), file("animdata.txt", "an earlier table")},
              .args = {"animdata.qz"},
              .out = to_text,
              .written = {file("animdata.txt", walking_txt)}}),
      native({.name = "binary_written_into_existing_upper_case_file",
              .given = {file("animdata.txt", walking_txt), file("ANIMDATA.QZ", "an earlier table")},
              .args = {"animdata.txt"},
              .out = to_binary,
              .written = {file("ANIMDATA.QZ", walking_qz)}}),
      native({.name = "first_entry_in_byte_order_is_read",
              .given = {file("animdata.txt", walking_txt), file("ANIMDATA.TXT", run_txt)},
              .args = {"animdata.txt"},
              .out = to_binary,
              .written = {file("AnimData.qz", run_qz)}}),
      native({.name = "exact_name_is_preferred",
              .given = {file("ANIMDATA.TXT", run_txt), file("AnimData.txt", walking_txt),
                        file("animdata.txt", run_txt)},
              .args = {"ANIMDATA.TXT"},
              .out = to_binary,
              .written = {file("AnimData.qz", walking_qz)}}),
      native({.name = "error_file_in_other_case",
              .given = {file("Error.Txt", "from an earlier run")},
              .args = {},
              .out = banner,
              .written = {file("Error.Txt", usage)}}),
  };
}

INSTANTIATE_TEST_SUITE_P(FileNames, ToolRun, ::testing::ValuesIn(file_name_cases()), case_name);

}  // namespace
}  // namespace quorvex_e2e
