#include "convert/binary_to_text.h"

#include <cstdlib>

#include "cli/fatal.h"
#include "convert/hash_list.h"
#include "convert/load_file.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "table/binary_table.h"
#include "table/text_reader.h"
#include "table/text_writer.h"

namespace quorvex::convert {

void binary_to_text(const char* path) {
  std::int32_t size = 0;
  unsigned char* data = load_file(path, size);
  if (data == nullptr) return;
  if (size == 0) {
    std::free(data);
    platform::print("\"%s\" is empty\n", path);
    return;
  }
  table::read_binary_table(data, size);

  const char* out_name = table::text_file_name;
  platform::out_stream out(platform::open_for_writing(out_name), platform::line_ends::text);
  if (!out.is_open()) cli::fatal_error(1, "can't open %s\n", out_name);
  table::write_text_header(out);
  const std::int32_t count = build_sorted_name();
  table::write_text_table(out, animdata_sorted_name, count);
  // A failed write, flush or close must not pass for a finished table.
  if (!out.close()) cli::fatal_error(1, "can't write %s\n", out_name);
  std::free(data);
  platform::print("%li records writen into %s\n", static_cast<long>(count), out_name);
}

}  // namespace quorvex::convert
