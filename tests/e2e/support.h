// End-to-end runner for quorvex: each case places files in a fresh scratch
// directory, runs the tool there with its arguments (through a launcher such
// as Wine if one was given), and compares byte for byte what it printed, its
// exit code, "error.txt" and every entry left in the directory.
//
// Expected bytes are written by hand in the cases, with the small builders
// below for records, binary tables and text lines.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace quorvex_e2e {

using namespace std::string_literals;
namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// How the tool is started, set once by main from --tool and --launcher.

struct tool_command {
  std::string tool{};
  std::string launcher{};   // empty: the tool runs directly
  std::string failalloc{};  // the allocation-failing library, if built
};

inline tool_command& command() {
  static tool_command c;
  return c;
}

inline bool under_launcher() {
  return !command().launcher.empty();
}

// ---------------------------------------------------------------------------
// Bytes the tool prints on every run, and the usage message of "error.txt".

inline const std::string banner = "quorvex v. 2.1\r\n";
inline const std::string usage =
    "syntaxe : quorvex <file>\r\n   <file> is either animdata.qz OR animdata.txt\r\n";

inline std::string repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// ---------------------------------------------------------------------------
// Binary tables.

// A signed 32-bit little-endian value.
inline std::string le32(std::uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// One 160-byte record: the name field (zero-filled to 8 bytes; it may hold
// zero bytes of its own), the two 32-bit fields as stored, and FrameData from
// byte 0 on, the rest 0.
struct record {
  std::string name;
  std::uint32_t frames_per_direction;
  std::uint32_t animation_speed;
  std::vector<int> frames;

  record(std::string n, std::uint32_t fpd = 0, std::uint32_t speed = 0, std::vector<int> f = {})
      : name(std::move(n)),
        frames_per_direction(fpd),
        animation_speed(speed),
        frames(std::move(f)) {}

  std::string bytes() const {
    std::string s = name;
    s.resize(8, '\0');
    s += le32(frames_per_direction) + le32(animation_speed);
    std::string data(144, '\0');
    for (std::size_t i = 0; i < frames.size(); ++i) data[i] = static_cast<char>(frames[i]);
    return s + data;
  }
};

struct block {
  int bucket = 0;
  std::vector<record> records{};
};

// A well-formed binary table: 256 counts, each followed by its records;
// buckets not named have a count of 0.
inline std::string qz(const std::vector<block>& blocks) {
  std::vector<std::string> bodies(256);
  std::vector<std::uint32_t> counts(256);
  for (const block& b : blocks) {
    for (const record& r : b.records) {
      bodies[b.bucket] += r.bytes();
      ++counts[b.bucket];
    }
  }
  std::string s;
  for (int b = 0; b < 256; ++b) s += le32(counts[b]) + bodies[b];
  return s;
}

inline const std::string empty_qz(1024, '\0');

// ---------------------------------------------------------------------------
// Text tables.

// The header line with its CR LF: 1,915 bytes.
inline std::string text_header() {
  std::string s = "CofName\tFramesPerDirection\tAnimationSpeed\tFrameData000";
  char column[32];
  for (int n = 1; n <= 143; ++n) {
    std::snprintf(column, sizeof column, "\tFrameData%03d", n);
    s += column;
  }
  return s + "\r\n";
}

// A record line without its line end: the name text, then each value text
// after a tab.
inline std::string fields_raw(const std::string& name, const std::vector<std::string>& values) {
  std::string s = name;
  for (const std::string& v : values) s += "\t" + v;
  return s;
}

// A record line without its line end: FrameData from byte 0 on, the rest 0.
inline std::string fields(const std::string& name, const std::string& fpd, const std::string& speed,
                          const std::vector<int>& frames = {}) {
  std::vector<std::string> values{fpd, speed};
  for (std::size_t i = 0; i < 144; ++i) {
    values.push_back(i < frames.size() ? std::to_string(frames[i]) : "0");
  }
  return fields_raw(name, values);
}

// A record line as the tool writes it, ending in CR LF.
inline std::string line(const std::string& name, const std::string& fpd, const std::string& speed,
                        const std::vector<int>& frames = {}) {
  return fields(name, fpd, speed, frames) + "\r\n";
}

// ---------------------------------------------------------------------------
// Directory entries.

enum class entry_kind { file, directory, symlink, big_file };

struct entry {
  std::string name{};
  entry_kind kind = entry_kind::file;
  std::string bytes{};     // a file's contents, or a symlink's target
  std::uint64_t size = 0;  // big files: their length (they are made sparse)
};

inline entry file(std::string name, std::string bytes) {
  return {std::move(name), entry_kind::file, std::move(bytes), 0};
}
inline entry directory(std::string name) {
  return {std::move(name), entry_kind::directory, "", 0};
}
inline entry symlink(std::string name, std::string target) {
  return {std::move(name), entry_kind::symlink, std::move(target), 0};
}
// A sparse file of `size` bytes, compared by length only.
inline entry big_file(std::string name, std::uint64_t size) {
  return {std::move(name), entry_kind::big_file, "", size};
}

// Files larger than this are listed by size only.
constexpr std::uintmax_t big_file_threshold = 64u << 20;

// What "error.txt" must be after the run.
struct error_file {
  enum class state { absent, unchanged, holds };
  state expect = state::absent;
  std::string bytes{};
};
inline const error_file no_error_file{error_file::state::absent, ""};
inline const error_file error_unchanged{error_file::state::unchanged, ""};
inline error_file error_holds(std::string bytes) {
  return {error_file::state::holds, std::move(bytes)};
}

// ---------------------------------------------------------------------------
// Byte comparison with a readable account of the first difference.

inline std::string escaped(const std::string& s, std::size_t from, std::size_t count) {
  std::string r;
  for (std::size_t i = from; i < s.size() && i < from + count; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '\t') {
      r += "\\t";
    } else if (c == '\r') {
      r += "\\r";
    } else if (c == '\n') {
      r += "\\n";
    } else if (c == '\\' || c == '"') {
      r += '\\';
      r += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      r += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      r += hex;
    }
  }
  return r;
}

