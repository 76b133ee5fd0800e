#include "platform/platform.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <dirent.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <cstring>

namespace quorvex::platform {

namespace {

#ifndef _WIN32
bool equal_folded(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char ca = static_cast<unsigned char>(*a);
    unsigned char cb = static_cast<unsigned char>(*b);
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + 32);
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + 32);
    if (ca != cb) return false;
    if (ca == 0) return true;
  }
}
#endif

bool is_directory(std::FILE* f) {
#ifdef _WIN32
  struct _stat64 st;
  return _fstat64(_fileno(f), &st) == 0 && (st.st_mode & _S_IFDIR) != 0;
#else
  struct stat st;
  return fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

}  // namespace

std::string resolve_name(const char* name) {
#ifdef _WIN32
  return name;
#else
  struct stat st;
  if (lstat(name, &st) == 0 || std::strchr(name, '/') != nullptr || name[0] == '\0') return name;
  DIR* dir = opendir(".");
  if (dir == nullptr) return name;
  std::string best;
  bool found = false;
  while (const dirent* entry = readdir(dir)) {
    if (!equal_folded(entry->d_name, name)) continue;
    if (!found || std::strcmp(entry->d_name, best.c_str()) < 0) {
      best = entry->d_name;
      found = true;
    }
  }
  closedir(dir);
  return found ? best : std::string(name);
#endif
}

std::FILE* open_for_reading(const char* name) {
  const std::string path = resolve_name(name);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f != nullptr && is_directory(f)) {
    std::fclose(f);
    return nullptr;
  }
  return f;
}

std::FILE* open_for_writing(const char* name) {
  const std::string path = resolve_name(name);
  return std::fopen(path.c_str(), "wb");
}

bool reopen_standard_output(const char* name) {
  const std::string path = resolve_name(name);
  return std::freopen(path.c_str(), "wb", stdout) != nullptr;
}

void set_binary_standard_output() {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
}

std::int64_t file_size(std::FILE* f) {
#ifdef _WIN32
  if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
  const std::int64_t size = _ftelli64(f);
  _fseeki64(f, 0, SEEK_SET);
#else
  if (fseeko(f, 0, SEEK_END) != 0) return -1;
  const std::int64_t size = ftello(f);
  fseeko(f, 0, SEEK_SET);
#endif
  return size;
}

void advise_large_block(void* block, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t huge = std::uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t first = (begin + huge - 1) & ~(huge - 1);
  const std::uintptr_t last = (begin + size) & ~(huge - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)block;
  (void)size;
#endif
}

bool seek_to(std::FILE* f, std::int64_t offset) {
#ifdef _WIN32
  return _fseeki64(f, offset, SEEK_SET) == 0;
#else
  return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace quorvex::platform
