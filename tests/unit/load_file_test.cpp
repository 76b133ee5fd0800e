#include "convert/load_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "test_support.h"

namespace quorvex::convert {
namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

// Runs each test in a fresh, empty directory of its own.
class LoadFile : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scratch_.ready()); }

  // Loads `path`; gives whether a buffer came back, its bytes, and what was
  // printed.
  struct load_result {
    bool loaded = false;
    std::string bytes;
    std::string printed;
  };
  static load_result load(const char* path) {
    load_result result;
    test::captured_output out;
    std::int32_t size = -7;
    unsigned char* buffer = load_file(path, size);
    result.printed = out.text();
    if (buffer != nullptr) {
      result.loaded = true;
      EXPECT_GE(size, 0);
      if (size > 0) result.bytes.assign(reinterpret_cast<const char*>(buffer), size);
      std::free(buffer);
    }
    return result;
  }

  test::scratch_directory scratch_;
};

TEST_F(LoadFile, EmptyFileIsASuccessOfSizeZero) {
  test::make_file("animdata.qz", "");
  const load_result r = load("animdata.qz");
  EXPECT_TRUE(r.loaded);
  EXPECT_EQ(r.bytes, "");
  EXPECT_EQ(r.printed, "");
}

TEST_F(LoadFile, EveryByteArrivesUnchanged) {
  for (std::string_view content : {"\x01\x02\x03\x04"sv, "\r\n"sv, "\n"sv, "\x1A"sv,
                                   "A\r\nB\nC\x1A"
                                   "D\0\r\xFF\n\n"sv}) {
    test::make_file("animdata.qz", content);
    const load_result r = load("animdata.qz");
    EXPECT_TRUE(r.loaded);
    EXPECT_EQ(r.bytes, content);
    EXPECT_EQ(r.printed, "");
  }
}

TEST_F(LoadFile, MissingFileIsReportedWithThePathAsTyped) {
  for (const char* path : {"animdata.qz", "ANIMDATA.QZ"}) {
    const load_result r = load(path);
    EXPECT_FALSE(r.loaded);
    EXPECT_EQ(r.printed, "can't open \"" + std::string(path) + "\"\r\n");
  }
}

TEST_F(LoadFile, DirectoryCannotBeOpened) {
  ASSERT_TRUE(fs::create_directory("animdata.qz"));
  const load_result r = load("animdata.qz");
  EXPECT_FALSE(r.loaded);
  EXPECT_EQ(r.printed, "can't open \"animdata.qz\"\r\n");
}

TEST_F(LoadFile, FileOf2GiBOrMoreIsTooBig) {
  test::make_file("animdata.qz", "");
  std::error_code error;
  fs::resize_file("animdata.qz", std::uintmax_t{1} << 31, error);  // sparse where it can be
  if (error) GTEST_SKIP() << "no 2 GiB file here: " << error.message();
  const load_result r = load("animdata.qz");
  EXPECT_FALSE(r.loaded);
  EXPECT_EQ(r.printed, "\"animdata.qz\" is too big (2147483648 bytes)\r\n");
}

TEST_F(LoadFile, NameIsFoundWhateverItsLetterCase) {
  test::make_file("AnimData.qz", "four");
  for (const char* path : {"animdata.qz", "ANIMDATA.QZ", "AnimData.qz"}) {
    const load_result r = load(path);
    EXPECT_TRUE(r.loaded) << path;
    EXPECT_EQ(r.bytes, "four") << path;
    EXPECT_EQ(r.printed, "") << path;
  }
}

}  // namespace
}  // namespace quorvex::convert