// Empty if equal; otherwise the sizes and both sides around the first byte
// that differs.
inline std::string difference(const std::string& expected, const std::string& actual) {
  if (expected == actual) return "";
  std::size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  const std::size_t from = at > 40 ? at - 40 : 0;
  std::ostringstream s;
  s << "expected " << expected.size() << " bytes, got " << actual.size()
    << "; first difference at offset " << at << "\n  expected: \"" << escaped(expected, from, 120)
    << "\"\n  actual:   \"" << escaped(actual, from, 120) << "\"";
  return s.str();
}

// ---------------------------------------------------------------------------
// A scratch directory and one run of the tool in it.

struct run_result {
  std::string out{};  // standard output, as the tool left it in its file
  std::string err{};  // standard error
  int exit_code = -1;
  std::string problem{};  // why the run itself failed (not started, killed)
};

inline std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class scratch {
 public:
  scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/quorvex-e2e-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      ADD_FAILURE() << "cannot make a scratch directory from " << pattern;
      return;
    }
    root_ = pattern;
    fs::create_directory(root_ / "work");
  }
  ~scratch() {
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(root_, ignored);
  }
  scratch(const scratch&) = delete;
  scratch& operator=(const scratch&) = delete;

  // The directory the tool runs in; standard output and standard error are
  // captured beside it, outside.
  fs::path dir() const { return root_ / "work"; }

  void place(const entry& e) const {
    const fs::path p = dir() / e.name;
    switch (e.kind) {
      case entry_kind::file: {
        std::ofstream out(p, std::ios::binary);
        out.write(e.bytes.data(), static_cast<std::streamsize>(e.bytes.size()));
        ASSERT_TRUE(out.good()) << "cannot write " << p;
        break;
      }
      case entry_kind::directory:
        fs::create_directory(p);
        break;
      case entry_kind::symlink:
        fs::create_symlink(e.bytes, p);
        break;
      case entry_kind::big_file: {
        const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << "cannot create " << p;
        const int rc = ::ftruncate(fd, static_cast<off_t>(e.size));
        ::close(fd);
        ASSERT_EQ(rc, 0) << "cannot extend " << p << " to " << e.size << " bytes";
        break;
      }
    }
  }

  // Runs `launcher tool args...` (or `tool args...`) with the scratch
  // directory as working directory, standard input from /dev/null and
  // standard output and error into files.
  // `env` holds NAME=VALUE settings added to the child's environment.
  run_result run(const std::vector<std::string>& args,
                 const std::vector<std::string>& env = {}) const {
    std::vector<std::string> words;
    if (under_launcher()) words.push_back(command().launcher);
    words.push_back(command().tool);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const std::string work = dir().string();
    const std::string out_path = (root_ / "stdout").string();
    const std::string err_path = (root_ / "stderr").string();

    run_result r;
    const pid_t pid = ::fork();
    if (pid < 0) {
      r.problem = "fork failed";
      return r;
    }
    if (pid == 0) {
      const int in = ::open("/dev/null", O_RDONLY);
      const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || out < 0 || err < 0 || ::chdir(work.c_str()) != 0) ::_exit(126);
      ::dup2(in, 0);
      ::dup2(out, 1);
      ::dup2(err, 2);
      ::close(in);
      ::close(out);
      ::close(err);
      for (const std::string& setting : env) {
        const std::size_t eq = setting.find('=');
        ::setenv(setting.substr(0, eq).c_str(), setting.substr(eq + 1).c_str(), 1);
      }
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    // Wine may need a while to start; a tool that hangs is stopped.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(180);
    int status = 0;
    for (;;) {
      const pid_t done = ::waitpid(pid, &status, WNOHANG);
      if (done == pid) break;
      if (done < 0) {
        r.problem = "waitpid failed";
        return r;
      }
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        r.problem = "the tool did not end within 180 s and was killed";
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (r.problem.empty()) {
      if (WIFEXITED(status)) {
        r.exit_code = WEXITSTATUS(status);
        if (r.exit_code == 127) r.problem = "exit code 127: could not start " + words[0] + "?";
      } else if (WIFSIGNALED(status)) {
        r.problem = "the tool was ended by signal " + std::to_string(WTERMSIG(status));
      }
    }
    r.out = read_file(out_path);
    r.err = read_file(err_path);
    return r;
  }

  // Every entry of the scratch directory as it is now. A directory lists
  // the names it holds in `bytes` (one per line); a file larger than
  // big_file_threshold is listed by size only.
  std::map<std::string, entry> listing() const {
    std::map<std::string, entry> found;
    for (const fs::directory_entry& d : fs::directory_iterator(dir())) {
      const std::string name = d.path().filename().string();
      const fs::file_status st = d.symlink_status();
      entry e;
      e.name = name;
      if (fs::is_symlink(st)) {
        e.kind = entry_kind::symlink;
        e.bytes = fs::read_symlink(d.path()).string();
      } else if (fs::is_directory(st)) {
        e.kind = entry_kind::directory;
        for (const fs::directory_entry& inner : fs::directory_iterator(d.path())) {
          e.bytes += inner.path().filename().string() + "\n";
        }
      } else if (fs::file_size(d.path()) > big_file_threshold) {
        e.kind = entry_kind::big_file;
        e.size = fs::file_size(d.path());
      } else {
        e.kind = entry_kind::file;
        e.bytes = read_file(d.path());
      }
      found[name] = e;
    }
    return found;
  }

 private:
  fs::path root_;
};

