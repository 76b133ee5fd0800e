#include "tablegen/table_gen.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

namespace quorvex::tablegen {
namespace {

// splitmix64 spreads the seed over the state of xoshiro256**; both are the
// published algorithms, in plain 64-bit unsigned arithmetic.
std::uint64_t splitmix64(std::uint64_t& x) {
  x += 0x9e3779b97f4a7c15u;
  std::uint64_t z = x;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
  return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) {
  return (x << k) | (x >> (64 - k));
}

class random_source {
 public:
  explicit random_source(std::uint64_t seed) {
    for (auto& word : state_) word = splitmix64(seed);
  }

  std::uint64_t next() {
    const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotl(state_[3], 45);
    return result;
  }

  // 0 .. n-1 for 1 <= n <= 2^32, from the top 32 bits by multiplication.
  std::uint32_t below(std::uint64_t n) {
    return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32);
  }

  std::int32_t between(std::int32_t low, std::int32_t high) {
    return low + static_cast<std::int32_t>(below(static_cast<std::uint64_t>(high - low) + 1));
  }

  std::int32_t any_int32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(next())); }

 private:
  std::uint64_t state_[4];
};

constexpr char name_alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::uint32_t name_alphabet_size = sizeof name_alphabet - 1;

void store_le32(unsigned char* p, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

std::int32_t load_le32(const unsigned char* p) {
  const std::uint32_t v = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                          std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  return static_cast<std::int32_t>(v);
}

bool is_letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char with_case(char c, bool upper) {
  if (c >= 'a' && c <= 'z' && upper) return static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z' && !upper) return static_cast<char>(c - 'A' + 'a');
  return c;
}

std::string random_name(random_source& rng, bool letter_first) {
  std::string name(rng.between(2, 7), ' ');
  for (std::size_t i = 0; i < name.size(); ++i) {
    const std::uint32_t range = (i == 0 && letter_first) ? 52 : name_alphabet_size;
    name[i] = name_alphabet[rng.below(range)];
  }
  return name;
}

// Draws the case of every letter anew.
std::string recased(random_source& rng, std::string name) {
  for (char& c : name) c = with_case(c, rng.below(2) == 0);
  return name;
}

// Swaps the case of every letter, so the result differs from the name in
// letter case whenever it holds a letter.
std::string case_swapped(std::string name) {
  for (char& c : name) {
    if (is_letter(c)) c = with_case(c, c >= 'a');
  }
  return name;
}

std::array<unsigned char, frame_count> sparse_frames(random_source& rng) {
  std::array<unsigned char, frame_count> frames{};
  for (auto& f : frames) {
    f = rng.below(24) == 0 ? static_cast<unsigned char>(1 + rng.below(4)) : 0;
  }
  return frames;
}

record sparse_record(random_source& rng, std::string_view name) {
  const std::int32_t fpd = rng.between(1, 64);
  const std::int32_t speed = rng.between(64, 512);
  return make_record(name, fpd, speed, sparse_frames(rng));
}

record dense_record(random_source& rng, std::string_view name) {
  const std::int32_t fpd = rng.any_int32();
  const std::int32_t speed = rng.any_int32();
  std::array<unsigned char, frame_count> frames{};
  for (std::size_t i = 0; i < frame_count; i += 8) {
    std::uint64_t bits = rng.next();
    for (std::size_t j = i; j < i + 8 && j < frame_count; ++j, bits >>= 8) {
      frames[j] = static_cast<unsigned char>(bits & 0xFF);
    }
  }
  return make_record(name, fpd, speed, frames);
}

// sparse and dense: random names, about one in 50 repeating an earlier one.
std::vector<record> random_table(random_source& rng, std::size_t count, bool dense) {
  std::vector<record> records;
  records.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::string name;
    if (i > 0 && rng.below(50) == 0) {
      name = name_of(records[rng.below(i)]);
      if (rng.below(2) == 0) name = recased(rng, name);
    } else {
      name = random_name(rng, false);
    }
    records.push_back(dense ? dense_record(rng, name) : sparse_record(rng, name));
  }
  return records;
}

std::vector<record> dups_table(random_source& rng, std::size_t count) {
  std::vector<record> records;
  records.reserve(count);
  std::string name;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t pair = i / 2;
    if (i % 2 == 0) {
      name = random_name(rng, true);
    } else if (pair % 2 == 1) {
      name = case_swapped(name);
    }
    records.push_back(sparse_record(rng, name));
  }
  return records;
}

struct name_part {
  const char* text;
  std::int32_t min_frames;
  std::int32_t max_frames;
  unsigned char event;  // the FrameData value marking the action frame, 0 for none
};

constexpr const char* sample_prefixes[] = {"",   "",   "",   "AM", "BA", "CR", "FE",
                                           "GH", "OG", "SK", "ZM", "WR", "DV"};
