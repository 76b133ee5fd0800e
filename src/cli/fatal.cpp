#include "cli/fatal.h"

#include <cstdarg>
#include <cstdlib>

#include "convert/hash_list.h"
#include "table/text_reader.h"

namespace quorvex::cli {

void fatal_error(int code, const char* format, ...) {
  platform::redirect_standard_output(error_file_name);
  std::va_list args;
  va_start(args, format);
  platform::vprint(format, args);
  va_end(args);
  std::exit(code);
}

void free_all_at_exit() {
  convert::hash_list_free();
  convert::free_sorted_name();
  table::free_animdata_records();
}

}  // namespace quorvex::cli
