// Standard output as the tool uses it: a text-mode stream (LF leaves as
// CR LF) over the C standard output, which can be re-opened once onto a file,
// and whose buffered text is flushed when the process ends.
#pragma once

#include <cstdarg>

#include "platform/out_stream.h"

#if defined(__GNUC__) || defined(__clang__)
#define QUORVEX_PRINTF(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))
#else
#define QUORVEX_PRINTF(fmt_index, first_arg)
#endif

namespace quorvex::platform {

// Sets standard output up for the tool (binary underneath, our own line-end
// translation) and registers the flush that ends every run. Call first.
void start_console();

out_stream& standard_output();

void print(const char* format, ...) QUORVEX_PRINTF(1, 2);
void vprint(const char* format, std::va_list args);
void flush_standard_output();

// Flushes what is buffered to where standard output went until now, closes
// it and re-opens it onto `name`, created or emptied, in text mode. If the
// file cannot be opened, later output goes nowhere.
void redirect_standard_output(const char* name);

}  // namespace quorvex::platform
