// The file layer's faults, made by its seam: a rewrite that fails at any of
// its reads, writes, closes or its replacement leaves the file as it was; a
// failed write marks the file's handle until the close. Runs on every system.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "foundations/files.h"
#include "scratch_files.h"

namespace {

class FileFaults : public ScratchFiles {
 protected:
  void SetUp() override {
    dir_ = std::string("kv_file_faults_") +
           testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directory(dir_);
  }
  void TearDown() override {
    InjectFileFault(FileCall::Write, 0);
    std::filesystem::remove_all(dir_);
  }
};

}  // namespace

// Whichever read, write, close or replacement of a rewrite fails, the file
// stays byte for byte as it was and nothing is left beside it.
TEST_F(FileFaults, RewriteBesideThatFailsLeavesTheFileAsItWas) {
  const std::string original = "axbxcxdxexfxgxhx\x1A";
  auto same = [](std::string_view piece) { return piece; };
  for (FileCall call : {FileCall::Read, FileCall::Write, FileCall::Close, FileCall::Replace}) {
    Put("f", original);
    InjectFileFault(call, 0);
    ASSERT_TRUE(RewriteBeside(Path("f"), 3, same));
    const int calls = FileCallsSince(call);
    ASSERT_GT(calls, 0);
    for (int nth = 1; nth <= calls; ++nth) {
      SCOPED_TRACE(std::to_string(static_cast<int>(call)) + " #" + std::to_string(nth));
      Put("f", original);
      InjectFileFault(call, nth);
      const bool rewritten = RewriteBeside(Path("f"), 3, same);
      InjectFileFault(call, 0);
      // A failed close of the file read from changes nothing of what was
      // written: only the failures that touch the new file count.
      if (rewritten) {
        EXPECT_EQ(call, FileCall::Close);
        EXPECT_EQ(Raw("f"), original.substr(0, original.size() - 1));
      } else {
        EXPECT_EQ(Raw("f"), original);
      }
      EXPECT_FALSE(Exists(std::string("f") + kRewriteSuffix));
    }
  }
}

// A write that fails leaves its mark on the file's handle until the close,
// which then tells the caller that the file is not whole.
TEST_F(FileFaults, CloseCompleteTellsWhetherEveryWriteWentWhole) {
  for (int nth = 0; nth <= 3; ++nth) {
    SCOPED_TRACE(nth);
    FileHandle h = NEWFILE(Path("r.xml"));
    InjectFileFault(FileCall::Write, nth);
    PUTBYTES(h, "one");
    PUTBYTES(h, "two");
    PutBytesAt(h, 0, "ONE");
    EXPECT_EQ(CloseComplete(h), nth == 0);
  }
  FileHandle h = NEWFILE(Path("r.xml"));
  InjectFileFault(FileCall::Close, 1);
  PUTBYTES(h, "one");
  EXPECT_FALSE(CloseComplete(h));
  InjectFileFault(FileCall::Close, 0);
  EXPECT_FALSE(CloseComplete(h));  // closed already
  EXPECT_FALSE(CloseComplete(kNoFile));
}
