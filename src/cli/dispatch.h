// The start of every run: banner, argument check, dispatch by file name.
#pragma once

namespace quorvex::cli {

// Prints "quorvex v. 2.1\n" and flushes it, checks that exactly one argument
// was given, empties the hash list, registers free_all_at_exit and runs the
// conversion that the argument names: "animdata.qz" (binary to text, the
// argument being the path to load) or "animdata.txt" (text to binary), both
// compared whole with A-Z folded. Returns 0 when the conversion returns.
int run(int argc, char** argv);

// True if `argument` equals `name` byte for byte with only A-Z/a-z folded.
bool names_file(const char* argument, const char* name);

}  // namespace quorvex::cli