inline const char* kind_name(entry_kind k) {
  switch (k) {
    case entry_kind::file:
      return "a file";
    case entry_kind::directory:
      return "a directory";
    case entry_kind::symlink:
      return "a symlink";
    case entry_kind::big_file:
      return "a big file";
  }
  return "?";
}

// Checks that the scratch directory holds exactly `expected`, each entry of
// the same kind and bytes (a directory empty, a symlink with its target, a
// big file with its size).
inline void expect_listing(const scratch& s, const std::map<std::string, entry>& expected) {
  const std::map<std::string, entry> found = s.listing();
  for (const auto& [name, want] : expected) {
    const auto it = found.find(name);
    if (it == found.end()) {
      ADD_FAILURE() << "\"" << name << "\" is missing after the run";
      continue;
    }
    const entry& got = it->second;
    if (got.kind != want.kind) {
      ADD_FAILURE() << "\"" << name << "\" should be " << kind_name(want.kind) << ", is "
                    << kind_name(got.kind);
    } else if (want.kind == entry_kind::big_file) {
      EXPECT_EQ(got.size, want.size) << "size of \"" << name << "\"";
    } else if (const std::string d = difference(want.bytes, got.bytes); !d.empty()) {
      ADD_FAILURE() << "\"" << name << "\" differs: " << d;
    }
  }
  for (const auto& [name, got] : found) {
    if (expected.count(name) == 0) {
      ADD_FAILURE() << "unexpected " << kind_name(got.kind) << " \"" << name
                    << "\" after the run: \"" << escaped(got.bytes, 0, 120) << "\"";
    }
  }
}

