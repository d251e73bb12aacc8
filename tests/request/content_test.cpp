// The content read from a file in pieces against the same file read whole
// and encoded at once: the Base64 text, its digest and its checksum must not
// depend on where the pieces of 192 KiB split.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "foundations/base64.h"
#include "foundations/files.h"
#include "request/content.h"
#include "request/signature.h"

namespace {

class FileContentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kv_content_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/invoice.xml";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Put(const std::string& bytes) const { std::ofstream(path_, std::ios::binary) << bytes; }

  std::string Joined(const Content& content) const {
    std::string text;
    content.Each([&](std::string_view piece) { text += piece; });
    return text;
  }

  std::string dir_, path_;
};

const size_t kPiece = 3 * 64 * 1024;

TEST_F(FileContentTest, PiecesJoinToTheEncodingOfTheWholeFile) {
  std::string bytes(2 * kPiece + 5, '\0');
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>((i * 37 + 11) % 251);
  // Both sides of each piece boundary, a 0x1A at the end and just before it.
  for (size_t n : {size_t{0}, size_t{1}, size_t{2}, kPiece - 1, kPiece, kPiece + 1, kPiece + 2,
                   2 * kPiece, 2 * kPiece + 5}) {
    for (const char* tail : {"", "\x1A", "\x1A\x1A"}) {
      Put(bytes.substr(0, n) + tail);
      const std::string whole = ENCODE64(READWHOLE(path_));
      const FileContent content{Value(path_)};
      EXPECT_EQ(Joined(content), whole) << n << " + " << std::string(tail).size();
      const Value text(whole);
      const TextContent in_memory(text);
      EXPECT_EQ(ContentDigest("CREATE", content), ContentDigest("CREATE" + whole));
      EXPECT_EQ(ContentDigest("CREATE", in_memory), ContentDigest("CREATE" + whole));
      EXPECT_EQ(ContentChecksum(content), ContentChecksum(whole));
    }
  }
}

TEST_F(FileContentTest, AnUnreadableFileIsTheEmptyText) {
  for (const Value& name : {Value(path_), Value(dir_), Value(7)}) {
    const FileContent content(name);
    EXPECT_TRUE(content.is_text());
    EXPECT_EQ(Joined(content), "");
    EXPECT_EQ(ContentChecksum(content), "0");
    EXPECT_EQ(ContentDigest("MODIFY", content), ContentDigest("MODIFY"));
  }
}

}  // namespace
