// One checked, buffered writer for every output of the tool: standard
// output, "error.txt", "AnimData.txt" and "AnimData.qz".
//
// The file underneath is always in binary mode; a text-mode stream turns each
// LF it is given into CR LF here, in exactly one place, on every platform.
// The first failed write is remembered and later writes are dropped, so that
// close() can tell whether every byte reached the file.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

namespace quorvex::platform {

enum class line_ends { binary, text };

class out_stream {
 public:
  static constexpr std::size_t default_capacity = std::size_t{1} << 20;

  out_stream() = default;
  out_stream(std::FILE* file, line_ends mode, std::size_t capacity = default_capacity);
  out_stream(const out_stream&) = delete;
  out_stream& operator=(const out_stream&) = delete;
  ~out_stream();

  // Takes a file to write to; the stream owns it and closes it in close().
  // A null file gives a stream that drops everything and reports failure.
  void attach(std::FILE* file, line_ends mode, std::size_t capacity = default_capacity);
  // Flushes and lets go of the file without closing it.
  std::FILE* detach();
  bool is_open() const { return file_ != nullptr; }

  // Writes bytes; in text mode every LF becomes CR LF.
  void write(const char* data, std::size_t size);
  void write(const char* text);

  // Writes bytes unchanged, whatever the mode. The caller guarantees that
  // no LF needs translating (or writes the CR itself).
  void write_raw(const void* data, std::size_t size);

  // Direct access for hot paths: room for at least `size` bytes at the
  // returned pointer; commit() then takes what was written up to `end`.
  // Bytes go in untranslated. `size` must not exceed the capacity.
  char* reserve(std::size_t size) {
    if (capacity_ - used_ < size) drain();
    return buffer_ + used_;
  }
  void commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_); }

  // Hands the buffered bytes to the file and flushes it. False if any write
  // so far has failed.
  bool flush();
  // Flushes and closes the file. False if any write, the flush or the close
  // failed. The stream is empty and closed afterwards.
  bool close();
  bool failed() const { return failed_; }

 private:
  void drain();

  std::FILE* file_ = nullptr;
  line_ends mode_ = line_ends::binary;
  std::unique_ptr<char[]> owned_;
  // Used when no large buffer can be had, so that writing never depends on
  // an allocation.
  char fallback_[4096];
  char* buffer_ = fallback_;
  std::size_t capacity_ = sizeof fallback_;
  std::size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace quorvex::platform
