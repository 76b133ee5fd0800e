// Microbenchmarks of the hot paths of both conversions, on tables from the
// deterministic generator:
//
//   format_record_line   one record line of the text table, per line
//   read_text_table      both passes of the text reader over N lines held in
//                        memory, reported per line
//   name_hash            one bucket hash
//   compare_names        one name comparison, names that differ and names
//                        that are equal but for letter case
//   hash_list_add        one node, per record
//   build_sorted_name    the sorted name index over N records in the lists
//   write_binary_table   N record buffers into 256 bucket blocks on /dev/null
//   report_duplicates    N records in name order, every name on two records
//
// The table sizes come from our own option, taken out of the command line
// before Google Benchmark sees it:
//
//   quorvex_microbench [--records=N[,N...]] [Google Benchmark options]
//
// (default 1000,100000). The per-record and per-line figures appear as the
// counter "per_record" or "per_line": time per item, in seconds with an SI
// prefix (n = nanoseconds).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "convert/hash_list.h"
#include "convert/text_to_binary.h"
#include "platform/console.h"
#include "platform/out_stream.h"
#include "table/binary_table.h"
#include "table/record.h"
#include "table/scan.h"
#include "table/text_reader.h"
#include "table/text_writer.h"
#include "tablegen/table_gen.h"

