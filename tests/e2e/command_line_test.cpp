// The argument check and dispatch: the banner on every run, the usage message
// and the unrecognised-name message through "error.txt", the exit codes, and
// "error.txt" left alone by runs that end normally.
#include "e2e/support.h"

namespace quorvex_e2e {
namespace {

// One record, enough to see whether a conversion ran.
const std::string one_record_qz = qz({{13, {record("Walking", 8, 256, {1, 2, 3})}}});
const std::string one_record_txt = text_header() + line("Walking", "8", "256", {1, 2, 3});

std::string not_a_name(const std::string& argument) {
  return "can't process " + argument + " : not animdata.qz nor animdata.txt";
}

// An unrecognised argument beside both tables: nothing is converted.
tool_case unrecognised(std::string name, std::string argument) {
  return {.name = std::move(name),
          .given = {file("AnimData.qz", one_record_qz), file("AnimData.txt", one_record_txt)},
          .args = {argument},
          .out = banner,
          .error = error_holds(not_a_name(argument)),
          .exit_code = 1};
}

std::vector<tool_case> command_line_cases() {
  return {
      {.name = "no_argument", .args = {}, .out = banner, .error = error_holds(usage)},
      // Two recognised names are still two arguments: no conversion runs.
      {.name = "two_recognised_names",
       .given = {file("AnimData.qz", one_record_qz)},
       .args = {"animdata.qz", "animdata.qz"},
       .out = banner,
       .error = error_holds(usage)},
      {.name = "three_arguments",
       .given = {file("AnimData.txt", one_record_txt)},
       .args = {"animdata.txt", "x", "y"},
       .out = banner,
       .error = error_holds(usage)},
      // A fatal run empties an existing error.txt and leaves its own message.
      {.name = "usage_replaces_old_error_file",
       .given = {file("error.txt",
                      "an older and much longer message than the usage text, "
                      "which must not survive in any part\r\n" +
                          repeat("x", 200))},
       .args = {},
       .out = banner,
       .error = error_holds(usage)},

      unrecognised("dot_slash_name", "./animdata.qz"),
      unrecognised("name_with_suffix", "animdata.qz.bak"),
      unrecognised("name_without_extension", "animdata"),
      unrecognised("name_with_trailing_blank", "animdata.qz "),
      unrecognised("name_with_leading_blank", " animdata.txt"),
      unrecognised("empty_argument", ""),
      unrecognised("other_extension", "animdata.qzz"),
      unrecognised("text_name_cut_short", "animdata.tx"),
      // The argument is printed as it is, however long, and is no format.
      unrecognised("long_argument", repeat("animdata", 100)),
      unrecognised("argument_with_percent_signs", "%s%d%n%%"),

      // The argument chooses the direction whatever its letter case, and is
      // the path the loader names in its messages exactly as typed.
      {.name = "upper_case_binary_name_is_the_path",
       .given = {file("AnimData.txt", one_record_txt)},
       .args = {"ANIMDATA.QZ"},
       .out = banner + "can't open \"ANIMDATA.QZ\"\r\n"},
      {.name = "mixed_case_binary_name_is_the_path",
       .given = {file("AnimData.Qz", "")},
       .args = {"AnimData.Qz"},
       .out = banner + "\"AnimData.Qz\" is empty\r\n"},
      {.name = "upper_case_text_name_converts_to_binary",
       .given = {file("AnimData.txt", one_record_txt)},
       .args = {"ANIMDATA.TXT"},
       .out = banner + "1 records writen into AnimData.qz\r\n\r\n",
       .written = {file("AnimData.qz", one_record_qz)}},

      // error.txt is only ever written by a fatal run.
      {.name = "normal_run_leaves_error_file",
       .given = {file("AnimData.qz", one_record_qz), file("error.txt", "from an earlier run\r\n")},
       .args = {"AnimData.qz"},
       .out = banner + "1 records writen into AnimData.txt\r\n",
       .error = error_unchanged,
       .written = {file("AnimData.txt", one_record_txt)}},
      {.name = "missing_input_leaves_error_file",
       .given = {file("error.txt", "from an earlier run\r\n")},
       .args = {"animdata.qz"},
       .out = banner + "can't open \"animdata.qz\"\r\n",
       .error = error_unchanged},

      // With a directory in the way of error.txt the message is lost, but
      // the exit code is still that of the fatal error.
      {.name = "error_file_is_a_directory_usage",
       .given = {directory("error.txt")},
       .args = {},
       .out = banner,
       .error = error_unchanged},
      {.name = "error_file_is_a_directory_unrecognised",
       .given = {directory("error.txt")},
       .args = {"animdata"},
       .out = banner,
       .error = error_unchanged,
       .exit_code = 1},
      {.name = "error_file_on_a_full_device",
       .given = {symlink("error.txt", "/dev/full")},
       .args = {"animdata.qz.bak"},
       .out = banner,
       .error = error_unchanged,
       .exit_code = 1},
      {.name = "error_file_is_a_directory_output_blocked",
       .given = {directory("error.txt"), file("AnimData.qz", one_record_qz),
                 directory("AnimData.txt")},
       .args = {"AnimData.qz"},
       .out = banner,
       .error = error_unchanged,
       .exit_code = 1},
  };
}

INSTANTIATE_TEST_SUITE_P(CommandLine, ToolRun, ::testing::ValuesIn(command_line_cases()),
                         case_name);

}  // namespace
}  // namespace quorvex_e2e
