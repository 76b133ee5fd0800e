// Converts the text table file "AnimData.txt" into the binary table file
// "AnimData.qz", and warns about names that occur more than once.
#pragma once

#include <cstdint>

#include "table/record.h"

namespace quorvex::convert {

constexpr const char* binary_file_name = "AnimData.qz";

// Reads "AnimData.txt", writes "AnimData.qz", prints
// "%li records writen into %s\n\n", then
// "warning : %s has %li data lines but %li records\n" if the text did not
// hold one record per data line, then the duplicate warnings. Returns after
// an allocation failure that the reader reported (nothing written); ends the
// process through fatal_error if "AnimData.qz" cannot be opened
// ("can't open for writing %s\n") or written ("can't write %s\n").
void text_to_binary();

// Warns once about each name that stands on two neighbouring records, in the
// order of the first such pair, with the name as the first record of that
// pair spells it: "warning : '%.7s' is present more than once in %s\n".
// Every bucket byte becomes a reported flag: 1 for the first record of a
// warned pair and every later record of that name, 0 otherwise.
void report_duplicates(table::record_buffer* const* records, std::int32_t count);

}  // namespace quorvex::convert
