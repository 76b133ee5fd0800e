#include "platform/console.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "platform/platform.h"

namespace quorvex::platform {

namespace {

// Standard output carries short messages only; a small buffer is plenty.
constexpr std::size_t console_capacity = 16 * 1024;

// Built in static storage and never destroyed: it must outlive every exit
// handler that prints, and must not depend on an allocation.
out_stream& console() {
  alignas(out_stream) static unsigned char storage[sizeof(out_stream)];
  static out_stream* const stream = new (storage) out_stream;
  return *stream;
}

void flush_at_exit() {
  console().flush();
}

}  // namespace

void start_console() {
  set_binary_standard_output();
  console().attach(stdout, line_ends::text, console_capacity);
  std::atexit(flush_at_exit);
}

out_stream& standard_output() {
  return console();
}

void vprint(const char* format, std::va_list args) {
  char small[512];
  std::va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (needed < 0) return;
  const auto size = static_cast<std::size_t>(needed);
  if (size < sizeof small) {
    console().write(small, size);
    return;
  }
  std::unique_ptr<char[]> large(new (std::nothrow) char[size + 1]);
  if (!large) {
    console().write(small, sizeof small - 1);
    return;
  }
  std::vsnprintf(large.get(), size + 1, format, args);
  console().write(large.get(), size);
}

void print(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  vprint(format, args);
  va_end(args);
}

void flush_standard_output() {
  console().flush();
}

void redirect_standard_output(const char* name) {
  console().detach();
  const bool opened = reopen_standard_output(name);
  set_binary_standard_output();
  console().attach(opened ? stdout : nullptr, line_ends::text, console_capacity);
}

}  // namespace quorvex::platform
