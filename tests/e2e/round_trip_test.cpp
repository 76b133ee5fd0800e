// A hand-made binary table converted to text, back to binary and to text
// again: the binary table comes back byte for byte, and so does the text.
#include "e2e/support.h"

namespace quorvex_e2e {
namespace {

TEST(RoundTrip, BinaryTextBinaryText) {
  std::vector<int> counting(144);
  for (int i = 0; i < 144; ++i) counting[i] = i;
  // Every record in the bucket of its name, each bucket in name order, so
  // that writing the text back gives the same bytes.
  const std::string binary =
      qz({{13, {record("Walking", 8, 12, {1, 2, 3}), record("WALKING", 9, 12, {4})}},
          {198, {record("abc", 0xFFFFFFFFu, 0x80000000u, {255})}},
          {220, {record("ABCDEFG", 100000, 7, counting)}},
          {245, {record("Run", 5, 6)}}});
  const std::string text = text_header() + line("abc", "-1", "-2147483648", {255}) +
                           line("ABCDEFG", "100000", "7", counting) + line("Run", "5", "6") +
                           line("Walking", "8", "12", {1, 2, 3}) + line("WALKING", "9", "12", {4});

  scratch s;
  s.place(file("AnimData.qz", binary));

  SCOPED_TRACE("binary to text");
  expect_result(s.run({"animdata.qz"}), banner + "5 records writen into AnimData.txt\r\n", 0);
  expect_listing(s, {{"AnimData.qz", file("AnimData.qz", binary)},
                     {"AnimData.txt", file("AnimData.txt", text)}});
  if (HasFailure()) return;

  SCOPED_TRACE("text to binary");
  std::filesystem::remove(s.dir() / "AnimData.qz");
  expect_result(s.run({"animdata.txt"}),
                banner + "5 records writen into AnimData.qz\r\n\r\n" +
                    "warning : 'Walking' is present more than once in AnimData.qz\r\n",
                0);
  expect_listing(s, {{"AnimData.qz", file("AnimData.qz", binary)},
                     {"AnimData.txt", file("AnimData.txt", text)}});
  if (HasFailure()) return;

  SCOPED_TRACE("binary to text again");
  std::filesystem::remove(s.dir() / "AnimData.txt");
  expect_result(s.run({"animdata.qz"}), banner + "5 records writen into AnimData.txt\r\n", 0);
  expect_listing(s, {{"AnimData.qz", file("AnimData.qz", binary)},
                     {"AnimData.txt", file("AnimData.txt", text)}});
}

}  // namespace
}  // namespace quorvex_e2e
