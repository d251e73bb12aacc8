// The file operations on a scratch directory: contents byte for byte, the
// exclusive creation, deletion, the existence test and the path splitting.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <functional>
#include <random>
#include <string_view>
#include <vector>

#include "foundations/codepage.h"
#include "foundations/files.h"
#include "foundations/system_error_posix.h"
#include "scratch_files.h"

namespace {

class Files : public ScratchFiles {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kv_files_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
};

// Runs `child` in another process and gives its exit code.
int InChild(const std::function<int()>& child) {
  pid_t pid = fork();
  if (pid == 0)
    _exit(child());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST_F(Files, ReadwholeDropsOneTrailingEndOfFileByte) {
  struct Case {
    std::string bytes, read;
  } cases[] = {
      {"", ""},
      {"\x1A", ""},
      {"ab\x1A\x1A", "ab\x1A"},
      {"a\x1A" "b", "a\x1A" "b"},
      {"line\r\n", "line\r\n"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {std::string(100000, '\xF5') + "\x1A", std::string(100000, '\xF5')},
  };
  for (const auto& c : cases) {
    Put("f", c.bytes);
    EXPECT_EQ(READWHOLE(Path("f")), c.read) << c.bytes.size();
  }
  EXPECT_EQ(READWHOLE(Path("missing")), "");
  EXPECT_EQ(READWHOLE(dir_), "");
  EXPECT_EQ(READWHOLE(Value(5)), "");
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  EXPECT_EQ(READWHOLE(Path("fifo")), "");  // returns at once, no writer needed
}

// Read in pieces, a file gives what READWHOLE gives, cut at the piece size:
// one trailing 0x1A dropped also when it starts a piece of its own.
TEST_F(Files, PieceReaderGivesReadwholeInPiecesOfTheSizeAskedFor) {
  std::string bytes;
  for (int i = 0; i < 40; ++i)
    bytes += static_cast<char>(i * 7);
  const std::string cases[] = {
      "", "\x1A", "ab", "abc", "abc\x1A", "abcdef\x1A", "abcdefg\x1A", "abc\x1A\x1A",
      bytes, bytes + "\x1A", bytes.substr(0, 39) + "\x1A", std::string(9, '\x1A'),
  };
  for (const std::string& c : cases) {
    Put("f", c);
    const std::string whole = READWHOLE(Path("f"));
    for (size_t piece_size : {1, 3, 4, 7, 39, 40, 41, 100}) {
      PieceReader reader(Path("f"), piece_size);
      std::string joined;
      std::vector<size_t> sizes;
      for (std::string_view piece = reader.Next(); !piece.empty(); piece = reader.Next()) {
        joined += piece;
        sizes.push_back(piece.size());
      }
      EXPECT_EQ(joined, whole) << c.size() << " by " << piece_size;
      for (size_t i = 0; i + 1 < sizes.size(); ++i)
        EXPECT_EQ(sizes[i], piece_size) << c.size() << " by " << piece_size;
      EXPECT_TRUE(reader.Next().empty());
    }
  }
  for (const Value& unreadable : {Value(Path("missing")), Value(dir_), Value(5)}) {
    PieceReader reader(unreadable, 3);
    EXPECT_TRUE(reader.Next().empty());
  }
}

// Rewritten, a file ends as WRITEWHOLE of its converted READWHOLE would
// leave it, the trailing 0x1A dropped, and keeps its mode; nothing is left
// beside it. A file that another process holds, a read-only one, or none,
// stays as it was.
TEST_F(Files, RewriteBesideReplacesTheFileWithTheConvertedPieces) {
  std::string out;
  auto drop_x = [&](std::string_view piece) {
    out.clear();
    for (char c : piece)
      if (c != 'x')
        out += c == 'a' ? 'A' : c;
    return std::string_view(out);
  };
  const std::string cases[] = {"", "\x1A", "abc", "xxxxxxxa\x1A", "axbxcx\x1A\x1A",
                               std::string(1000, 'x') + "tail", "a" + std::string(999, 'b')};
  for (const std::string& c : cases) {
    for (size_t piece_size : {1, 2, 7, 4096}) {
      Put("f", c);
      chmod(Path("f").c_str(), 0640);
      std::string expected = READWHOLE(Path("f"));
      std::erase(expected, 'x');
      std::replace(expected.begin(), expected.end(), 'a', 'A');
      EXPECT_TRUE(RewriteBeside(Path("f"), piece_size, drop_x));
      EXPECT_EQ(Raw("f"), expected) << c.size() << " by " << piece_size;
      struct stat st;
      ASSERT_EQ(stat(Path("f").c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0640u);
      EXPECT_FALSE(Exists(std::string("f") + kRewriteSuffix));
    }
  }
  EXPECT_FALSE(RewriteBeside(Path("missing"), 3, drop_x));
  EXPECT_FALSE(Exists("missing"));
  EXPECT_FALSE(Exists(std::string("missing") + kRewriteSuffix));
  EXPECT_FALSE(RewriteBeside(dir_, 3, drop_x));
  EXPECT_FALSE(RewriteBeside(Value(2), 3, drop_x));

  FileHandle h = NEWFILE(Path("held.xml"));
  ASSERT_EQ(PUTBYTES(h, "axa"), 3);
  EXPECT_EQ(InChild([&] { return RewriteBeside(Path("held.xml"), 3, drop_x) ? 1 : 0; }), 0);
  EXPECT_TRUE(CLOSEFILE(h));
  EXPECT_EQ(Raw("held.xml"), "axa");
  EXPECT_FALSE(Exists(std::string("held.xml") + kRewriteSuffix));

  if (geteuid() != 0) {
    Put("read-only.xml", "axa");
    chmod(Path("read-only.xml").c_str(), 0444);
    EXPECT_FALSE(RewriteBeside(Path("read-only.xml"), 3, drop_x));
    EXPECT_EQ(Raw("read-only.xml"), "axa");
  }
}

TEST_F(Files, WritewholeWritesExactlyTheBytes) {
  Put("f", "old contents");
  EXPECT_TRUE(WRITEWHOLE(Path("f"), ""));
  EXPECT_EQ(Raw("f"), "");
  EXPECT_TRUE(WRITEWHOLE(Path("new"), std::string("x\0y\x1A", 4)));
  EXPECT_EQ(Raw("new"), std::string("x\0y\x1A", 4));
  EXPECT_EQ(READWHOLE(Path("new")), std::string("x\0y", 3));
  struct stat st;
  ASSERT_EQ(stat(Path("new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_FALSE(WRITEWHOLE(Value(1), "x"));
  EXPECT_FALSE(WRITEWHOLE(Path("no/such/dir"), "x"));
  EXPECT_FALSE(WRITEWHOLE(dir_, "x"));
}

TEST_F(Files, NewfileEmptiesWritesAndCloses) {
  Put("req.xml", "previous request");
  FileHandle h = NEWFILE(Path("req.xml"));
  ASSERT_GT(h, 0);
  EXPECT_EQ(LastFileError(), 0);
  EXPECT_EQ(Raw("req.xml"), "");
  EXPECT_EQ(PUTBYTES(h, "<a>\r\n"), 5);
  EXPECT_EQ(PUTBYTES(h, std::string("\0b", 2)), 2);
  EXPECT_TRUE(CLOSEFILE(h));
  EXPECT_EQ(Raw("req.xml"), std::string("<a>\r\n\0b", 7));
  EXPECT_FALSE(CLOSEFILE(h));
  EXPECT_EQ(PUTBYTES(h, "x"), 0);
  EXPECT_EQ(PUTBYTES(1, "x"), 0);  // a number NEWFILE never gave out
  EXPECT_FALSE(CLOSEFILE(2));

  EXPECT_EQ(NEWFILE(dir_), kNoFile);
  EXPECT_NE(LastFileError(), 0);
  EXPECT_EQ(NEWFILE(Value()), kNoFile);
}

// A value written early and known only later is written over its
// placeholder; writing then goes on at the end.
TEST_F(Files, PutBytesAtWritesOverAnOpenFileAndReturnsToItsEnd) {
  FileHandle h = NEWFILE(Path("req.xml"));
  ASSERT_GT(h, 0);
  EXPECT_EQ(OpenFileSize(h), 0);
  PUTBYTES(h, "<s>0000</s>\r\n");
  EXPECT_EQ(OpenFileSize(h), 13);
  EXPECT_TRUE(PutBytesAt(h, 3, "AB12"));
  EXPECT_EQ(OpenFileSize(h), 13);
  PUTBYTES(h, "<t/>");
  EXPECT_TRUE(CLOSEFILE(h));
  EXPECT_EQ(Raw("req.xml"), "<s>AB12</s>\r\n<t/>");
  // Only an open file of NEWFILE.
  EXPECT_EQ(OpenFileSize(h), -1);
  EXPECT_FALSE(PutBytesAt(h, 0, "x"));
  EXPECT_EQ(OpenFileSize(1), -1);
  EXPECT_FALSE(PutBytesAt(1, 0, "x"));
  EXPECT_EQ(Raw("req.xml"), "<s>AB12</s>\r\n<t/>");
}

// Failures report Windows' error numbers, the ones callers know.
TEST(SystemErrors, ErrnoBecomesTheWindowsNumber) {
  struct Case {
    int error;
    int windows;
  } cases[] = {
      {EACCES, 5}, {EPERM, 5},   {EISDIR, 5},   {EROFS, 5},         {EBUSY, 5},
      {ETXTBSY, 5}, {EMFILE, 4}, {ENFILE, 4},   {EEXIST, 80},       {ENOSPC, 112},
      {EDQUOT, 112}, {ENAMETOOLONG, 206}, {ENOTDIR, 3}, {EINVAL, 87}, {EIO, 31},
      {ELOOP, 31}, {EAGAIN, 31}, {0, 31},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WindowsErrorNumber(c.error, "/tmp/x"), c.windows) << c.error;
  EXPECT_EQ(WindowsErrorNumber(ENOENT, "/tmp/no-such-file"), 2);
  EXPECT_EQ(WindowsErrorNumber(ENOENT, "no-such-file"), 2);
  EXPECT_EQ(WindowsErrorNumber(ENOENT, "/no/such/dir/x"), 3);
}

TEST_F(Files, NewfileKeepsTheWindowsNumberOfItsFailure) {
  ASSERT_EQ(mkdir(Path("d").c_str(), 0700), 0);
  Put("f", "");
  struct Case {
    std::string name;
    int error;
  } cases[] = {
      {Path("d"), 5},                          // a directory: access denied
      {Path("missing/x.xml"), 3},              // path not found
      {Path("f/x.xml"), 3},                    // a file where a directory should be
      {Path(std::string(300, 'n')), 206},      // name too long
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NEWFILE(c.name), kNoFile) << c.name;
    EXPECT_EQ(LastFileError(), c.error) << c.name;
  }
  if (geteuid() != 0) {
    chmod(Path("d").c_str(), 0500);
    EXPECT_EQ(NEWFILE(Path("d/x.xml")), kNoFile);
    EXPECT_EQ(LastFileError(), 5);
    chmod(Path("d").c_str(), 0700);
  }
}

TEST_F(Files, NewfileRefusesAFileAnotherProcessHolds) {
  FileHandle h = NEWFILE(Path("held.xml"));
  ASSERT_GT(h, 0);
  ASSERT_EQ(PUTBYTES(h, "kept"), 4);
  int child = InChild([&] {
    FileHandle other = NEWFILE(Path("held.xml"));
    bool refused = other == kNoFile && PUTBYTES(other, "x") == 0 && !CLOSEFILE(other) &&
                   !WRITEWHOLE(Path("held.xml"), "y") && ERASEFILE(Path("held.xml")) == -1 &&
                   READWHOLE(Path("held.xml")) == "kept";  // reading shares
    return refused ? 0 : 1;
  });
  EXPECT_EQ(child, 0);
  EXPECT_EQ(Raw("held.xml"), "kept");
  EXPECT_TRUE(CLOSEFILE(h));
  EXPECT_EQ(InChild([&] { return NEWFILE(Path("held.xml")) > 0 ? 0 : 1; }), 0);
}

TEST_F(Files, ErasefileDeletesOneNamedFile) {
  Put("a", "1");
  Put("b", "2");
  EXPECT_EQ(ERASEFILE(Path("a")), 0);
  EXPECT_FALSE(Exists("a"));
  EXPECT_EQ(ERASEFILE(Path("a")), -1);
  EXPECT_EQ(ERASEFILE(Path("*")), -1);  // no wildcards
  EXPECT_TRUE(Exists("b"));
  ASSERT_EQ(mkdir(Path("d").c_str(), 0700), 0);
  EXPECT_EQ(ERASEFILE(Path("d")), -1);
  Put("ro", "x");
  chmod(Path("ro").c_str(), 0444);
  EXPECT_EQ(ERASEFILE(Path("ro")), -1);
  EXPECT_TRUE(Exists("ro"));
  EXPECT_EQ(ERASEFILE(Value(3)), -1);
}

TEST_F(Files, NamesIn852ReachTheSystemAsUtf8) {
  const std::string name852 = Text852("számla_őÁ.xml");
  ASSERT_TRUE(WRITEWHOLE(dir_ + "/" + name852, "x"));
  EXPECT_TRUE(Exists("számla_őÁ.xml"));  // the UTF-8 name
  EXPECT_EQ(READWHOLE(dir_ + "/" + name852), "x");
  EXPECT_TRUE(HASFILE(dir_ + "/" + name852));

  ASSERT_EQ(mkdir(Path("sub").c_str(), 0700), 0);
  ASSERT_TRUE(WRITEWHOLE(dir_ + "\\sub\\" + Text852("ő.txt"), "y"));
  EXPECT_EQ(Raw("sub/ő.txt"), "y");
  EXPECT_EQ(ERASEFILE(dir_ + "\\sub\\" + Text852("ő.txt")), 0);
  EXPECT_FALSE(Exists("sub/ő.txt"));
}

// No name is hidden: a leading "." is an ordinary file name (curl writes
// answers under such names); directories and other entries never count.
TEST_F(Files, HasfileCountsEveryRegularFile) {
  Put("a.xml", "");
  Put(".hidden.xml", "");
  Put("ő.txt", "");
  Put("[b].dat", "");
  ASSERT_EQ(mkdir(Path("sub.xml").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo(Path("fifo.xml").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(Path("none").c_str(), 0700), 0);
  Put("none/.h", "");
  ASSERT_EQ(mkfifo(Path("none/p").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(Path("none/d").c_str(), 0700), 0);

  struct Case {
    std::string name;
    bool found;
  } cases[] = {
      {"a.xml", true},        {"*.xml", true},        {"?.xml", true},
      {"a*", true},           {"*", true},            {"??.xml", false},
      {"A.XML", false},       {".hidden.xml", true},  {".h*", true},
      {"sub.xml", false},     {"sub*", false},        {"fifo.xml", false},
      {"fi*", false},         {Text852("ő.txt"), true}, {"?.txt", true},
      {"[a].xml", false},     {"[ab]*", false},       {"[b].dat", true},
      {"*.dat", true},        {"none", false},        {"none/*", true},
      {"none\\?", false},       {"none/.?", true},      {"none/.", false},     {"", false},            {"missing", false},
      {"*a*l", true},         {"*a*q", false},        {"a.xml*", true},
  };
  for (const auto& c : cases) EXPECT_EQ(HASFILE(dir_ + "/" + c.name), c.found) << c.name;
  EXPECT_FALSE(HASFILE(dir_));
  EXPECT_FALSE(HASFILE(dir_ + "/"));
  EXPECT_FALSE(HASFILE(Value(1)));
  EXPECT_FALSE(HASFILE(dir_ + "/" + std::string(40, '*') + "b"));

  // A bare name looks in the current directory only.
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(Path("sub.xml").c_str()), 0);
  bool bare_elsewhere = HASFILE("a.xml");
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  bool bare_here = HASFILE("a.xml") && HASFILE("*.xml");
  ASSERT_EQ(chdir(here), 0);
  EXPECT_FALSE(bare_elsewhere);
  EXPECT_TRUE(bare_here);
}

TEST(Paths, DirpartAndNamepart) {
  struct Case {
    std::string path, dir, name;
  } cases[] = {
      {"C:\\data\\inv.xml", "C:\\data\\", "inv"},
      {"inv.xml", "", "inv"},
      {"C:inv.xml", "C:", "inv"},
      {"x.tar.gz", "", "x.tar"},
      {".profile", "", ".profile"},
      {"C:\\data\\", "C:\\data\\", ""},
      {"/home/u/a.b.c", "/home/u/", "a.b"},
      {"dir/.profile", "dir/", ".profile"},
      {"a\\b/c.d", "a\\b/", "c"},
      {"a.d/b", "a.d/", "b"},
      {"name.", "", "name"},
      {std::string("ab\0/c.d", 7), "", "ab"},
      {"", "", ""},
      // only the first 263 bytes count
      {std::string(262, 'd') + "/name.xml", std::string(262, 'd') + "/", ""},
      {std::string(250, 'd') + "/" + std::string(49, 'n') + ".xml", std::string(250, 'd') + "/",
       std::string(12, 'n')},
      {std::string(300, 'p'), "", std::string(263, 'p')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DIRPART(c.path), c.dir) << c.path;
    EXPECT_EQ(NAMEPART(c.path), c.name) << c.path;
  }
  EXPECT_EQ(DIRPART(Value(1)), "");
  EXPECT_EQ(NAMEPART(Value()), "");

  std::mt19937 random(1108);
  for (int round = 0; round < 2000; ++round) {
    std::string p(random() % 300, '\0');
    for (char& ch : p) ch = "ab.\\/:\0"[random() % 7];
    std::string dir = DIRPART(p), name = NAMEPART(p);
    EXPECT_LE(dir.size() + name.size(), 263u);
    EXPECT_EQ(p.compare(0, dir.size(), dir), 0);
  }
}