constexpr name_part sample_modes[] = {
    {"NU", 6, 16, 0},  {"NU3", 6, 16, 0}, {"WL", 8, 12, 0},  {"WLK", 8, 12, 0}, {"RN", 6, 10, 0},
    {"TN", 8, 16, 0},  {"GH", 4, 8, 0},   {"BL", 4, 8, 0},   {"DT", 16, 24, 0}, {"A1", 12, 20, 1},
    {"A2", 14, 22, 1}, {"KK", 10, 14, 1}, {"SC", 12, 20, 2}, {"S1", 12, 18, 3}, {"TH", 12, 16, 4},
};
constexpr const char* sample_weapons[] = {"",    "HTH", "HTH", "BOW", "1HS", "2HS",
                                          "1HT", "STF", "XBW", "SHD", "2HT", "HT1"};
constexpr std::int32_t sample_speeds[] = {256, 256, 256, 256, 128, 192, 320, 384, 512};

template <typename T, std::size_t n>
const T& pick(random_source& rng, const T (&items)[n]) {
  return items[rng.below(n)];
}

std::string folded(std::string name) {
  for (char& c : name) c = with_case(c, false);
  return name;
}

std::vector<record> sample_table(random_source& rng, std::size_t count) {
  std::vector<record> records;
  records.reserve(count);
  std::set<std::string> used;
  for (std::size_t i = 0; i < count; ++i) {
    // A fresh name when one is found within 64 draws; a repeat once the
    // combinations run out.
    std::string name;
    const name_part* mode = nullptr;
    for (int tries = 0;; ++tries) {
      const char* prefix = pick(rng, sample_prefixes);
      mode = &pick(rng, sample_modes);
      const char* weapon = pick(rng, sample_weapons);
      name = std::string(prefix) + mode->text + weapon;
      if (name.size() > 7) continue;
      if (used.insert(folded(name)).second || tries >= 64) break;
    }
    const std::int32_t fpd = rng.between(mode->min_frames, mode->max_frames);
    const std::int32_t speed = pick(rng, sample_speeds);
    std::array<unsigned char, frame_count> frames{};
    if (mode->event != 0) frames[rng.between(fpd / 3, fpd * 2 / 3)] = mode->event;
    records.push_back(make_record(name, fpd, speed, frames));
  }
  return records;
}

// Stable grouping of `order` by bucket, bucket 0 first.
std::vector<std::uint32_t> grouped_by_bucket(const std::vector<record>& records,
                                             const std::vector<std::uint32_t>& order) {
  std::vector<std::vector<std::uint32_t>> buckets(bucket_count);
  for (std::uint32_t index : order) buckets[name_hash(records[index])].push_back(index);
  std::vector<std::uint32_t> grouped;
  grouped.reserve(order.size());
  for (const auto& bucket : buckets) grouped.insert(grouped.end(), bucket.begin(), bucket.end());
  return grouped;
}

// Collects output into large pieces before handing them to the sink.
class buffered_writer {
 public:
  explicit buffered_writer(const sink& out) : out_(out) { buffer_.reserve(capacity); }

  bool ok() const { return ok_; }

  void put(const char* data, std::size_t size) {
    buffer_.append(data, size);
    if (buffer_.size() >= capacity) flush();
  }

  bool flush() {
    if (ok_ && !buffer_.empty()) ok_ = out_(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok_;
  }

 private:
  static constexpr std::size_t capacity = std::size_t{1} << 20;
  const sink& out_;
  std::string buffer_;
  bool ok_ = true;
};

void put_le32(buffered_writer& w, std::int32_t value) {
  unsigned char bytes[4];
  store_le32(bytes, value);
  w.put(reinterpret_cast<const char*>(bytes), 4);
}

// The 256 bucket blocks of the records of `order`, which lists them grouped
// by bucket, bucket 0 first.
bool write_blocks(const std::vector<record>& records, const std::vector<std::uint32_t>& order,
                  const sink& out) {
  std::array<std::int32_t, bucket_count> counts{};
  for (std::uint32_t index : order) ++counts[name_hash(records[index])];
  buffered_writer w(out);
  std::size_t next = 0;
  for (int b = 0; b < bucket_count && w.ok(); ++b) {
    put_le32(w, counts[b]);
    for (std::int32_t k = 0; k < counts[b]; ++k, ++next) {
      w.put(reinterpret_cast<const char*>(records[order[next]].bytes.data()), record_size);
    }
  }
  return w.flush();
}

}  // namespace

std::optional<table_kind> parse_kind(std::string_view text) {
  for (table_kind kind :
       {table_kind::sparse, table_kind::dense, table_kind::dups, table_kind::sample}) {
    if (text == kind_name(kind)) return kind;
  }
  return std::nullopt;
}

const char* kind_name(table_kind kind) {
  switch (kind) {
    case table_kind::sparse:
      return "sparse";
    case table_kind::dense:
      return "dense";
    case table_kind::dups:
      return "dups";
    case table_kind::sample:
      return "sample";
  }
  return "";
}

