// Converts a binary table file into the text table file "AnimData.txt".
#pragma once

namespace quorvex::convert {

// Loads `path`, walks its bucket blocks into the hash list, writes the header
// and one line per record in name order into "AnimData.txt", and prints
// "%li records writen into %s\n". Returns after a failure it has reported on
// standard output (the input cannot be loaded, or is empty: no file is
// written then); ends the process through fatal_error if "AnimData.txt"
// cannot be opened ("can't open %s\n") or written ("can't write %s\n").
void binary_to_text(const char* path);

}  // namespace quorvex::convert
