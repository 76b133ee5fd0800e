#include "convert/hash_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"

namespace quorvex::convert {
namespace {

using table::animdata_record;

class HashList : public testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    hash_list_free();
    free_sorted_name();
  }

  // The records of bucket `b`, from the head of its list.
  static std::vector<const animdata_record*> list_of(int b) {
    std::vector<const animdata_record*> records;
    for (const hash_node* n = hash_list[b]; n != nullptr; n = n->next) records.push_back(n->record);
    return records;
  }

  static std::set<const hash_node*> all_nodes() {
    std::set<const hash_node*> nodes;
    for (int b = 0; b < table::bucket_count; ++b) {
      for (const hash_node* n = hash_list[b]; n != nullptr; n = n->next) nodes.insert(n);
    }
    return nodes;
  }

  // Builds the index and gives the records of its entries in order, after
  // checking that it holds every node of the lists exactly once.
  static std::vector<const animdata_record*> sorted_records() {
    const std::set<const hash_node*> nodes = all_nodes();
    const std::int32_t count = build_sorted_name();
    EXPECT_EQ(count, static_cast<std::int32_t>(nodes.size()));
    std::vector<const animdata_record*> records;
    std::set<const hash_node*> seen;
    for (std::int32_t i = 0; i < count; ++i) {
      const hash_node* n = animdata_sorted_name[i];
      EXPECT_EQ(nodes.count(n), 1u) << "entry " << i << " is no node of the lists";
      EXPECT_TRUE(seen.insert(n).second) << "entry " << i << " repeats a node";
      records.push_back(n->record);
    }
    return records;
  }
};

TEST_F(HashList, EachRecordGoesToTheFrontOfItsBucket) {
  const animdata_record r[3] = {test::named("r1"), test::named("r2"), test::named("r3")};
  for (const animdata_record& x : r) hash_list_add(4, &x);
  EXPECT_EQ(list_of(4), (std::vector<const animdata_record*>{&r[2], &r[1], &r[0]}));
  for (int b = 0; b < table::bucket_count; ++b) {
    if (b != 4) {
      EXPECT_EQ(hash_list[b], nullptr) << b;
    }
  }
}

TEST_F(HashList, BucketOutsideTheRangeIsIgnoredSilently) {
  const animdata_record r = test::named("Walking");
  test::captured_output out;
  for (const std::int32_t b : {-1, 256, INT32_MIN, INT32_MAX}) hash_list_add(b, &r);
  EXPECT_TRUE(all_nodes().empty());
  EXPECT_EQ(build_sorted_name(), 0);
  EXPECT_EQ(out.text(), "");
}

TEST_F(HashList, EmptyListGivesAnEmptyIndexSilently) {
  test::captured_output out;
  EXPECT_EQ(build_sorted_name(), 0);
  EXPECT_EQ(out.text(), "");
}

TEST_F(HashList, IndexIsInNameOrder) {
  struct order_case {
    std::vector<std::string_view> names;  // records, in memory order
    std::vector<int> buckets;             // the bucket each is added to
    std::vector<int> added;               // the order of addition
    std::vector<int> expected;            // record numbers in index order
  };
  const order_case cases[] = {
      {{"Zeta", "alpha", "Beta"}, {3, 200, 7}, {0, 1, 2}, {1, 2, 0}},
      {{"Zeta", "alpha", "Beta"}, {9, 9, 9}, {2, 0, 1}, {1, 2, 0}},
      {{"AAB", "A_B"}, {0, 255}, {0, 1}, {1, 0}},
      // Equal names stand together, in the order of their records in memory,
      // however they were added.
      {{"x", "abc", "ABC"}, {5, 198, 198}, {0, 1, 2}, {1, 2, 0}},
      {{"ABC", "x", "abc"}, {198, 5, 198}, {2, 1, 0}, {0, 2, 1}},
      {{"dup", "DUP", "b", "dUp", "a", "Dup"},
       {1, 2, 3, 1, 2, 3},
       {5, 3, 0, 4, 1, 2},
       {4, 2, 0, 1, 3, 5}},
  };
  for (const order_case& c : cases) {
    reset();
    std::vector<animdata_record> records;
    for (std::string_view name : c.names) records.push_back(test::named(name));
    for (int i : c.added) hash_list_add(c.buckets[i], &records[i]);
    std::vector<const animdata_record*> expected;
    for (int i : c.expected) expected.push_back(&records[i]);
    EXPECT_EQ(sorted_records(), expected) << testing::PrintToString(c.names);
  }
}

TEST_F(HashList, ClearEmptiesTheListsForTheIndexToo) {
  const animdata_record r[3] = {test::named("r1"), test::named("r2"), test::named("r3")};
  hash_list_add(4, &r[0]);
  hash_list_add(9, &r[1]);
  hash_list_clear();
  EXPECT_TRUE(all_nodes().empty());
  EXPECT_EQ(sorted_records(), std::vector<const animdata_record*>{});
  free_sorted_name();
  hash_list_add(4, &r[2]);
  EXPECT_EQ(list_of(4), std::vector<const animdata_record*>{&r[2]});
  EXPECT_EQ(sorted_records(), std::vector<const animdata_record*>{&r[2]});
}

TEST_F(HashList, MoreRecordsThanOneAllocationOfNodesHolds) {
  // Some 2 MiB of 16-byte nodes and more; all of one name, so that the index
  // must follow the records' order in memory.
  constexpr std::size_t count = (std::size_t{2} << 20) / 16 + 1000;
  std::vector<animdata_record> records(count, test::named("Same"));
  for (std::size_t i = 0; i < count; ++i) {
    hash_list_add(static_cast<std::int32_t>(i % 256), &records[i]);
  }
  const std::int32_t n = build_sorted_name();
  ASSERT_EQ(n, static_cast<std::int32_t>(count));
  for (std::size_t i = 0; i < count; ++i) {
    ASSERT_EQ(animdata_sorted_name[i]->record, &records[i]) << i;
  }
  // Bucket 7 holds records 7, 263, ... from the last added to the first.
  std::vector<const animdata_record*> bucket7;
  for (std::size_t i = 7; i < count; i += 256) bucket7.insert(bucket7.begin(), &records[i]);
  EXPECT_EQ(list_of(7), bucket7);
}

TEST_F(HashList, ManyRecordsWithDuplicates) {
  std::mt19937 rng(99);
  const std::string_view pool[] = {"", "a", "A", "ab", "AB", "aB", "A_", "A9", "b", "B", "\xE9"};
  std::vector<animdata_record> records;
  for (int i = 0; i < 2000; ++i) records.push_back(test::named(pool[rng() % std::size(pool)]));
  for (animdata_record& r : records) hash_list_add(static_cast<std::int32_t>(rng() % 256), &r);

  const std::vector<const animdata_record*> sorted = sorted_records();
  ASSERT_EQ(sorted.size(), records.size());
  for (std::size_t i = 1; i < sorted.size(); ++i) {
    const int order = table::compare_names(*sorted[i - 1], *sorted[i]);
    ASSERT_LE(order, 0) << "entries " << i - 1 << " and " << i;
    if (order == 0) {
      ASSERT_LT(sorted[i - 1], sorted[i]) << "equal names out of memory order at " << i;
    }
  }
}

}  // namespace
}  // namespace quorvex::convert