namespace {

namespace tg = quorvex::tablegen;
namespace table = quorvex::table;
namespace convert = quorvex::convert;
namespace platform = quorvex::platform;

// Records cycled through by the benchmarks that time one small operation, so
// that the branch predictor cannot learn a single input.
constexpr std::size_t cycle_records = 4096;

// Generated tables by kind and size, made once per process.
const tg::generated_table& generated(tg::table_kind kind, std::size_t count) {
  static std::map<std::pair<tg::table_kind, std::size_t>, tg::generated_table> cache;
  auto found = cache.find({kind, count});
  if (found == cache.end()) {
    found = cache.emplace(std::pair{kind, count}, tg::generate(kind, count, 1)).first;
  }
  return found->second;
}

table::animdata_record to_core(const tg::record& r) {
  table::animdata_record out;
  static_assert(sizeof out == tg::record_size);
  std::memcpy(&out, r.bytes.data(), sizeof out);
  return out;
}

// The records of `t` in the order listed by `order`, contiguous in memory,
// as the loaded binary table holds them.
std::vector<table::animdata_record> records_in(const tg::generated_table& t,
                                               const std::vector<std::uint32_t>& order) {
  std::vector<table::animdata_record> out;
  out.reserve(order.size());
  for (std::uint32_t i : order) out.push_back(to_core(t.records[i]));
  return out;
}

// Record buffers as the text reader makes them: in the order of the text
// lines, each bucket byte holding its record's hash.
struct buffer_array {
  std::vector<table::record_buffer> buffers;
  std::vector<table::record_buffer*> pointers;
};

buffer_array buffers_in_text_order(const tg::generated_table& t) {
  buffer_array a;
  a.buffers.reserve(t.text_order.size());
  for (std::uint32_t i : t.text_order) {
    table::record_buffer b;
    b.record = to_core(t.records[i]);
    b.bucket = table::name_hash(b.record.CofName);
    a.buffers.push_back(b);
  }
  for (auto& b : a.buffers) a.pointers.push_back(&b);
  return a;
}

std::string expected_text(const tg::generated_table& t) {
  std::string bytes;
  tg::write_expected_text(t, [&](const char* data, std::size_t size) {
    bytes.append(data, size);
    return true;
  });
  return bytes;
}

// Time per item: the item count per iteration, as a rate, inverted.
benchmark::Counter per_item(std::size_t items) {
  return benchmark::Counter(
      static_cast<double>(items),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

std::int64_t total(const benchmark::State& state, std::size_t per_iteration) {
  return static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(per_iteration);
}

void bm_format_record_line(benchmark::State& state, tg::table_kind kind) {
  const auto& t = generated(kind, cycle_records);
  const auto records = records_in(t, t.binary_order);
  char line[table::max_line_size + 4];
  std::size_t i = 0;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    char* end = table::format_record_line(line, records[i]);
    benchmark::DoNotOptimize(end);
    benchmark::ClobberMemory();
    bytes += end - line;
    i = (i + 1) % records.size();
  }
  state.SetBytesProcessed(bytes);
  state.SetItemsProcessed(state.iterations());
}

void bm_read_text_table(benchmark::State& state, tg::table_kind kind, std::size_t count) {
  const std::string text = expected_text(generated(kind, count));
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  for (auto _ : state) {
    table::byte_source in(data, text.size());
    table::text_table_shape shape;
    const std::int32_t read = table::read_text_table_from(in, shape);
    if (read != static_cast<std::int32_t>(count)) {
      state.SkipWithError("the text reader did not read every record");
    }
    benchmark::DoNotOptimize(table::animdata_records);
    table::release_record_buffers();
    table::free_animdata_records();
  }
  state.SetBytesProcessed(total(state, text.size()));
  state.SetItemsProcessed(total(state, count));
  state.counters["per_line"] = per_item(count);
}

void bm_name_hash(benchmark::State& state) {
  const auto& t = generated(tg::table_kind::sparse, cycle_records);
  const auto records = records_in(t, t.binary_order);
  std::size_t i = 0;
  for (auto _ : state) {
    unsigned char h = table::name_hash(records[i].CofName);
    benchmark::DoNotOptimize(h);
    i = (i + 1) % records.size();
  }
  state.SetItemsProcessed(state.iterations());
}

// `equal`: the pairs of the dups table, whose names are equal but for the
// letter case of every other pair, so every comparison runs to the end of
// the names. Otherwise neighbours in generation order of the sparse table.
void bm_compare_names(benchmark::State& state, bool equal) {
  const tg::table_kind kind = equal ? tg::table_kind::dups : tg::table_kind::sparse;
  const auto& t = generated(kind, cycle_records);
  std::vector<std::uint32_t> order(t.records.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto records = records_in(t, order);
  std::size_t i = 0;
  for (auto _ : state) {
    int c = table::compare_names(records[i], records[i + 1]);
    benchmark::DoNotOptimize(c);
    i = (i + 2) % records.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void bm_hash_list_add(benchmark::State& state, std::size_t count) {
  const auto& t = generated(tg::table_kind::sparse, count);
  const auto records = records_in(t, t.binary_order);
  std::vector<std::int32_t> buckets;
  for (const auto& r : records) buckets.push_back(table::name_hash(r.CofName));
  for (auto _ : state) {
    for (std::size_t i = 0; i < records.size(); ++i)
      convert::hash_list_add(buckets[i], &records[i]);
    benchmark::ClobberMemory();
    state.PauseTiming();
    convert::hash_list_free();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(total(state, count));
  state.counters["per_record"] = per_item(count);
}

void bm_build_sorted_name(benchmark::State& state, tg::table_kind kind, std::size_t count) {
  const auto& t = generated(kind, count);
  // The loaded binary table: records in file order, each added to its bucket.
  const auto records = records_in(t, t.binary_order);
  convert::hash_list_clear();
  for (const auto& r : records) convert::hash_list_add(table::name_hash(r.CofName), &r);
  for (auto _ : state) {
    const std::int32_t n = convert::build_sorted_name();
    if (n != static_cast<std::int32_t>(count)) state.SkipWithError("the index lost records");
    benchmark::DoNotOptimize(convert::animdata_sorted_name);
    convert::free_sorted_name();
  }
  convert::hash_list_free();
  state.SetItemsProcessed(total(state, count));
  state.counters["per_record"] = per_item(count);
}

void bm_write_binary_table(benchmark::State& state, std::size_t count) {
  auto a = buffers_in_text_order(generated(tg::table_kind::sparse, count));
  std::FILE* null_file = std::fopen("/dev/null", "wb");
  if (null_file == nullptr) {
    state.SkipWithError("can't open /dev/null");
    return;
  }
  platform::out_stream out(null_file, platform::line_ends::binary);
  for (auto _ : state) {
    table::write_binary_table(out, a.pointers.data(), static_cast<std::int32_t>(count));
    if (!out.flush()) state.SkipWithError("write to /dev/null failed");
  }
  if (!out.close()) state.SkipWithError("close of /dev/null failed");
  const std::size_t file_size = table::bucket_count * 4 + count * table::record_size;
  state.SetBytesProcessed(total(state, file_size));
  state.SetItemsProcessed(total(state, count));
  state.counters["per_record"] = per_item(count);
}

void bm_report_duplicates(benchmark::State& state, std::size_t count) {
  // Every name of the dups table stands on two neighbouring lines: one
  // warning per two records, the most a table can produce.
  auto a = buffers_in_text_order(generated(tg::table_kind::dups, count));
  for (auto _ : state) {
    convert::report_duplicates(a.pointers.data(), static_cast<std::int32_t>(count));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(total(state, count));
  state.counters["per_record"] = per_item(count);
}

// Takes "--records=N[,N...]" out of argv. False on a malformed list.
bool take_sizes(int& argc, char** argv, std::vector<std::size_t>& sizes) {
  constexpr std::string_view option = "--records=";
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.substr(0, option.size()) != option) {
      argv[kept++] = argv[i];
      continue;
    }
    sizes.clear();
    std::string list(arg.substr(option.size()));
    const char* p = list.c_str();
    while (*p != '\0') {
      char* end = nullptr;
      const unsigned long long n = std::strtoull(p, &end, 10);
      if (end == p || n == 0 || n > 100'000'000) return false;
      sizes.push_back(static_cast<std::size_t>(n));
      p = end;
      if (*p == ',')
        ++p;
      else if (*p != '\0')
        return false;
    }
    if (sizes.empty()) return false;
  }
  argc = kept;
  argv[argc] = nullptr;
  return true;
}

// "base/size", built by appending: GCC 12 warns falsely about the
// literal-plus-string operator under -O3.
std::string sized_name(std::string_view base, std::size_t n) {
  std::string name(base);
  name += '/';
  name += std::to_string(n);
  return name;
}

void register_all(const std::vector<std::size_t>& sizes) {
  using tg::table_kind;
  benchmark::RegisterBenchmark("format_record_line/sparse", bm_format_record_line,
                               table_kind::sparse);
  benchmark::RegisterBenchmark("format_record_line/dense", bm_format_record_line,
                               table_kind::dense);
  benchmark::RegisterBenchmark("name_hash", bm_name_hash);
  benchmark::RegisterBenchmark("compare_names/differing", bm_compare_names, false);
  benchmark::RegisterBenchmark("compare_names/equal_but_case", bm_compare_names, true);

  for (std::size_t n : sizes) {
    const auto add = [n](std::string_view base, auto function, auto... args) {
      benchmark::RegisterBenchmark(sized_name(base, n).c_str(), function, args..., n)
          ->Unit(benchmark::kMicrosecond);
    };
    add("read_text_table/sparse", bm_read_text_table, table_kind::sparse);
    add("read_text_table/dense", bm_read_text_table, table_kind::dense);
    add("hash_list_add/sparse", bm_hash_list_add);
    add("build_sorted_name/sparse", bm_build_sorted_name, table_kind::sparse);
    add("build_sorted_name/dups", bm_build_sorted_name, table_kind::dups);
    add("write_binary_table/sparse", bm_write_binary_table);
    add("report_duplicates/dups", bm_report_duplicates);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::size_t> sizes = {1000, 100000};
  if (!take_sizes(argc, argv, sizes)) {
    std::fprintf(stderr, "quorvex_microbench: --records takes a list like 1000,100000\n");
    return 2;
  }
  // The duplicate warnings are printed, as in the tool, onto a console that
  // leads to /dev/null rather than the terminal of the benchmark.
  std::FILE* null_console = std::fopen("/dev/null", "wb");
  if (null_console == nullptr) {
    std::fprintf(stderr, "quorvex_microbench: can't open /dev/null\n");
    return 1;
  }
  platform::standard_output().attach(null_console, platform::line_ends::text);

  register_all(sizes);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  platform::standard_output().close();
  return 0;
}
