// Reads one whole file into one new buffer with a single read.
#pragma once

#include <cstdint>

namespace quorvex::convert {

// Loads the file at `path` (binary, every byte as it is). On success returns
// a buffer from malloc, which the caller frees, and sets `size`; a file of 0
// bytes gives a valid empty buffer and size 0. On failure prints why on
// standard output, with the path as given, and returns null:
//   "can't open \"%s\"\n"                                  (missing, unreadable, a directory)
//   "\"%s\" is too big (%lli bytes)\n"                     (2 GiB or more)
//   "can't allocate %li bytes for copying \"%s\" in memory\n"
//   "Disk-error while reading \"%s\"\n" and
//   "Maybe the file is still open into another application ?\n"
unsigned char* load_file(const char* path, std::int32_t& size);

}  // namespace quorvex::convert
