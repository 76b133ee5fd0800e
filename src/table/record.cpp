#include "table/record.h"

namespace quorvex::table {

unsigned char name_hash(const char* name7) {
  unsigned sum = 0;
  for (int i = 0; i < 7; ++i) {
    const auto c = static_cast<unsigned char>(name7[i]);
    sum += (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
  }
  return static_cast<unsigned char>(sum);
}

int compare_names(const animdata_record& a, const animdata_record& b) {
  for (std::size_t i = 0; i < name_size; ++i) {
    const auto ca = static_cast<unsigned char>(a.CofName[i]);
    const auto cb = static_cast<unsigned char>(b.CofName[i]);
    if (ca == cb) {
      if (ca == 0) return 0;
      continue;
    }
    const unsigned char fa = fold_lower(ca);
    const unsigned char fb = fold_lower(cb);
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  return 0;
}

std::uint64_t name_key(const animdata_record& r) {
  std::uint64_t key = 0;
  std::size_t i = 0;
  for (; i < name_size; ++i) {
    const auto c = static_cast<unsigned char>(r.CofName[i]);
    if (c == 0) break;
    key = key << 8 | fold_lower(c);
  }
  if (i == 0) return 0;
  return i == name_size ? key : key << (8 * (name_size - i));
}

std::size_t printed_name_length(const animdata_record& r) {
  std::size_t n = 0;
  while (n < 7 && r.CofName[n] != 0) ++n;
  return n;
}

}  // namespace quorvex::table
