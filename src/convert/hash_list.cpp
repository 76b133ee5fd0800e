#include "convert/hash_list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "platform/console.h"
#include "platform/platform.h"

namespace quorvex::convert {

hash_node* hash_list[table::bucket_count];
hash_node** animdata_sorted_name = nullptr;

namespace {

// 2 MiB of nodes per chunk: a whole large page where the system has them.
constexpr std::size_t chunk_nodes = (std::size_t{2} << 20) / sizeof(hash_node) - 1;

struct node_chunk {
  node_chunk* next;
  std::size_t used;
  hash_node nodes[chunk_nodes];
};

// Chunks in order of allocation; nodes within them in order of addition.
node_chunk* first_chunk = nullptr;
node_chunk* last_chunk = nullptr;

// Where the nodes added since the last hash_list_clear begin: those, and only
// those, are in the lists.
node_chunk* live_chunk = nullptr;
std::size_t live_index = 0;

hash_node* new_node() {
  if (last_chunk == nullptr || last_chunk->used == chunk_nodes) {
    auto* chunk = static_cast<node_chunk*>(std::malloc(sizeof(node_chunk)));
    if (chunk == nullptr) return nullptr;
    platform::advise_large_block(chunk, sizeof(node_chunk));
    chunk->next = nullptr;
    chunk->used = 0;
    if (last_chunk != nullptr) {
      last_chunk->next = chunk;
    } else {
      first_chunk = chunk;
    }
    last_chunk = chunk;
    if (live_chunk == nullptr) {
      live_chunk = chunk;
      live_index = 0;
    }
  }
  return &last_chunk->nodes[last_chunk->used++];
}

// Calls fn for each node in the lists, in order of addition.
template <typename Fn>
void for_each_live_node(Fn fn) {
  for (node_chunk* c = live_chunk; c != nullptr; c = c->next) {
    for (std::size_t i = c == live_chunk ? live_index : 0; i < c->used; ++i) fn(&c->nodes[i]);
  }
}

struct sort_entry {
  std::uint64_t key;
  hash_node* node;
};
static_assert(sizeof(sort_entry) >= 2 * sizeof(hash_node*));

}  // namespace

void hash_list_clear() {
  for (auto& head : hash_list) head = nullptr;
  // Nodes added before now are in no list any more.
  live_chunk = last_chunk;
  live_index = last_chunk != nullptr ? last_chunk->used : 0;
}

void hash_list_add(std::int32_t bucket, const table::animdata_record* record) {
  if (bucket < 0 || bucket >= table::bucket_count) return;
  hash_node* node = new_node();
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
  for_each_live_node([&](hash_node*) { ++count; });

  // The nodes are sorted as (name key, record address) pairs, which order
  // exactly like compare_names with file order among equal names, without
  // following a pointer per comparison. The pairs' memory then becomes the
  // index itself, so the index costs no second allocation.
  auto* entries = static_cast<sort_entry*>(std::malloc(count > 0 ? count * sizeof(sort_entry) : 1));
  if (entries != nullptr) platform::advise_large_block(entries, count * sizeof(sort_entry));
  if (entries == nullptr) {
    platform::print("can't allocate %lli bytes for animdata_sorted_name\n",
                    static_cast<long long>(count * sizeof(hash_node*)));
    return 0;
  }
  std::size_t n = 0;
  for_each_live_node([&](hash_node* node) {
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
  if (count > 0) {
    if (void* shrunk = std::realloc(entries, count * sizeof(hash_node*))) index = shrunk;
  }
  animdata_sorted_name = static_cast<hash_node**>(index);
  return static_cast<std::int32_t>(count);
}

void hash_list_free() {
  while (first_chunk != nullptr) {
    node_chunk* next = first_chunk->next;
    std::free(first_chunk);
    first_chunk = next;
  }
  last_chunk = nullptr;
  live_chunk = nullptr;
  live_index = 0;
  for (auto& head : hash_list) head = nullptr;
}

void free_sorted_name() {
  std::free(animdata_sorted_name);
  animdata_sorted_name = nullptr;
}

}  // namespace quorvex::convert
