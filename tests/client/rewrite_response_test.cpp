// The ANSI rewrite of a response larger than the pieces in which it is
// rewritten: every UTF-8 sequence that a piece boundary splits, and one that
// a boundary interrupts, must come out as the whole file converted at once.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "client/exchange.h"
#include "foundations/codepage.h"
#include "foundations/files.h"
#include "foundations/record.h"

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(RewriteResponse, LargeAnswerComesOutAsIfConvertedWhole) {
  char pattern[] = "/tmp/kv_rewrite_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/answer.xml";
  // A unit of 17 bytes: the boundaries every 64 KiB fall at each of its
  // offsets in turn, inside "ő", "€" and the interrupted sequence "\xC3" "A".
  const std::string unit = "<ab>\xC5\x91\xE2\x82\xAC\xC3" "A</a>\r\n";
  ASSERT_EQ(unit.size(), 17u);
  std::string answer;
  while (answer.size() < (size_t{1} << 20) + 17 * 17)
    answer += unit;
  std::ofstream(path, std::ios::binary) << answer + "\xC5\x1A";
  const std::string expected = OEMTOACP(UTF8TOCP852(READWHOLE(path)));

  Settings().Clear();
  Settings().Set("CHARCODE", Value("UTF8"));
  RewriteResponse(path);
  EXPECT_TRUE(ReadBytes(path) == answer + "\xC5\x1A");
  Settings().Set("CHARCODE", Value("ANSI"));
  RewriteResponse(path);
  EXPECT_TRUE(ReadBytes(path) == expected);
  EXPECT_EQ(ReadBytes(path).size(), answer.size() / 17 * 14);
  Settings().Clear();
  std::filesystem::remove_all(pattern);
}

}  // namespace
