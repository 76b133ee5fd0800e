// Many small objects carved out of a few large chunks: one allocation per
// chunk instead of one per object, no allocator overhead per object, and
// objects made one after another lying next to each other.
//
// Chunks grow from a small first one to a largest size, so a small table
// costs little memory; when a chunk cannot be had, smaller ones are tried,
// down to a single object, so an allocation fails only when even one object
// cannot be had. Objects are never freed one by one; release_all() frees
// every chunk.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#include "platform/platform.h"

namespace quorvex::table {

template <typename T>
class chunk_pool {
  struct chunk {
    chunk* next;
    std::size_t capacity;
    std::size_t used;
    T* items() { return reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(this) + header); }
  };
  static constexpr std::size_t header = (sizeof(chunk) + alignof(T) - 1) / alignof(T) * alignof(T);

 public:
  // A place in the sequence of objects made: the next object made goes there.
  struct position {
    chunk* in = nullptr;
    std::size_t index = 0;
  };

  explicit chunk_pool(std::size_t largest_chunk) : largest_(largest_chunk) {}
  chunk_pool(const chunk_pool&) = delete;
  chunk_pool& operator=(const chunk_pool&) = delete;
  ~chunk_pool() { release_all(); }

  // Room for one object, uninitialised; null if none can be had.
  T* allocate() {
    if (last_ == nullptr || last_->used == last_->capacity) {
      if (!add_chunk()) return nullptr;
    }
    return &last_->items()[last_->used++];
  }

  position end() const { return last_ ? position{last_, last_->used} : position{}; }

  // Calls fn(T*) for every object made from `from` on, in the order made.
  template <typename Fn>
  void for_each_from(position from, Fn fn) const {
    chunk* c = from.in != nullptr ? from.in : first_;
    std::size_t i = from.in != nullptr ? from.index : 0;
    for (; c != nullptr; c = c->next, i = 0) {
      for (; i < c->used; ++i) fn(&c->items()[i]);
    }
  }

  void release_all() {
    while (first_ != nullptr) {
      chunk* next = first_->next;
      std::free(first_);
      first_ = next;
    }
    last_ = nullptr;
    next_capacity_ = first_capacity;
  }

 private:
  static constexpr std::size_t first_capacity = 64;

  bool add_chunk() {
    std::size_t capacity = next_capacity_ < largest_ ? next_capacity_ : largest_;
    for (;; capacity /= 2) {
      const std::size_t bytes = header + capacity * sizeof(T);
      if (auto* c = static_cast<chunk*>(std::malloc(bytes))) {
        platform::advise_large_block(c, bytes);
        c->next = nullptr;
        c->capacity = capacity;
        c->used = 0;
        (last_ != nullptr ? last_->next : first_) = c;
        last_ = c;
        next_capacity_ = capacity * 2;
        return true;
      }
      if (capacity == 1) return false;
    }
  }

  std::size_t largest_;
  std::size_t next_capacity_ = first_capacity;
  chunk* first_ = nullptr;
  chunk* last_ = nullptr;
};

}  // namespace quorvex::table
