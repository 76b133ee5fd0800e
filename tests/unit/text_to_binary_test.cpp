#include "convert/text_to_binary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"

namespace quorvex::convert {
namespace {

using namespace std::string_view_literals;
using table::record_buffer;

std::vector<record_buffer> buffers_named(const std::vector<std::string_view>& names) {
  std::vector<record_buffer> buffers;
  for (std::string_view name : names) {
    record_buffer b{};
    b.record = test::named(name);
    b.bucket = 0xAB;  // a name_hash left by the reader: reset by the report
    buffers.push_back(b);
  }
  return buffers;
}

struct report {
  std::string printed;
  std::vector<int> flags;
};

report run_report(std::vector<record_buffer>& buffers) {
  std::vector<record_buffer*> pointers;
  for (record_buffer& b : buffers) pointers.push_back(&b);
  test::captured_output out;
  report_duplicates(pointers.data(), static_cast<std::int32_t>(pointers.size()));
  report r;
  r.printed = out.text();
  for (const record_buffer& b : buffers) r.flags.push_back(b.bucket);
  return r;
}

std::string warning(std::string_view name) {
  return "warning : '" + std::string(name) + "' is present more than once in AnimData.qz\r\n";
}

TEST(ReportDuplicates, NeighbouringNames) {
  struct duplicate_case {
    std::vector<std::string_view> names;
    std::vector<std::string_view> warned;
    std::vector<int> flags;
  };
  const duplicate_case cases[] = {
      {{"X", "X", "Y", "X"}, {"X"}, {1, 1, 0, 1}},
      {{"X", "Y", "X"}, {}, {0, 0, 0}},
      {{"X", "X", "X"}, {"X"}, {1, 1, 1}},
      {{"X", "X", "Y", "Y"}, {"X", "Y"}, {1, 1, 1, 1}},
      {{"Walking", "WALKING"}, {"Walking"}, {1, 1}},
      {{"WALKING", "walking", "Walking"}, {"WALKING"}, {1, 1, 1}},
      {{"X", "X", "Y", "X", "X"}, {"X"}, {1, 1, 0, 1, 1}},
      // Only records from the first warned pair on are flagged.
      {{"A", "b", "a", "A"}, {"a"}, {0, 0, 1, 1}},
      {{"Y", "X", "X", "Y", "Y"}, {"X", "Y"}, {0, 1, 1, 1, 1}},
      {{"AB\0x"sv, "ab\0y"sv}, {"AB"}, {1, 1}},  // bytes after the name's end
      {{"", ""}, {""}, {1, 1}},
      {{"ABCDEFGH", "abcdefgh"}, {"ABCDEFG"}, {1, 1}},  // printed with at most 7 bytes
      {{"X"}, {}, {0}},
      {{}, {}, {}},
  };
  for (const duplicate_case& c : cases) {
    std::vector<record_buffer> buffers = buffers_named(c.names);
    const report r = run_report(buffers);
    std::string expected;
    for (std::string_view name : c.warned) expected += warning(name);
    EXPECT_EQ(r.printed, expected) << testing::PrintToString(c.names);
    EXPECT_EQ(r.flags, c.flags) << testing::PrintToString(c.names);
  }
}

// The report done step by step as described: flags cleared; for each
// neighbouring pair whose names compare equal and whose first record is not
// flagged, one warning, then that record and every record from the second
// one on with the same name flagged.
report reference_report(std::vector<record_buffer>& buffers) {
  report r;
  const std::size_t n = buffers.size();
  for (record_buffer& b : buffers) b.bucket = 0;
  for (std::size_t k = 1; k < n; ++k) {
    record_buffer& a = buffers[k - 1];
    if (table::compare_names(a.record, buffers[k].record) != 0 || a.bucket != 0) continue;
    r.printed += warning(std::string_view(a.record.CofName, table::printed_name_length(a.record)));
    a.bucket = 1;
    for (std::size_t j = k; j < n; ++j) {
      if (table::compare_names(a.record, buffers[j].record) == 0) buffers[j].bucket = 1;
    }
  }
  for (const record_buffer& b : buffers) r.flags.push_back(b.bucket);
  return r;
}

void compare_with_reference(std::mt19937& rng, const std::vector<std::string>& pool,
                            std::size_t max_count) {
  std::vector<std::string_view> names;
  const std::size_t count = rng() % (max_count + 1);
  for (std::size_t i = 0; i < count; ++i) {
    // Often the same name again, so that neighbouring pairs are common.
    if (!names.empty() && rng() % 3 == 0) {
      names.push_back(names.back());
    } else {
      names.push_back(pool[rng() % pool.size()]);
    }
  }
  std::vector<record_buffer> tested = buffers_named(names);
  std::vector<record_buffer> expected = tested;
  const report got = run_report(tested);
  const report want = reference_report(expected);
  ASSERT_EQ(got.printed, want.printed) << testing::PrintToString(names);
  ASSERT_EQ(got.flags, want.flags) << testing::PrintToString(names);
}

TEST(ReportDuplicates, AgreesWithTheMarkingAlgorithm) {
  std::mt19937 rng(4242);
  const std::vector<std::string> few = {"a", "A", "b", "B", "ab", "AB", "aB", "", "A_", "\xE9"};
  for (int i = 0; i < 400; ++i) compare_with_reference(rng, few, 40);

  // Many distinct names, so that many are warned about in one report.
  std::vector<std::string> many;
  const std::string letters = "aAbBcC_9";
  for (char x : letters) {
    for (char y : letters) {
      for (char z : letters) many.push_back({x, y, z});
    }
  }
  for (int i = 0; i < 20; ++i) compare_with_reference(rng, many, 3000);
}

}  // namespace
}  // namespace quorvex::convert
