// A test-only library, loaded into the unchanged tool with LD_PRELOAD, that
// makes chosen memory requests fail, so that every out-of-memory path of the
// shipped executable can be reached on purpose:
//   QUORVEX_FAIL_ALLOC_AT_LEAST=N  fail every request of N bytes or more
//   QUORVEX_FAIL_ALLOC_EXACT=N     fail every request of exactly N bytes
// Requests are malloc, calloc and realloc (operator new goes through malloc).
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
}

namespace {

std::size_t at_least = SIZE_MAX;
std::size_t exact = 0;
bool exact_set = false;

std::size_t number_from(const char* name, bool& set) {
  const char* text = std::getenv(name);
  set = text != nullptr && *text != '\0';
  return set ? static_cast<std::size_t>(std::strtoull(text, nullptr, 10)) : 0;
}

__attribute__((constructor)) void read_settings() {
  bool set = false;
  const std::size_t n = number_from("QUORVEX_FAIL_ALLOC_AT_LEAST", set);
  if (set) at_least = n;
  exact = number_from("QUORVEX_FAIL_ALLOC_EXACT", exact_set);
}

bool refused(std::size_t size) {
  return size >= at_least || (exact_set && size == exact);
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
  if (refused(size)) {
    errno = ENOMEM;
    return nullptr;
  }
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
  std::size_t total = 0;
  if (__builtin_mul_overflow(count, size, &total) || refused(total)) {
    errno = ENOMEM;
    return nullptr;
  }
  return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
  if (refused(size)) {
    errno = ENOMEM;
    return nullptr;
  }
  return __libc_realloc(block, size);
}

}  // extern "C"
