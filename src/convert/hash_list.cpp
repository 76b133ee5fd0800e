#include "convert/hash_list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "platform/console.h"
#include "platform/platform.h"
#include "table/chunk_pool.h"

namespace quorvex::convert {

hash_node* hash_list[table::bucket_count];
hash_node** animdata_sorted_name = nullptr;

namespace {

// Up to 2 MiB of nodes per chunk: a whole large page where the system has
// them.
table::chunk_pool<hash_node> nodes((std::size_t{2} << 20) / sizeof(hash_node));

// Where the nodes added since the last hash_list_clear begin: those, and only
// those, are in the lists.
table::chunk_pool<hash_node>::position live;

struct sort_entry {
  std::uint64_t key;
  hash_node* node;
};
static_assert(sizeof(sort_entry) >= 2 * sizeof(hash_node*));

}  // namespace

void hash_list_clear() {
  for (auto& head : hash_list) head = nullptr;
  // Nodes added before now are in no list any more.
  live = nodes.end();
}

void hash_list_add(std::int32_t bucket, const table::animdata_record* record) {
  if (bucket < 0 || bucket >= table::bucket_count) return;
  hash_node* node = nodes.allocate();
  if (node == nullptr) {
    platform::print("can't allocate %i bytes for adding record '%.7s' to the hash list # %i\n",
                    static_cast<int>(sizeof(hash_node)), record->CofName, static_cast<int>(bucket));
    return;
  }
  node->record = record;
  node->next = hash_list[bucket];
  hash_list[bucket] = node;
}

std::int32_t build_sorted_name() {
  std::size_t count = 0;
  nodes.for_each_from(live, [&](hash_node*) { ++count; });

  // The nodes are sorted as (name key, record address) pairs, which order
  // exactly like compare_names with file order among equal names, without
  // following a pointer per comparison. The pairs' memory then becomes the
  // index itself, so the index costs no second allocation.
  // An empty index needs no memory, and asking for none is no failure.
  if (count == 0) return 0;
  auto* entries = static_cast<sort_entry*>(std::malloc(count * sizeof(sort_entry)));
  if (entries != nullptr) platform::advise_large_block(entries, count * sizeof(sort_entry));
  if (entries == nullptr) {
    platform::print("can't allocate %lli bytes for animdata_sorted_name\n",
                    static_cast<long long>(count * sizeof(hash_node*)));
    return 0;
  }
  std::size_t n = 0;
  nodes.for_each_from(live, [&](hash_node* node) {
    entries[n++] = {table::name_key(*node->record), node};
  });
  std::sort(entries, entries + count, [](const sort_entry& a, const sort_entry& b) {
    if (a.key != b.key) return a.key < b.key;
    return std::less<const table::animdata_record*>()(a.node->record, b.node->record);
  });

  // Entry i (16 bytes at 16 i) is read before pointer i (8 bytes at 8 i)
  // is written, and pointer i only overwrites entries already read.
  auto* bytes = reinterpret_cast<unsigned char*>(entries);
  for (std::size_t i = 0; i < count; ++i) {
    hash_node* node = entries[i].node;
    std::memcpy(bytes + i * sizeof(hash_node*), &node, sizeof node);
  }
  void* index = entries;
  if (void* shrunk = std::realloc(entries, count * sizeof(hash_node*))) index = shrunk;
  animdata_sorted_name = static_cast<hash_node**>(index);
  return static_cast<std::int32_t>(count);
}

void hash_list_free() {
  nodes.release_all();
  live = {};
  for (auto& head : hash_list) head = nullptr;
}

void free_sorted_name() {
  std::free(animdata_sorted_name);
  animdata_sorted_name = nullptr;
}

}  // namespace quorvex::convert
