// quorvex-tablegen --kind K --records N [--seed S] --out DIR
//
// Writes a generated binary table and the two files the tool is expected to
// produce from it into DIR (created if missing):
//   DIR/AnimData.qz    the generated binary table
//   DIR/expected.txt   the "AnimData.txt" the tool writes from it
//   DIR/expected.qz    the "AnimData.qz" the tool writes back from that text
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "tablegen/table_gen.h"

namespace {

namespace tg = quorvex::tablegen;

constexpr const char* usage =
    "usage: quorvex-tablegen --kind sparse|dense|dups|sample --records N [--seed S] --out DIR\n";

bool parse_number(std::string_view text, std::uint64_t* value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, *value, base);
  return !text.empty() && error == std::errc{} && stop == end;
}

// Writes one file through `write`; false (with a message) on any failure,
// the close included.
template <typename Write>
bool write_file(const std::filesystem::path& path, Write write, std::uint64_t* size) {
  const std::string name = path.string();
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "quorvex-tablegen: can't open %s\n", name.c_str());
    return false;
  }
  *size = 0;
  const tg::sink to_file = tg::file_sink(file);
  const bool written = write([&](const char* data, std::size_t n) {
    *size += n;
    return to_file(data, n);
  });
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::fprintf(stderr, "quorvex-tablegen: can't write %s\n", name.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<tg::table_kind> kind;
  std::uint64_t records = 0;
  bool have_records = false;
  std::uint64_t seed = 1;
  std::string out;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (i + 1 >= argc) {
      std::fputs(usage, stderr);
      return 2;
    }
    const std::string_view value = argv[++i];
    bool ok = true;
    if (option == "--kind") {
      kind = tg::parse_kind(value);
      ok = kind.has_value();
    } else if (option == "--records") {
      ok = parse_number(value, &records) && records <= 0x7FFFFFFF;
      have_records = true;
    } else if (option == "--seed") {
      ok = parse_number(value, &seed);
    } else if (option == "--out") {
      out = value;
      ok = !out.empty();
    } else {
      ok = false;
    }
    if (!ok) {
      std::fprintf(stderr, "quorvex-tablegen: bad option %s %s\n", argv[i - 1], argv[i]);
      std::fputs(usage, stderr);
      return 2;
    }
  }
  if (!kind || !have_records || out.empty()) {
    std::fputs(usage, stderr);
    return 2;
  }

  std::error_code error;
  std::filesystem::create_directories(out, error);
  if (error) {
    std::fprintf(stderr, "quorvex-tablegen: can't create %s: %s\n", out.c_str(),
                 error.message().c_str());
    return 1;
  }

  try {
    const tg::generated_table table = tg::generate(*kind, records, seed);
    const std::filesystem::path dir(out);
    std::uint64_t binary_size = 0;
    std::uint64_t text_size = 0;
    std::uint64_t rewritten_size = 0;
    if (!write_file(
            dir / "AnimData.qz",
            [&](const tg::sink& s) { return tg::write_binary_table(table, s); }, &binary_size) ||
        !write_file(
            dir / "expected.txt",
            [&](const tg::sink& s) { return tg::write_expected_text(table, s); }, &text_size) ||
        !write_file(
            dir / "expected.qz",
            [&](const tg::sink& s) { return tg::write_expected_binary(table, s); },
            &rewritten_size)) {
      return 1;
    }
    std::printf(
        "%s: %llu %s records, seed %llu: AnimData.qz %llu bytes, expected.txt %llu bytes, "
        "expected.qz %llu bytes, %zu duplicate names\n",
        out.c_str(), static_cast<unsigned long long>(records), tg::kind_name(*kind),
        static_cast<unsigned long long>(seed), static_cast<unsigned long long>(binary_size),
        static_cast<unsigned long long>(text_size), static_cast<unsigned long long>(rewritten_size),
        tg::expected_duplicate_names(table).size());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "quorvex-tablegen: out of memory for %llu records\n",
                 static_cast<unsigned long long>(records));
    return 1;
  }
  return 0;
}
