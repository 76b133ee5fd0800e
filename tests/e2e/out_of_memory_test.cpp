// Memory that cannot be had: each allocation the tool makes is refused in
// turn (by a library loaded into the unchanged executable), and each run must
// either report it in its own words and stop cleanly, writing nothing, or
// fall back to a slower way that writes exactly the same bytes.
#include <set>

#include "e2e/support.h"

namespace quorvex_e2e {
namespace {

std::string fail_exact(std::size_t bytes) {
  return "QUORVEX_FAIL_ALLOC_EXACT=" + std::to_string(bytes);
}

const entry old_text = file("AnimData.txt", "earlier text\r\n");
const entry old_binary = file("AnimData.qz", "earlier binary");

// 100 records named A1 (bucket 65 + 49 = 114), FramesPerDirection 0 to 99.
std::string hundred_records() {
  std::vector<record> records;
  for (int i = 0; i < 100; ++i) records.emplace_back("A1", i);
  return qz({{114, records}});
}

// The same 100 records as text lines.
std::string hundred_records_text() {
  std::string text = text_header();
  for (int i = 0; i < 100; ++i) text += line("A1", std::to_string(i), "0");
  return text;
}

// 102 data lines: AA AA BB repeated (i = 0..99), then Cc and CC; each line's
// FramesPerDirection is its number, so the order in each bucket shows.
std::string many_lines() {
  std::string text = text_header();
  for (int i = 0; i < 100; ++i) text += line(i % 3 == 2 ? "BB" : "AA", std::to_string(i), "0");
  return text + line("Cc", "100", "0") + line("CC", "101", "0");
}
// Buckets: AA 65 + 65 = 130, BB 66 + 66 = 132, Cc and CC 67 + 67 = 134.
std::string many_lines_binary() {
  std::vector<record> aa;
  std::vector<record> bb;
  for (int i = 0; i < 100; ++i) (i % 3 == 2 ? bb : aa).emplace_back(i % 3 == 2 ? "BB" : "AA", i);
  return qz({{130, aa}, {132, bb}, {134, {record("Cc", 100), record("CC", 101)}}});
}
const std::string many_lines_out = banner + "102 records writen into AnimData.qz\r\n\r\n" +
                                   "warning : 'AA' is present more than once in AnimData.qz\r\n" +
                                   "warning : 'Cc' is present more than once in AnimData.qz\r\n";

std::vector<tool_case> out_of_memory_cases() {
  const std::string walking = qz({{13, {record("Walking")}}});
  return {
      // Binary to text.
      {.name = "no_memory_for_the_input",
       .given = {file("AnimData.qz", walking), old_text},
       .args = {"animdata.qz"},
       .out = banner + "can't allocate 1184 bytes for copying \"animdata.qz\" in memory\r\n",
       .failing_allocations = {fail_exact(1184)}},
      // 100 entries of 8 bytes; the sort asks for its working room (16 bytes
      // an entry) in the same request.
      {.name = "no_memory_for_the_sorted_index",
       .given = {file("AnimData.qz", hundred_records())},
       .args = {"animdata.qz"},
       .out = banner + "can't allocate 800 bytes for animdata_sorted_name\r\n" +
              "0 records writen into AnimData.txt\r\n",
       .written = {file("AnimData.txt", text_header())},
       .failing_allocations = {fail_exact(1600)}},

      // Text to binary: 100 slots of 8 bytes.
      {.name = "no_memory_for_the_record_slots",
       .given = {file("AnimData.txt", hundred_records_text()), old_binary},
       .args = {"animdata.txt"},
       .out = banner + "can't allocate 800 bytes for animdata_records\r\n",
       .failing_allocations = {fail_exact(800)}},
      // Without room to group the records by bucket (4 bytes a record), or
      // to remember the names warned about (128 slots of 8 bytes), the same
      // bytes and warnings come out the slow way.
      {.name = "no_memory_for_grouping_by_bucket",
       .given = {file("AnimData.txt", many_lines())},
       .args = {"animdata.txt"},
       .out = many_lines_out,
       .written = {file("AnimData.qz", many_lines_binary())},
       .failing_allocations = {fail_exact(102 * 4)}},
      {.name = "no_memory_for_the_duplicate_report",
       .given = {file("AnimData.txt", many_lines())},
       .args = {"animdata.txt"},
       .out = many_lines_out,
       .written = {file("AnimData.qz", many_lines_binary())},
       .failing_allocations = {fail_exact(128 * 8)}},
  };
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(OutOfMemory, ToolRun, ::testing::ValuesIn(out_of_memory_cases()),
                         case_name);

// Memory running out at every point in turn: the N-th request and all later
// ones are refused, for N = 1, 2, ... until a run meets no refusal. Every run
// must end cleanly with one of the tool's own outcomes: a message in its own
// words and nothing written (an existing output left as it was), a fatal
// error with its exit code, or a complete, exact conversion.
namespace {

// Why allocations cannot be made to fail in this run, or nothing.
std::string why_no_failing_allocations() {
  if (under_launcher()) return "allocations cannot be made to fail under the launcher";
  if (command().failalloc.empty()) {
    return "no allocation-failing library in this build (sanitizers bring their own allocator)";
  }
  return "";
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2) {
    lines.push_back(text.substr(from, at - from));
  }
  EXPECT_EQ(from, text.size()) << "output does not end with CR LF";
  return lines;
}

bool starts_with(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// Runs the tool with the N-th and later requests refused, for growing N, and
// hands each result to `check`; returns how many runs met a refusal.
template <typename Check>
int sweep(const std::vector<entry>& given, const std::string& argument, Check check) {
  for (int n = 1; n <= 1000; ++n) {
    scratch s;
    for (const entry& e : given) s.place(e);
    const fs::path marker = s.dir().parent_path() / "refused";
    const run_result r = s.run({argument}, {"QUORVEX_FAIL_ALLOC_FROM=" + std::to_string(n),
                                            "QUORVEX_FAIL_ALLOC_MARK=" + marker.string(),
                                            "LD_PRELOAD=" + command().failalloc});
    const bool refused = fs::exists(marker);
    SCOPED_TRACE("requests refused from the " + std::to_string(n) + "-th on" +
                 (refused ? "" : " (none was)"));
    if (!r.problem.empty()) {
      ADD_FAILURE() << r.problem << "\nstderr: " << r.err;
      return n;
    }
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(starts_with(r.out, banner)) << r.out;
    check(s, r, refused);
    if (::testing::Test::HasFailure() || !refused) return n - 1;
  }
  ADD_FAILURE() << "still refusing after 1000 requests";
  return 1000;
}

std::string file_bytes(const scratch& s, const std::string& name) {
  return fs::exists(s.dir() / name) ? read_file(s.dir() / name) : "(absent)";
}

}  // namespace

TEST(OutOfMemorySweep, BinaryToTextEndsCleanlyWhereverMemoryRunsOut) {
  if (const std::string why = why_no_failing_allocations(); !why.empty()) GTEST_SKIP() << why;
  // Walking (bucket 13), Zeta (52), abc (198): 1,504 bytes.
  const std::string input =
      qz({{13, {record("Walking", 1)}}, {52, {record("Zeta", 2)}}, {198, {record("abc", 3)}}});
  // In name order.
  const std::vector<std::pair<std::string, std::string>> record_lines = {
      {"abc", line("abc", "3", "0")},
      {"Walking", line("Walking", "1", "0")},
      {"Zeta", line("Zeta", "2", "0")}};
  const std::string old_text = "earlier text\r\n";
  std::set<std::string> seen;

  const int runs =
      sweep({file("AnimData.qz", input), file("AnimData.txt", old_text)}, "animdata.qz",
            [&](const scratch& s, const run_result& r, bool refused) {
              EXPECT_EQ(file_bytes(s, "AnimData.qz"), input) << "the input was changed";
              const std::vector<std::string> out = lines_of(r.out.substr(banner.size()));
              const std::string text = file_bytes(s, "AnimData.txt");
              // A record that gets no node is reported and left out.
              const auto is_node_message = [](const std::string& l) {
                return starts_with(l, "can't allocate 16 bytes for adding record '");
              };
              if (r.exit_code == 1) {
                // Memory ran out before the output could be opened: the records
                // reported so far, then the fatal error.
                const std::string error = file_bytes(s, "error.txt");
                EXPECT_TRUE(error == "(absent)" || error == "can't open AnimData.txt\r\n") << error;
                EXPECT_EQ(text, old_text) << "AnimData.txt was touched";
                for (const std::string& l : out) {
                  EXPECT_TRUE(is_node_message(l)) << l;
                  seen.insert("node");
                }
                return;
              }
              ASSERT_EQ(r.exit_code, 0);
              EXPECT_EQ(file_bytes(s, "error.txt"), "(absent)");
              ASSERT_FALSE(out.empty());
              if (out[0] == "can't open \"animdata.qz\"" ||
                  out[0] == "can't allocate 1504 bytes for copying \"animdata.qz\" in memory") {
                EXPECT_EQ(out.size(), 1u);
                EXPECT_EQ(text, old_text) << "AnimData.txt was touched";
                seen.insert(out[0]);
                return;
              }
              // Records left out for want of a node, the index that could not be
              // had, and the count of what was written.
              std::string expected = text_header();
              std::set<std::string> left_out;
              std::size_t i = 0;
              for (; i < out.size() && is_node_message(out[i]); ++i) {
                const std::size_t open = out[i].find('\'');
                left_out.insert(out[i].substr(open + 1, out[i].find('\'', open + 1) - open - 1));
                seen.insert("node");
              }
              bool no_index = false;
              if (i < out.size() && out[i] == "can't allocate " +
                                                  std::to_string(8 * (3 - left_out.size())) +
                                                  " bytes for animdata_sorted_name") {
                no_index = true;
                seen.insert("index");
                ++i;
              }
              int written = 0;
              for (const auto& [name, text_line] : record_lines) {
                if (left_out.count(name) == 0 && !no_index) {
                  expected += text_line;
                  ++written;
                }
              }
              ASSERT_EQ(i + 1, out.size()) << r.out;
              EXPECT_EQ(out[i], std::to_string(written) + " records writen into AnimData.txt");
              EXPECT_EQ(difference(expected, text), "");
              if (!refused) {
                EXPECT_EQ(written, 3);
              }
            });
  EXPECT_GT(runs, 0);
  for (const char* kind :
       {"can't allocate 1504 bytes for copying \"animdata.qz\" in memory", "node", "index"}) {
    EXPECT_EQ(seen.count(kind), 1u) << "never reached: " << kind;
  }
}

TEST(OutOfMemorySweep, TextToBinaryEndsCleanlyWhereverMemoryRunsOut) {
  if (const std::string why = why_no_failing_allocations(); !why.empty()) GTEST_SKIP() << why;
  const std::string input = many_lines();
  const std::string old_binary = "earlier binary";
  std::set<std::string> seen;

  const int runs =
      sweep({file("AnimData.txt", input), file("AnimData.qz", old_binary)}, "animdata.txt",
            [&](const scratch& s, const run_result& r, bool refused) {
              EXPECT_EQ(file_bytes(s, "AnimData.txt"), input) << "the input was changed";
              const std::string binary = file_bytes(s, "AnimData.qz");
              if (r.exit_code == 1) {
                const std::string error = file_bytes(s, "error.txt");
                EXPECT_TRUE(error == "(absent)" || error == "can't open AnimData.txt\r\n" ||
                            error == "can't open for writing AnimData.qz\r\n")
                    << error;
                EXPECT_EQ(binary, old_binary) << "AnimData.qz was touched";
                seen.insert("fatal");
                return;
              }
              ASSERT_EQ(r.exit_code, 0);
              EXPECT_EQ(file_bytes(s, "error.txt"), "(absent)");
              const std::vector<std::string> out = lines_of(r.out.substr(banner.size()));
              if (out.size() == 1 && starts_with(out[0], "can't allocate ")) {
                EXPECT_TRUE(out[0] == "can't allocate 816 bytes for animdata_records" ||
                            out[0] == "can't allocate 161 bytes for animdata_records[0]" ||
                            out[0] == "can't allocate 161 bytes for animdata_records[64]")
                    << out[0];
                EXPECT_EQ(binary, old_binary) << "AnimData.qz was touched";
                seen.insert(out[0]);
                return;
              }
              EXPECT_EQ(banner + r.out.substr(banner.size()), many_lines_out);
              EXPECT_EQ(difference(many_lines_binary(), binary), "");
              (void)refused;
            });
  EXPECT_GT(runs, 0);
  for (const char* kind : {"can't allocate 816 bytes for animdata_records",
                           "can't allocate 161 bytes for animdata_records[0]",
                           "can't allocate 161 bytes for animdata_records[64]"}) {
    EXPECT_EQ(seen.count(kind), 1u) << "never reached: " << kind;
  }
}

}  // namespace quorvex_e2e
