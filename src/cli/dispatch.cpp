#include "cli/dispatch.h"

#include <cstdlib>

#include "cli/fatal.h"
#include "convert/binary_to_text.h"
#include "convert/hash_list.h"
#include "convert/text_to_binary.h"
#include "platform/console.h"
#include "table/record.h"

namespace quorvex::cli {

bool names_file(const char* argument, const char* name) {
  for (;; ++argument, ++name) {
    const unsigned char a = table::fold_lower(static_cast<unsigned char>(*argument));
    const unsigned char b = table::fold_lower(static_cast<unsigned char>(*name));
    if (a != b) return false;
    if (a == 0) return true;
  }
}

int run(int argc, char** argv) {
  platform::start_console();
  platform::print("quorvex v. 2.1\n");
  platform::flush_standard_output();
  if (argc != 2) {
    fatal_error(0, "syntaxe : quorvex <file>\n   <file> is either animdata.qz OR animdata.txt\n");
  }
  convert::hash_list_clear();
  std::atexit(free_all_at_exit);
  const char* argument = argv[1];
  if (names_file(argument, "animdata.qz")) {
    convert::binary_to_text(argument);
    return 0;
  }
  if (names_file(argument, "animdata.txt")) {
    convert::text_to_binary();
    return 0;
  }
  fatal_error(1, "can't process %s : not animdata.qz nor animdata.txt", argument);
}

}  // namespace quorvex::cli
