// Helpers shared by the unit tests: capturing standard output, exact-size
// copies of byte strings (so that the sanitizers see any read past the end),
// scratch files and records built from a name.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "platform/console.h"
#include "table/record.h"

namespace quorvex::test {

// Reads a whole file from its start.
inline std::string read_all(std::FILE* f) {
  std::string text;
  std::rewind(f);
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
  return text;
}

// Sends the tool's standard output into a temporary file while it lives.
class captured_output {
 public:
  captured_output() {
    std::FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr) << "no temporary file for standard output";
    platform::standard_output().attach(f, platform::line_ends::text);
  }
  captured_output(const captured_output&) = delete;
  captured_output& operator=(const captured_output&) = delete;
  ~captured_output() { stop(); }

  // Everything printed so far, as it reached the file; capturing ends.
  std::string text() {
    stop();
    return text_;
  }

 private:
  void stop() {
    if (done_) return;
    done_ = true;
    if (std::FILE* f = platform::standard_output().detach()) {
      text_ = read_all(f);
      std::fclose(f);
    }
  }

  bool done_ = false;
  std::string text_;
};

// A fresh, empty directory that is the current directory while the object
// lives; removed with its content afterwards.
class scratch_directory {
 public:
  scratch_directory() {
    namespace fs = std::filesystem;
    previous_ = fs::current_path();
    std::random_device seed;
    for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
      const fs::path candidate =
          fs::temp_directory_path() / ("quorvex_unit_" + std::to_string(seed()));
      if (fs::create_directory(candidate)) dir_ = candidate;
    }
    EXPECT_FALSE(dir_.empty()) << "no scratch directory";
    if (!dir_.empty()) fs::current_path(dir_);
  }
  scratch_directory(const scratch_directory&) = delete;
  scratch_directory& operator=(const scratch_directory&) = delete;
  ~scratch_directory() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }
  bool ready() const { return !dir_.empty(); }

 private:
  std::filesystem::path previous_;
  std::filesystem::path dir_;
};

// Creates or replaces a file in the current directory.
inline void make_file(const char* name, std::string_view bytes) {
  std::FILE* f = std::fopen(name, "wb");
  ASSERT_NE(f, nullptr) << name;
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  ASSERT_EQ(std::fclose(f), 0);
}

// A heap block holding exactly the bytes of `bytes`, nothing more.
inline std::unique_ptr<unsigned char[]> exact_copy(std::string_view bytes) {
  std::unique_ptr<unsigned char[]> copy(new unsigned char[bytes.size()]);
  if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
  return copy;
}

// A record whose name field holds the first 8 bytes of `name` (zero-filled),
// with every other byte zero.
inline table::animdata_record named(std::string_view name) {
  table::animdata_record r{};
  std::memcpy(r.CofName, name.data(), name.size() < 8 ? name.size() : 8);
  return r;
}

}  // namespace quorvex::test
