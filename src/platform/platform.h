// What the tool needs from the operating system, made the same on Linux and
// Windows: file names whose letter case does not matter, files opened for
// reading that are never directories, 64-bit file sizes, and a standard
// output that passes bytes through unchanged (text-mode line ends are made
// by out_stream, not by the C runtime).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace quorvex::platform {

// The name to open for a name the tool was given. Where the file system tells
// letter case apart: the name itself if such an entry exists; otherwise, for a
// name without a directory part, the first entry of the current directory in
// byte order that equals it with A-Z/a-z folded; otherwise the name itself.
// Where the system ignores case, the name itself.
std::string resolve_name(const char* name);

// Opens an existing file for reading in binary mode; a directory counts as a
// file that cannot be opened. Null on failure.
std::FILE* open_for_reading(const char* name);

// Creates or empties a file for writing in binary mode. Null on failure.
std::FILE* open_for_writing(const char* name);

// Re-opens the C standard output onto a file for writing in binary mode.
// False if the file cannot be opened; standard output is closed either way.
bool reopen_standard_output(const char* name);

// Puts the C standard output into binary mode (a no-op where there is none).
void set_binary_standard_output();

// The length of an open file in bytes, or -1 if it cannot be learned. The
// position is left at the start of the file.
std::int64_t file_size(std::FILE* f);

// Asks for large pages behind a large block of memory, where the system
// offers them: fewer page faults and TLB misses when the block is filled and
// walked. Only a hint; does nothing where unsupported.
void advise_large_block(void* block, std::size_t size);

// Moves to an absolute byte offset. False on failure.
bool seek_to(std::FILE* f, std::int64_t offset);

}  // namespace quorvex::platform