record make_record(std::string_view name, std::int32_t frames_per_direction,
                   std::int32_t animation_speed,
                   const std::array<unsigned char, frame_count>& frame_data) {
  record r;
  std::memcpy(r.bytes.data(), name.data(), std::min(name.size(), name_field_size - 1));
  store_le32(r.bytes.data() + 8, frames_per_direction);
  store_le32(r.bytes.data() + 12, animation_speed);
  std::memcpy(r.bytes.data() + frame_offset, frame_data.data(), frame_count);
  return r;
}

std::int32_t frames_per_direction(const record& r) {
  return load_le32(r.bytes.data() + 8);
}
std::int32_t animation_speed(const record& r) {
  return load_le32(r.bytes.data() + 12);
}

std::string name_of(const record& r) {
  std::string name;
  for (std::size_t i = 0; i < 7 && r.bytes[i] != 0; ++i) name += static_cast<char>(r.bytes[i]);
  return name;
}

int name_hash(const record& r) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < 7; ++i) {
    unsigned c = r.bytes[i];
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    sum += c;
  }
  return static_cast<int>(sum % 256);
}

int compare_names(const record& a, const record& b) {
  for (std::size_t i = 0; i < name_field_size; ++i) {
    unsigned x = a.bytes[i];
    unsigned y = b.bytes[i];
    if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
    if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
  return 0;
}

generated_table from_records(std::vector<record> records) {
  generated_table table;
  table.records = std::move(records);
  std::vector<std::uint32_t> generation(table.records.size());
  for (std::size_t i = 0; i < generation.size(); ++i) {
    generation[i] = static_cast<std::uint32_t>(i);
  }
  table.binary_order = grouped_by_bucket(table.records, generation);
  table.text_order = table.binary_order;
  std::stable_sort(table.text_order.begin(), table.text_order.end(),
                   [&](std::uint32_t a, std::uint32_t b) {
                     return compare_names(table.records[a], table.records[b]) < 0;
                   });
  table.rewritten_order = grouped_by_bucket(table.records, table.text_order);
  return table;
}

generated_table generate(table_kind kind, std::size_t count, std::uint64_t seed) {
  random_source rng(seed);
  switch (kind) {
    case table_kind::sparse:
      return from_records(random_table(rng, count, false));
    case table_kind::dense:
      return from_records(random_table(rng, count, true));
    case table_kind::dups:
      return from_records(dups_table(rng, count));
    case table_kind::sample:
      return from_records(sample_table(rng, count));
  }
  return {};
}

bool write_binary_table(const generated_table& table, const sink& out) {
  return write_blocks(table.records, table.binary_order, out);
}

bool write_expected_binary(const generated_table& table, const sink& out) {
  return write_blocks(table.records, table.rewritten_order, out);
}

bool write_expected_text(const generated_table& table, const sink& out) {
  buffered_writer w(out);
  char field[64];

  w.put("CofName\tFramesPerDirection\tAnimationSpeed\tFrameData000", 54);
  for (int n = 1; n < static_cast<int>(frame_count); ++n) {
    const int len = std::snprintf(field, sizeof field, "\tFrameData%03i", n);
    w.put(field, static_cast<std::size_t>(len));
  }
  w.put("\r\n", 2);

  // "\t%i" of every byte value, made once.
  std::array<std::string, 256> frame_text;
  for (int v = 0; v < 256; ++v) {
    const int len = std::snprintf(field, sizeof field, "\t%i", v);
    frame_text[v].assign(field, static_cast<std::size_t>(len));
  }

  for (std::uint32_t index : table.text_order) {
    if (!w.ok()) break;
    const record& r = table.records[index];
    const int len = std::snprintf(
        field, sizeof field, "%.7s\t%li\t%li", reinterpret_cast<const char*>(r.bytes.data()),
        static_cast<long>(frames_per_direction(r)), static_cast<long>(animation_speed(r)));
    w.put(field, static_cast<std::size_t>(len));
    for (std::size_t j = 0; j < frame_count; ++j) {
      const std::string& text = frame_text[r.bytes[frame_offset + j]];
      w.put(text.data(), text.size());
    }
    w.put("\r\n", 2);
  }
  return w.flush();
}

std::vector<std::string> expected_duplicate_names(const generated_table& table) {
  std::vector<std::string> names;
  const auto& order = table.text_order;
  for (std::size_t k = 1; k < order.size(); ++k) {
    const record& previous = table.records[order[k - 1]];
    if (compare_names(previous, table.records[order[k]]) != 0) continue;
    // Only the first pair of a run of equal names is warned about.
    if (k >= 2 && compare_names(table.records[order[k - 2]], previous) == 0) continue;
    names.push_back(name_of(previous));
  }
  return names;
}

sink file_sink(std::FILE* file) {
  return [file](const char* data, std::size_t size) {
    return std::fwrite(data, 1, size, file) == size;
  };
}

}  // namespace quorvex::tablegen