// Checks what a run printed and how it ended.
inline void expect_result(const run_result& r, const std::string& out, int exit_code) {
  ASSERT_TRUE(r.problem.empty()) << r.problem << "\nstderr: " << r.err;
  EXPECT_EQ(r.exit_code, exit_code) << "stderr: " << r.err;
  if (const std::string d = difference(out, r.out); !d.empty()) {
    ADD_FAILURE() << "standard output differs: " << d;
  }
  // The tool writes nothing to standard error; under a launcher, the
  // launcher's own chatter may land there.
  if (!under_launcher()) {
    EXPECT_EQ(r.err, "") << "standard error is not empty";
  }
}

// ---------------------------------------------------------------------------
// One table-driven case.

struct tool_case {
  std::string name{};          // test name: letters, digits, underscores
  std::vector<entry> given{};  // the scratch directory before the run
  std::vector<std::string> args{};
  std::string out{};             // exact standard output
  error_file error{};            // what "error.txt" is afterwards
  std::vector<entry> written{};  // entries the run creates or replaces
  int exit_code = 0;
  // Needs a file system that tells letter case apart (native Linux runs).
  bool case_sensitive_names = false;
  // Settings of the allocation-failing library, loaded into the tool with
  // LD_PRELOAD (native runs without sanitizers).
  std::vector<std::string> failing_allocations{};
};

inline void PrintTo(const tool_case& c, std::ostream* os) {
  *os << c.name;
}

inline std::string case_name(const ::testing::TestParamInfo<tool_case>& info) {
  return info.param.name;
}

// Places the given entries, runs the tool and checks standard output, the
// exit code and the whole directory: the given entries unchanged unless
// written, the written ones with their bytes, "error.txt" as expected, and
// nothing else.
inline void expect_run(const tool_case& c) {
  if (c.case_sensitive_names && under_launcher()) {
    GTEST_SKIP() << "file-name letter case is resolved by the system under the launcher";
  }
  std::vector<std::string> env;
  if (!c.failing_allocations.empty()) {
    if (under_launcher()) GTEST_SKIP() << "allocations cannot be made to fail under the launcher";
    if (command().failalloc.empty()) {
      GTEST_SKIP() << "no allocation-failing library in this build (sanitizers bring their own "
                      "allocator)";
    }
    env = c.failing_allocations;
    env.push_back("LD_PRELOAD=" + command().failalloc);
  }
  scratch s;
  std::map<std::string, entry> expected;
  for (const entry& e : c.given) {
    s.place(e);
    expected[e.name] = e;
  }
  if (::testing::Test::HasFatalFailure()) return;
  for (const entry& e : c.written) expected[e.name] = e;
  switch (c.error.expect) {
    case error_file::state::absent:
      ASSERT_EQ(expected.count("error.txt"), 0u) << "case error: error.txt given but absent";
      break;
    case error_file::state::unchanged:
      ASSERT_EQ(expected.count("error.txt"), 1u) << "case error: no error.txt given";
      break;
    case error_file::state::holds:
      expected["error.txt"] = file("error.txt", c.error.bytes);
      break;
  }
  const run_result r = s.run(c.args, env);
  expect_result(r, c.out, c.exit_code);
  expect_listing(s, expected);
}

class ToolRun : public ::testing::TestWithParam<tool_case> {};

}  // namespace quorvex_e2e
