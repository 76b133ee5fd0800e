// Loading the binary table named on the command line: the files that cannot
// be loaded are reported on standard output, the run ends normally, and an
// existing "AnimData.txt" is left as it was.
#include "e2e/support.h"

namespace quorvex_e2e {
namespace {

const entry old_text = file("AnimData.txt", "an earlier table\r\n");

std::vector<tool_case> loader_cases() {
  return {
      {.name = "missing_file",
       .given = {old_text},
       .args = {"animdata.qz"},
       .out = banner + "can't open \"animdata.qz\"\r\n"},
      {.name = "empty_file",
       .given = {old_text, file("animdata.qz", "")},
       .args = {"animdata.qz"},
       .out = banner + "\"animdata.qz\" is empty\r\n"},
      {.name = "directory_in_place_of_the_file",
       .given = {old_text, directory("AnimData.qz")},
       .args = {"AnimData.qz"},
       .out = banner + "can't open \"AnimData.qz\"\r\n"},
      // Sizes from 2 GiB on do not fit the loader's byte count.
      {.name = "file_of_3_GiB",
       .given = {old_text, big_file("AnimData.qz", 3221225472u)},
       .args = {"AnimData.qz"},
       .out = banner + "\"AnimData.qz\" is too big (3221225472 bytes)\r\n"},
      {.name = "file_of_exactly_2_GiB",
       .given = {old_text, big_file("AnimData.qz", 2147483648u)},
       .args = {"AnimData.qz"},
       .out = banner + "\"AnimData.qz\" is too big (2147483648 bytes)\r\n"},
  };
}

INSTANTIATE_TEST_SUITE_P(Loader, ToolRun, ::testing::ValuesIn(loader_cases()), case_name);

}  // namespace
}  // namespace quorvex_e2e
