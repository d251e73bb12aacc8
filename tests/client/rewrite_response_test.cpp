// The ANSI rewrite of a response larger than the pieces in which it is
// rewritten: every UTF-8 sequence that a piece boundary splits, and one that
// a boundary interrupts, must come out as the whole file converted at once;
// a rewrite that fails or is killed midway leaves the answer as received.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

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

class InterruptedRewrite : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kv_rewrite_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/answer.xml";
    while (answer_.size() < 1024 * 1024)
      answer_ += "<a>\xC5\x91rv\xC3\xADzt\xC5\xB1r\xC5\x91</a>\r\n";
    Settings().Clear();
    Settings().Set("CHARCODE", Value("ANSI"));
  }
  void TearDown() override {
    InjectFileFault(FileCall::Write, 0);
    Settings().Clear();
    std::filesystem::remove_all(dir_);
  }
  void PutAnswer() const { std::ofstream(path_, std::ios::binary) << answer_; }
  // Nothing but the answer in the folder.
  void ExpectOnlyTheAnswer() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
      names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"answer.xml"});
  }

  std::string dir_, path_, answer_;
};

// The last write, one near the end and the replacement failing: the answer
// stays byte for byte as it arrived; a clean rewrite gives the whole of it.
TEST_F(InterruptedRewrite, AFailedRewriteLeavesTheAnswerAsReceived) {
  PutAnswer();
  const std::string whole = OEMTOACP(UTF8TOCP852(answer_));
  InjectFileFault(FileCall::Write, 0);
  RewriteResponse(path_);
  ASSERT_TRUE(ReadBytes(path_) == whole);
  const int writes = FileCallsSince(FileCall::Write);
  ASSERT_GT(writes, 10);
  for (const auto& [call, nth] : std::vector<std::pair<FileCall, int>>{
           {FileCall::Write, writes}, {FileCall::Write, writes - 1}, {FileCall::Replace, 1}}) {
    SCOPED_TRACE(nth);
    PutAnswer();
    InjectFileFault(call, nth);
    RewriteResponse(path_);
    InjectFileFault(call, 0);
    EXPECT_TRUE(ReadBytes(path_) == answer_);
    ExpectOnlyTheAnswer();
  }
}

// Killed in the middle of the rewrite, the program leaves the answer whole as
// it arrived (a part-written new file may stay beside it).
TEST_F(InterruptedRewrite, AKilledRewriteLeavesTheAnswerAsReceived) {
  PutAnswer();
  pid_t pid = fork();
  if (pid == 0) {
    int pieces = 0;
    RewriteBeside(path_, 64 * 1024, [&](std::string_view piece) {
      if (++pieces == 8)
        raise(SIGKILL);
      return piece;
    });
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(ReadBytes(path_) == answer_);
}

}  // namespace
