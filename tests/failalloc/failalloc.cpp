// A test-only library, loaded into the unchanged tool with LD_PRELOAD, that
// makes chosen memory requests fail, so that every out-of-memory path of the
// shipped executable can be reached on purpose:
//   QUORVEX_FAIL_ALLOC_AT_LEAST=N  fail every request of N bytes or more
//   QUORVEX_FAIL_ALLOC_EXACT=N     fail every request of exactly N bytes
//   QUORVEX_FAIL_ALLOC_FROM=N      fail the N-th request (counting from 1)
//                                  and every later one, as when memory runs out
//   QUORVEX_FAIL_ALLOC_MARK=PATH   create PATH when a request is first refused
// Requests are malloc, calloc and realloc (operator new goes through malloc).
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
}

namespace {

std::size_t at_least = SIZE_MAX;
std::size_t exact = 0;
bool exact_set = false;
std::size_t from = SIZE_MAX;
std::size_t requests = 0;
const char* mark = nullptr;
bool marked = false;

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
  const std::size_t nth = number_from("QUORVEX_FAIL_ALLOC_FROM", set);
  if (set) from = nth;
  mark = std::getenv("QUORVEX_FAIL_ALLOC_MARK");
}

bool refused(std::size_t size) {
  ++requests;
  const bool refuse = size >= at_least || (exact_set && size == exact) || requests >= from;
  if (refuse && !marked && mark != nullptr) {
    marked = true;
    const int fd = ::open(mark, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) ::close(fd);
  }
  return refuse;
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
