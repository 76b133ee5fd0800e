// The one way a run ends on an error, and the clean-up that runs whenever the
// process ends after start-up.
#pragma once

#include "platform/console.h"

namespace quorvex::cli {

constexpr const char* error_file_name = "error.txt";

// Re-opens standard output onto "error.txt" (created or emptied, text mode),
// prints the message there and ends the process with `code`. Exit handlers
// run and standard output is flushed on the way out.
[[noreturn]] void fatal_error(int code, const char* format, ...) QUORVEX_PRINTF(2, 3);

// Releases the process-wide tables: the hash list nodes, the sorted name
// index and the array of record slots. Registered as an exit handler.
void free_all_at_exit();

}  // namespace quorvex::cli
