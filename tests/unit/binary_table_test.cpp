#include "table/binary_table.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "convert/hash_list.h"
#include "platform/out_stream.h"
#include "test_support.h"

namespace quorvex::table {
namespace {

using convert::hash_list;
using convert::hash_node;
using namespace std::string_view_literals;

// Builds the bytes of a binary table file piece by piece.
class table_bytes {
 public:
  table_bytes& count(std::int32_t k) {
    unsigned char b[4];
    store_le32(b, k);
    bytes_.append(reinterpret_cast<const char*>(b), 4);
    return *this;
  }
  table_bytes& zero_counts(int n) {
    for (int i = 0; i < n; ++i) count(0);
    return *this;
  }
  table_bytes& raw(std::string_view s) {
    bytes_.append(s);
    return *this;
  }
  // Appends a record whose values are all derived from `tag`; gives its
  // offset in the file.
  long long record(std::string_view name, unsigned char tag) {
    const long long offset = static_cast<long long>(bytes_.size());
    animdata_record r = test::named(name);
    store_le32(r.FramesPerDirection, tag);
    store_le32(r.AnimationSpeed, -tag);
    std::memset(r.FrameData, tag, sizeof r.FrameData);
    bytes_.append(reinterpret_cast<const char*>(&r), sizeof r);
    return offset;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Per non-empty bucket, the offsets of the records in its list, from the head.
using lists = std::map<int, std::vector<long long>>;

class BinaryTable : public testing::Test {
 protected:
  void SetUp() override { convert::hash_list_free(); }
  void TearDown() override { convert::hash_list_free(); }

  // Walks an exact-size copy of `file` into emptied lists (their nodes are
  // kept for reuse until the test ends).
  lists read(std::string_view file) {
    convert::hash_list_clear();
    data_ = test::exact_copy(file);
    read_binary_table(data_.get(), static_cast<std::int32_t>(file.size()));
    return current_lists();
  }

  lists current_lists() const {
    lists result;
    for (int b = 0; b < bucket_count; ++b) {
      for (const hash_node* n = hash_list[b]; n != nullptr; n = n->next) {
        result[b].push_back(reinterpret_cast<const unsigned char*>(n->record) - data_.get());
      }
    }
    return result;
  }

  std::unique_ptr<unsigned char[]> data_;
};

TEST_F(BinaryTable, AllCountsZeroGiveNoRecords) {
  EXPECT_EQ(read(std::string(1024, '\0')), lists{});
}

TEST_F(BinaryTable, ZeroOrNegativeCountLeavesBucketEmptyAndMovesOnFourBytes) {
  for (const std::int32_t first : {0, -1, -5, INT32_MIN}) {
    table_bytes empty;
    empty.count(first).zero_counts(255);
    EXPECT_EQ(read(empty.bytes()), lists{}) << first;

    // Bucket 1's count is read at offset 4, right after the first count.
    table_bytes one;
    one.count(first).count(1);
    const long long r = one.record("Walking", 1);
    one.zero_counts(254);
    EXPECT_EQ(r, 8);
    EXPECT_EQ(read(one.bytes()), (lists{{1, {8}}})) << first;
  }
}

TEST_F(BinaryTable, FewerThanFourBytesGiveNoRecords) {
  for (std::string_view file : {"\x01"sv, "\x01\x00"sv, "\x01\x00\x00"sv, "\xFF\xFF\xFF"sv}) {
    EXPECT_EQ(read(file), lists{}) << file.size() << " bytes";
  }
}

// Two records in bucket 0, one in 13, one in 255: 1,664 bytes.
struct small_table {
  table_bytes file;
  std::vector<std::pair<int, long long>> records;  // bucket, offset

  small_table() {
    file.count(2);
    records.push_back({0, file.record("Alpha", 1)});
    records.push_back({0, file.record("alpha", 2)});
    file.zero_counts(12).count(1);
    // Read as a count, the name's first bytes are a large positive number.
    records.push_back({13, file.record("Walking", 3)});
    file.zero_counts(241).count(1);
    records.push_back({255, file.record("Zz", 4)});
  }

  // The records that lie wholly inside the first `size` bytes, each list
  // in reverse file order.
  lists expected(long long size) const {
    lists result;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
      if (it->second + 160 <= size) result[it->first].push_back(it->second);
    }
    return result;
  }
};

TEST_F(BinaryTable, WellFormedFileWithTrailingBytes) {
  small_table t;
  ASSERT_EQ(t.file.bytes().size(), 1024u + 4 * 160);
  EXPECT_EQ(read(t.file.bytes()), t.expected(1664));
  EXPECT_EQ(t.expected(1664), (lists{{0, {164, 4}}, {13, {376}}, {255, {1504}}}));

  // Whatever follows bucket 255's block is ignored, even another whole block.
  table_bytes longer = t.file;
  longer.count(1);
  longer.record("Extra", 9);
  longer.raw("\xAB\xAB\xAB");
  EXPECT_EQ(read(longer.bytes()), t.expected(1664));
}

TEST_F(BinaryTable, EveryTruncationKeepsTheRecordsBeforeTheCut) {
  small_table t;
  const std::string& full = t.file.bytes();
  for (std::size_t size = 1; size <= full.size(); ++size) {
    ASSERT_EQ(read(std::string_view(full).substr(0, size)),
              t.expected(static_cast<long long>(size)))
        << "cut after " << size << " bytes";
  }
}

TEST_F(BinaryTable, CountLargerThanTheDataTakesTheFollowingBytesAsRecords) {
  // Bucket 0 claims 2 records but holds 1; the second is made of the counts
  // of buckets 1 to 40. The 215 counts left after it are all zero.
  table_bytes file;
  file.count(2);
  file.record("Only", 1);
  file.zero_counts(255);
  ASSERT_EQ(file.bytes().size(), 1184u);
  EXPECT_EQ(read(file.bytes()), (lists{{0, {164, 4}}}));
}

TEST_F(BinaryTable, HugeCountFinishesFast) {
  table_bytes file;
  file.count(0x7FFFFFFF);
  file.record("A", 1);
  file.record("B", 2);
  file.record("C", 3);
  file.raw("\x01\x02");  // a cut fourth record
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(read(file.bytes()), (lists{{0, {324, 164, 4}}}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(BinaryTable, RecordIsTakenInTheBucketOfItsBlock) {
  // "Walking" hashes to 13 but lies in block 7.
  table_bytes file;
  file.zero_counts(7).count(1);
  file.record("Walking", 1);
  file.zero_counts(248);
  EXPECT_EQ(read(file.bytes()), (lists{{7, {32}}}));
}

record_buffer make_buffer(std::string_view name, unsigned char bucket, unsigned char tag) {
  record_buffer b{};
  b.record = test::named(name);
  store_le32(b.record.FramesPerDirection, 1000 + tag);
  store_le32(b.record.AnimationSpeed, -tag);
  for (std::size_t i = 0; i < frame_count; ++i) {
    b.record.FrameData[i] = static_cast<unsigned char>(tag + i);
  }
  b.bucket = bucket;
  return b;
}

std::string write_table(const std::vector<record_buffer*>& records) {
  std::FILE* f = std::tmpfile();
  EXPECT_NE(f, nullptr);
  platform::out_stream out(f, platform::line_ends::binary);
  write_binary_table(out, records.data(), static_cast<std::int32_t>(records.size()));
  EXPECT_TRUE(out.flush());
  std::FILE* g = out.detach();
  std::string bytes = test::read_all(g);
  std::fclose(g);
  return bytes;
}

bool all_zero(std::string_view bytes) {
  return bytes.find_first_not_of('\0') == std::string_view::npos;
}

std::string_view record_bytes(const record_buffer& b) {
  return {reinterpret_cast<const char*>(&b.record), record_size};
}

TEST_F(BinaryTable, WritingNoRecordsGives1024ZeroBytes) {
  const std::string bytes = write_table({});
  EXPECT_EQ(bytes.size(), 1024u);
  EXPECT_TRUE(all_zero(bytes));
}

TEST_F(BinaryTable, WritingGroupsByBucketByteInArrayOrder) {
  record_buffer first = make_buffer("First", 200, 1);
  record_buffer second = make_buffer("Second", 5, 2);
  record_buffer third = make_buffer("Third", 200, 3);
  const std::string bytes = write_table({&first, &second, &third});
  ASSERT_EQ(bytes.size(), 1504u);
  const auto* u = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::string_view v(bytes);

  EXPECT_TRUE(all_zero(v.substr(0, 20))) << "blocks 0 to 4";
  EXPECT_EQ(load_le32(u + 20), 1) << "block 5";
  EXPECT_EQ(v.substr(24, 160), record_bytes(second));
  EXPECT_TRUE(all_zero(v.substr(184, 194 * 4))) << "blocks 6 to 199";
  EXPECT_EQ(load_le32(u + 960), 2) << "block 200";
  EXPECT_EQ(v.substr(964, 160), record_bytes(first));
  EXPECT_EQ(v.substr(1124, 160), record_bytes(third));
  EXPECT_TRUE(all_zero(v.substr(1284))) << "blocks 201 to 255";
}

TEST_F(BinaryTable, WrittenTableReadsBackIntoTheBucketsOfTheNames) {
  std::mt19937 rng(7);
  const std::string letters = "ABCabcXYZxyz_09 ";
  std::vector<record_buffer> buffers;
  for (int i = 0; i < 300; ++i) {
    std::string name(1 + rng() % 7, ' ');
    for (char& c : name) c = letters[rng() % letters.size()];
    record_buffer b = make_buffer(name, 0, static_cast<unsigned char>(i));
    b.bucket = name_hash(b.record.CofName);
    buffers.push_back(b);
  }
  std::vector<record_buffer*> pointers;
  for (record_buffer& b : buffers) pointers.push_back(&b);

  const std::string bytes = write_table(pointers);
  ASSERT_EQ(bytes.size(), 1024u + 160 * buffers.size());
  read(bytes);

  // Each list holds its bucket's records in reverse array order.
  for (int b = 0; b < bucket_count; ++b) {
    std::vector<std::string_view> expected;
    for (auto it = buffers.rbegin(); it != buffers.rend(); ++it) {
      if (it->bucket == b) expected.push_back(record_bytes(*it));
    }
    std::vector<std::string_view> got;
    for (const hash_node* n = hash_list[b]; n != nullptr; n = n->next) {
      got.push_back({reinterpret_cast<const char*>(n->record), record_size});
    }
    EXPECT_EQ(got, expected) << "bucket " << b;
  }
}

}  // namespace
}  // namespace quorvex::table
