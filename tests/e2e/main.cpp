// quorvex_e2e_tests [gtest options] --tool PATH [--launcher PATH] [--failalloc LIB]
//
// Runs the end-to-end cases against the quorvex executable at PATH. With a
// launcher, every run is `launcher tool args...`: a Windows build is tested
// as `--tool quorvex.exe --launcher /usr/lib/wine/wine64`. With --failalloc,
// the out-of-memory cases load that library into the tool to make chosen
// allocations fail.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "e2e/support.h"

namespace quorvex_e2e {

TEST_P(ToolRun, Case) {
  expect_run(GetParam());
}

}  // namespace quorvex_e2e

namespace {

// A path that stays valid after the runs change directory.
std::string absolute(const char* path) {
  return std::filesystem::absolute(path).lexically_normal().string();
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  auto& cmd = quorvex_e2e::command();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--tool") == 0 && i + 1 < argc) {
      cmd.tool = absolute(argv[++i]);
    } else if (std::strcmp(argv[i], "--launcher") == 0 && i + 1 < argc) {
      cmd.launcher = absolute(argv[++i]);
    } else if (std::strcmp(argv[i], "--failalloc") == 0 && i + 1 < argc) {
      cmd.failalloc = absolute(argv[++i]);
    } else {
      std::cerr << "unknown argument: " << argv[i]
                << "\nusage: quorvex_e2e_tests [gtest options] --tool PATH [--launcher PATH] "
                   "[--failalloc LIB]\n";
      return 2;
    }
  }
  if (cmd.tool.empty() || !std::filesystem::exists(cmd.tool)) {
    std::cerr << "--tool must name the quorvex executable to test\n";
    return 2;
  }
  if (!cmd.launcher.empty()) {
    if (!std::filesystem::exists(cmd.launcher)) {
      std::cerr << "launcher not found: " << cmd.launcher << "\n";
      return 2;
    }
    // Keep Wine's diagnostics out of the runs.
    setenv("WINEDEBUG", "-all", 0);
  }
  return RUN_ALL_TESTS();
}
