#include "convert/load_file.h"

#include <cstdio>
#include <cstdlib>

#include "platform/console.h"
#include "platform/platform.h"

namespace quorvex::convert {

unsigned char* load_file(const char* path, std::int32_t& size) {
  std::FILE* file = platform::open_for_reading(path);
  if (file == nullptr) {
    platform::print("can't open \"%s\"\n", path);
    return nullptr;
  }
  const std::int64_t length = platform::file_size(file);
  if (length > INT32_MAX) {
    std::fclose(file);
    platform::print("\"%s\" is too big (%lli bytes)\n", path, static_cast<long long>(length));
    return nullptr;
  }
  // A length that cannot be learned is met as a read that falls short.
  const std::int32_t expected = length < 0 ? 0 : static_cast<std::int32_t>(length);
  auto* buffer = static_cast<unsigned char*>(std::malloc(expected > 0 ? expected : 1));
  if (buffer == nullptr) {
    std::fclose(file);
    platform::print("can't allocate %li bytes for copying \"%s\" in memory\n",
                    static_cast<long>(expected), path);
    return nullptr;
  }
  platform::advise_large_block(buffer, static_cast<std::size_t>(expected));
  if (length == 0) {
    std::fclose(file);
    size = 0;
    return buffer;
  }
  if (length < 0 || std::fread(buffer, static_cast<std::size_t>(expected), 1, file) != 1) {
    std::free(buffer);
    std::fclose(file);
    platform::print("Disk-error while reading \"%s\"\n", path);
    platform::print("Maybe the file is still open into another application ?\n");
    return nullptr;
  }
  std::fclose(file);
  size = expected;
  return buffer;
}

}  // namespace quorvex::convert
