// quorvex: converts an animation table between "AnimData.qz" and
// "AnimData.txt"; the argument names the file to convert.
#include "cli/dispatch.h"
#include "cli/fatal.h"

int main(int argc, char** argv) {
  return quorvex::cli::run(argc, argv);
}
