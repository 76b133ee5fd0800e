#include "platform/out_stream.h"

#include <cstring>
#include <new>

namespace quorvex::platform {

out_stream::out_stream(std::FILE* file, line_ends mode, std::size_t capacity) {
  attach(file, mode, capacity);
}

out_stream::~out_stream() {
  close();
}

void out_stream::attach(std::FILE* file, line_ends mode, std::size_t capacity) {
  close();
  file_ = file;
  mode_ = mode;
  failed_ = file == nullptr;
  used_ = 0;
  if (capacity > sizeof fallback_ && capacity != capacity_) {
    owned_.reset(new (std::nothrow) char[capacity]);
    buffer_ = owned_ ? owned_.get() : fallback_;
    capacity_ = owned_ ? capacity : sizeof fallback_;
  }
}

std::FILE* out_stream::detach() {
  flush();
  std::FILE* file = file_;
  file_ = nullptr;
  return file;
}

void out_stream::drain() {
  if (used_ == 0) return;
  if (!failed_ && file_ != nullptr) {
    if (std::fwrite(buffer_, 1, used_, file_) != used_) failed_ = true;
  }
  used_ = 0;
}

void out_stream::write_raw(const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    if (used_ == capacity_) drain();
    std::size_t n = capacity_ - used_;
    if (n > size) n = size;
    std::memcpy(buffer_ + used_, p, n);
    used_ += n;
    p += n;
    size -= n;
  }
}

void out_stream::write(const char* data, std::size_t size) {
  if (mode_ == line_ends::binary) {
    write_raw(data, size);
    return;
  }
  while (size > 0) {
    const void* lf = std::memchr(data, '\n', size);
    const std::size_t run =
        lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : size;
    write_raw(data, run);
    if (!lf) return;
    write_raw("\r\n", 2);
    data += run + 1;
    size -= run + 1;
  }
}

void out_stream::write(const char* text) {
  write(text, std::strlen(text));
}

bool out_stream::flush() {
  drain();
  if (file_ != nullptr && std::fflush(file_) != 0) failed_ = true;
  return !failed_;
}

bool out_stream::close() {
  if (file_ == nullptr) {
    used_ = 0;
    return !failed_;
  }
  flush();
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace quorvex::platform
