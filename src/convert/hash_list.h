// The hash list: 256 bucket lists of the records of a loaded binary table,
// mirroring its 256 bucket blocks, and the sorted name index built from it.
//
// Records are never copied: a node refers to its record where it lies in the
// loaded file, and the index refers to the nodes. Nodes are carved out of
// large chunks rather than allocated one by one, which keeps them close
// together and costs no allocator overhead per record; each is still a node
// of its own, put at the front of its bucket's list.
#pragma once

#include <cstdint>

#include "table/record.h"

namespace quorvex::convert {

struct hash_node {
  const table::animdata_record* record;
  hash_node* next;
};

// Heads of the 256 bucket lists; each list holds its records in the reverse
// order of their addition.
extern hash_node* hash_list[table::bucket_count];

// The sorted name index: one entry per node, in name order; entries whose
// names compare equal stand in the order of their records in memory, which
// for a loaded file is file order. Null until build_sorted_name has run, and
// when its allocation failed.
extern hash_node** animdata_sorted_name;

// Empties all 256 heads; releases nothing.
void hash_list_clear();

// Puts `record` at the front of bucket `bucket`'s list. A bucket outside
// 0..255 is ignored. If no node can be had, prints
// "can't allocate %i bytes for adding record '%.7s' to the hash list # %i\n"
// and leaves the lists as they were.
void hash_list_add(std::int32_t bucket, const table::animdata_record* record);

// Fills animdata_sorted_name with every node of the lists, sorted by
// compare_names, and returns the entry count; 0 (after printing
// "can't allocate %li bytes for animdata_sorted_name\n") if the index cannot
// be allocated.
std::int32_t build_sorted_name();

// Releases every node (never the records) and empties the heads.
void hash_list_free();

// Releases animdata_sorted_name if it was made.
void free_sorted_name();

}  // namespace quorvex::convert
