#include "table/record.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"

namespace quorvex::table {
namespace {

using namespace std::string_view_literals;
using test::named;

int sign(std::int64_t v) {
  return (v > 0) - (v < 0);
}

struct hash_case {
  std::string_view name7;  // exactly 7 bytes
  unsigned expected;
};

TEST(NameHash, KnownBuckets) {
  const hash_case cases[] = {
      {"Walking"sv, 13},  // 87+65+76+75+73+78+71 = 525 = 2*256 + 13
      {"WALKING"sv, 13},
      {"walking"sv, 13},
      {"wAlKiNg"sv, 13},
      {"\0\0\0\0\0\0\0"sv, 0},
      {"\xFF\xFF\xFF\xFF\xFF\xFF\xFF"sv, 249},  // 7 * 255 = 1785 = 6*256 + 249
      {"abc\0\0\0\0"sv, 198},
      {"ABC\0\0\0\0"sv, 198},
      {"\xE9\0\0\0\0\0\0"sv, 0xE9},  // not folded to 0xC9
      {"\xC9\0\0\0\0\0\0"sv, 0xC9},
      {"A\0B\0\0\0\0"sv, 65 + 66},                        // bytes after the end of the name count
      {"`{@[\0\0\0"sv, 0x60 + 0x7B + 0x40 + 0x5B - 256},  // neighbours of the letters
      {"az\0\0\0\0\0"sv, 0x41 + 0x5A},
  };
  for (const hash_case& c : cases) {
    ASSERT_EQ(c.name7.size(), 7u);
    const auto exact = test::exact_copy(c.name7);
    EXPECT_EQ(name_hash(reinterpret_cast<const char*>(exact.get())), c.expected)
        << "name bytes " << testing::PrintToString(std::string(c.name7));
  }
}

TEST(NameHash, EighthByteTakesNoPart) {
  const animdata_record a = named("ABCDEFG\x01"sv);
  const animdata_record b = named("ABCDEFG\xFF"sv);
  EXPECT_EQ(name_hash(a.CofName), name_hash(b.CofName));
  EXPECT_EQ(name_hash(a.CofName), 65 + 66 + 67 + 68 + 69 + 70 + 71 - 256);
}

struct compare_case {
  std::string_view a;
  std::string_view b;
  int expected;  // sign
};

TEST(CompareNames, NameOrder) {
  const compare_case cases[] = {
      {"abc", "ABC", 0},
      {"Walking", "WALKING", 0},
      {"AB", "ABC", -1},  // a name sorts before its longer continuations
      {"alpha", "Zeta", -1},
      {"A9", "A_", -1},  // 0x39 < 0x5F
      {"A_", "AA", -1},  // 0x5F < folded 0x61
      {"A9", "AA", -1},
      {"AB\xE9", "ABz", 1},         // 0xE9 > 0x7A, unsigned
      {"\xE9", "\xC9", 1},          // not folded
      {"\xC9", "\xE9", -1},         //
      {"[", "a", -1},               // 0x5B sorts before every letter
      {"`", "A", -1},               // 0x60 < folded 0x61
      {"{", "Z", 1},                // 0x7B after folded 0x7A
      {"\x7F", "\x80", -1},         //
      {" ", "!", -1},               //
      {"AB\0XY"sv, "AB\0ZZ"sv, 0},  // bytes after the end of the name are ignored
      {"ab\0\xFF"sv, "AB\0\x01"sv, 0},
      {"", "A", -1},  // the empty name first
      {"", "\x01", -1},
      {"", "", 0},
      {""sv, "\0garbage"sv, 0},
      {"ABCDEFGH", "abcdefgh", 0},  // 8 non-zero bytes
      {"ABCDEFGH", "ABCDEFGI", -1},
      {"ABCDEFG", "ABCDEFGH", -1},
      {"ABCDEFGz", "ABCDEFG\x80", -1},
  };
  for (const compare_case& c : cases) {
    const animdata_record a = named(c.a);
    const animdata_record b = named(c.b);
    const std::string label = testing::PrintToString(std::string(c.a)) + " vs " +
                              testing::PrintToString(std::string(c.b));
    EXPECT_EQ(sign(compare_names(a, b)), c.expected) << label;
    EXPECT_EQ(sign(compare_names(b, a)), -c.expected) << label << " (swapped)";
  }
}

// Bytes that sit on the edges of the folding and of the order.
constexpr unsigned char edge_bytes[] = {0,    1,    ' ',  '0',  '9',  '@', 'A', 'M',
                                        'Z',  '[',  '_',  '`',  'a',  'm', 'z', '{',
                                        0x7F, 0x80, 0xC9, 0xE9, 0xFF, 'B', 'b'};

animdata_record random_name(std::mt19937& rng) {
  animdata_record r{};
  std::uniform_int_distribution<int> pick(0, sizeof edge_bytes - 1);
  std::uniform_int_distribution<int> length(0, 8);
  std::uniform_int_distribution<int> any(0, 255);
  const int n = length(rng);
  for (int i = 0; i < 8; ++i) {
    if (i < n) {
      unsigned char c = edge_bytes[pick(rng)];
      if (c == 0) c = 'a';  // the length decides where the name ends
      r.CofName[i] = static_cast<char>(c);
    } else if (i > n) {
      r.CofName[i] = static_cast<char>(any(rng));  // after the end: ignored
    }
  }
  return r;
}

int key_order(const animdata_record& a, const animdata_record& b) {
  const std::uint64_t ka = name_key(a);
  const std::uint64_t kb = name_key(b);
  return (ka > kb) - (ka < kb);
}

TEST(NameKey, OrdersLikeCompareNamesOnCraftedPairs) {
  std::vector<animdata_record> names;
  for (std::string_view s : {""sv,
                             "a"sv,
                             "A"sv,
                             "AB"sv,
                             "ab"sv,
                             "ABC"sv,
                             "A_"sv,
                             "A9"sv,
                             "AA"sv,
                             "alpha"sv,
                             "Zeta"sv,
                             "AB\xE9"sv,
                             "ABz"sv,
                             "ABZ"sv,
                             "\xE9"sv,
                             "\xC9"sv,
                             "ABCDEFG"sv,
                             "abcdefg"sv,
                             "ABCDEFGH"sv,
                             "abcdefgh"sv,
                             "ABCDEFGI"sv,
                             "ABCDEFG\xFF"sv,
                             "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"sv,
                             "\x01"sv,
                             "\x01\x01\x01\x01\x01\x01\x01\x01"sv,
                             "A\0B"sv,
                             "A\0C"sv,
                             "[{`"sv,
                             "zzzzzzz"sv,
                             "zzzzzzzz"sv,
                             "\x7F\x80"sv}) {
    names.push_back(named(s));
  }
  for (const animdata_record& a : names) {
    for (const animdata_record& b : names) {
      ASSERT_EQ(key_order(a, b), sign(compare_names(a, b)))
          << testing::PrintToString(std::string(a.CofName, 8)) << " vs "
          << testing::PrintToString(std::string(b.CofName, 8));
    }
  }
}

TEST(NameKey, OrdersLikeCompareNamesOnRandomPairs) {
  std::mt19937 rng(20240611);
  for (int i = 0; i < 200000; ++i) {
    const animdata_record a = random_name(rng);
    animdata_record b = random_name(rng);
    // Often share a prefix, so that the pair differs late or not at all.
    if (i % 2 == 0) {
      const int shared = static_cast<int>(rng() % 9);
      for (int k = 0; k < shared; ++k) b.CofName[k] = a.CofName[k];
    }
    ASSERT_EQ(key_order(a, b), sign(compare_names(a, b)))
        << testing::PrintToString(std::string(a.CofName, 8)) << " vs "
        << testing::PrintToString(std::string(b.CofName, 8));
  }
}

TEST(LittleEndian, LoadAndStore) {
  struct le_case {
    unsigned char bytes[4];
    std::int32_t value;
  };
  const le_case cases[] = {
      {{0x78, 0x56, 0x34, 0x12}, 0x12345678}, {{0x01, 0x00, 0x00, 0x00}, 1},
      {{0xFF, 0xFF, 0xFF, 0xFF}, -1},         {{0x00, 0x00, 0x00, 0x80}, INT32_MIN},
      {{0xFF, 0xFF, 0xFF, 0x7F}, INT32_MAX},  {{0xFE, 0xFF, 0xFF, 0xFF}, -2},
      {{0x00, 0x01, 0x00, 0x00}, 256},
  };
  for (const le_case& c : cases) {
    // At an odd offset, so that nothing depends on alignment.
    unsigned char buffer[7] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    std::memcpy(buffer + 1, c.bytes, 4);
    EXPECT_EQ(load_le32(buffer + 1), c.value);

    unsigned char stored[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    store_le32(stored + 3, c.value);
    EXPECT_EQ(std::memcmp(stored + 3, c.bytes, 4), 0) << c.value;
    EXPECT_EQ(stored[2], 0xAA);  // nothing written around the four bytes
    EXPECT_EQ(stored[7], 0xAA);
  }
}

}  // namespace
}  // namespace quorvex::table
