// The Windows halves of the platform layer, run under Wine with the ANSI code
// page 1250, the OEM code page 852 and the zone Europe/Budapest: the sharing
// and attribute rules of the file operations, names with accented letters,
// the machine's code pages, the clock's conversion to UTC, the command line
// as GetCommandLineW gives it, and the HTTP client's command line: its items
// as the C runtime splits them, the program started without cmd.exe.
#include <gtest/gtest.h>

#include <windows.h>
// (after windows.h, which it needs)
#include <shellapi.h>

#include <string>
#include <string_view>
#include <vector>

#include "client/console/process.h"
#include "client/exchange_platform.h"
#include "client/console/process_platform.h"
#include "foundations/clock_platform.h"
#include "foundations/codepage.h"
#include "foundations/files.h"

namespace {

// A fresh directory under the system's temporary folder, removed with its
// files at the end.
class Win32Dir : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    static int serial = 0;
    dir_ = std::wstring(temp) + L"kv_win32_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(++serial);
    ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr));
  }
  void TearDown() override { RemoveTree(dir_); }

  static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = dir + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(path);
        else
          DeleteFileW(path.c_str());
      } while (FindNextFileW(search, &entry));
      FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
  }

  // The directory in code page 852 (the temporary folder's name is ASCII).
  std::string Dir852() const { return std::string(dir_.begin(), dir_.end()); }
  std::string Path852(const std::string& name) const { return Dir852() + "\\" + name; }

  void MakeFile(const std::wstring& name, DWORD attributes) {
    std::wstring path = dir_ + L"\\" + name;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(h);
  }

  std::wstring dir_;
};

using Win32Files = Win32Dir;

TEST_F(Win32Files, ASecondCreatorIsRefusedByTheSystem) {
  const std::string name = Path852("request.xml");
  FileHandle first = NEWFILE(Value(name));
  ASSERT_GT(first, 0);
  EXPECT_EQ(PUTBYTES(first, "abc"), 3);
  EXPECT_EQ(NEWFILE(Value(name)), kNoFile);
  EXPECT_EQ(LastFileError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(WRITEWHOLE(Value(name), "other"));
  EXPECT_EQ(READWHOLE(Value(name)), "");   // the creator shares nothing
  EXPECT_EQ(ERASEFILE(Value(name)), -1);
  EXPECT_TRUE(CLOSEFILE(first));
  EXPECT_EQ(READWHOLE(Value(name)), "abc");
  FileHandle again = NEWFILE(Value(name));
  ASSERT_GT(again, 0);
  EXPECT_EQ(LastFileError(), 0);
  EXPECT_TRUE(CLOSEFILE(again));
  EXPECT_EQ(READWHOLE(Value(name)), "");   // created anew: empty
  EXPECT_EQ(ERASEFILE(Value(name)), 0);
  EXPECT_FALSE(HASFILE(Value(name)));
}

// The size of a file being written, and a write over its placeholder after
// which writing goes on at the end.
TEST_F(Win32Files, PutBytesAtWritesOverTheOpenFileAndReturnsToItsEnd) {
  const std::string name = Path852("request.xml");
  FileHandle h = NEWFILE(Value(name));
  ASSERT_GT(h, 0);
  EXPECT_EQ(PUTBYTES(h, "<s>0000</s>\r\n"), 13);
  EXPECT_EQ(OpenFileSize(h), 13);
  EXPECT_TRUE(PutBytesAt(h, 3, "AB12"));
  EXPECT_EQ(PUTBYTES(h, "<t/>"), 4);
  EXPECT_EQ(OpenFileSize(h), 17);
  EXPECT_TRUE(CLOSEFILE(h));
  EXPECT_EQ(READWHOLE(Value(name)), "<s>AB12</s>\r\n<t/>");
}

// The rewrite replaces the file in one step; a file that another process
// holds open, or a read-only one, stays as it was with nothing beside it.
TEST_F(Win32Files, RewriteBesideReplacesTheFileOrLeavesItAsItWas) {
  const std::string name = Path852("answer.xml");
  auto upper = [](std::string_view piece) {
    static std::string out;
    out.assign(piece);
    for (char& c : out)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return std::string_view(out);
  };
  ASSERT_TRUE(WRITEWHOLE(Value(name), "abc\x1A"));
  EXPECT_TRUE(RewriteBeside(Value(name), 2, upper));
  EXPECT_EQ(READWHOLE(Value(name)), "ABC");
  EXPECT_FALSE(HASFILE(Value(name + kRewriteSuffix)));

  ASSERT_TRUE(WRITEWHOLE(Value(name), "abc"));
  const std::wstring wide = dir_ + L"\\answer.xml";
  HANDLE held = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(RewriteBeside(Value(name), 2, upper));
  CloseHandle(held);
  EXPECT_EQ(READWHOLE(Value(name)), "abc");
  EXPECT_FALSE(HASFILE(Value(name + kRewriteSuffix)));

  ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(RewriteBeside(Value(name), 2, upper));
  EXPECT_EQ(READWHOLE(Value(name)), "abc");
  EXPECT_FALSE(HASFILE(Value(name + kRewriteSuffix)));
}

TEST_F(Win32Files, ACreationInAMissingDirectoryGivesTheSystemsErrorNumber) {
  EXPECT_EQ(NEWFILE(Value(Path852("missing\\x.xml"))), kNoFile);
  EXPECT_EQ(LastFileError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(Win32Files, DirectoriesHiddenAndSystemFilesDoNotCount) {
  struct Case {
    const wchar_t* name;
    DWORD attributes;
    bool counts;
  };
  const std::vector<Case> cases = {
      {L"plain.xml", FILE_ATTRIBUTE_NORMAL, true},
      {L"readonly.xml", FILE_ATTRIBUTE_READONLY, true},
      {L"archived.xml", FILE_ATTRIBUTE_ARCHIVE, true},
      {L"hidden.xml", FILE_ATTRIBUTE_HIDDEN, false},
      {L"system.xml", FILE_ATTRIBUTE_SYSTEM, false},
      {L".dotted.xml", FILE_ATTRIBUTE_NORMAL, true},
  };
  for (const Case& c : cases) {
    MakeFile(c.name, c.attributes);
    std::string name(c.name, c.name + wcslen(c.name));
    EXPECT_EQ(HASFILE(Value(Path852(name))), c.counts) << name;
  }
  ASSERT_TRUE(CreateDirectoryW((dir_ + L"\\folder.xml").c_str(), nullptr));
  EXPECT_FALSE(HASFILE(Value(Path852("folder.xml"))));
  EXPECT_FALSE(HASFILE(Value(Dir852())));
  EXPECT_EQ(ERASEFILE(Value(Path852("folder.xml"))), -1);
}

TEST_F(Win32Files, WildcardsCountOnlyAVisibleMatch) {
  MakeFile(L"a.xml", FILE_ATTRIBUTE_HIDDEN);
  MakeFile(L"b.xml", FILE_ATTRIBUTE_SYSTEM);
  ASSERT_TRUE(CreateDirectoryW((dir_ + L"\\c.xml").c_str(), nullptr));
  EXPECT_FALSE(HASFILE(Value(Path852("*.xml"))));
  EXPECT_FALSE(HASFILE(Value(Path852("?.xml"))));
  MakeFile(L"d.xml", FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(HASFILE(Value(Path852("*.xml"))));
  EXPECT_TRUE(HASFILE(Value(Path852("?.xml"))));
  EXPECT_FALSE(HASFILE(Value(Path852("??.xml"))));
}

TEST_F(Win32Files, AccentedNamesReachTheFileSystemAsTheirCharacters) {
  // "őÁ.xml" in code page 852: ő 0x8B, Á 0xB5.
  const std::string name = Path852("\x8B\xB5.xml");
  ASSERT_TRUE(WRITEWHOLE(Value(name), "x\x1A"));
  const std::wstring wide = dir_ + L"\\\u0151\u00C1.xml";
  EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(HASFILE(Value(name)));
  EXPECT_TRUE(HASFILE(Value(Path852("\x8B*"))));
  EXPECT_EQ(READWHOLE(Value(name)), "x");
  EXPECT_EQ(ERASEFILE(Value(name)), 0);
  EXPECT_EQ(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32CodePages, TheMachinesAnsiAndOemPages) {
  ASSERT_EQ(GetACP(), 1250u) << "run with LANG=hu_HU.UTF-8";
  ASSERT_EQ(GetOEMCP(), 852u) << "run with LANG=hu_HU.UTF-8";
  EXPECT_EQ(ACPTOOEM(Value("\xF5")), "\x8B");   // ő
  EXPECT_EQ(OEMTOACP(Value("\x8B")), "\xF5");
  EXPECT_EQ(ACPTOOEM(Value("\xC1rv\xEDzt\xFBr\xF5")), "\xB5rv\xA1zt\xFBr\x8B");  // Árvíztűrő
  EXPECT_EQ(OEMTOACP(Value("\xB5rv\xA1zt\xFBr\x8B")), "\xC1rv\xEDzt\xFBr\xF5");
  EXPECT_EQ(ACPTOOEM(Value(std::string("a\0b\r\n", 5))), std::string("a\0b\r\n", 5));
  EXPECT_EQ(ACPTOOEM(Value("")), "");
  EXPECT_EQ(OEMTOACP(Value("")), "");
}

TEST(Win32Clock, LocalTimeToUtcByTheZoneRulesOfTheDate) {
  struct Case {
    BrokenTime local, utc;
  };
  const std::vector<Case> cases = {
      {{2022, 7, 1, 12, 0, 0, 0}, {2022, 7, 1, 10, 0, 0, 0}},
      {{2022, 1, 1, 0, 30, 0, 0}, {2021, 12, 31, 23, 30, 0, 0}},
      {{2022, 11, 14, 18, 3, 16, 0}, {2022, 11, 14, 17, 3, 16, 0}},
  };
  for (const Case& c : cases) {
    BrokenTime utc{};
    ASSERT_TRUE(PlatformLocalToUtc(c.local, &utc)) << "run with TZ=Europe/Budapest";
    EXPECT_EQ(utc.year, c.utc.year);
    EXPECT_EQ(utc.month, c.utc.month);
    EXPECT_EQ(utc.day, c.utc.day);
    EXPECT_EQ(utc.hour, c.utc.hour);
    EXPECT_EQ(utc.minute, c.utc.minute);
    EXPECT_EQ(utc.second, c.utc.second);
  }
  long offset = PlatformPresentOffset();
  EXPECT_TRUE(offset == 3600 || offset == 7200) << offset;
}

// The arguments probe as a child with a command line of the test's choosing;
// its standard output and error and its exit code.
struct ProbeRun {
  std::string out, err;
  DWORD exit_code = 0;
};

// A program built beside this test.
std::wstring SiblingPath(const std::wstring& name) {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

std::wstring ProbePath() { return SiblingPath(L"arguments_probe.exe"); }

std::string ReadBack(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  std::string data;
  if (h == INVALID_HANDLE_VALUE) return data;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) data.append(buffer, got);
  CloseHandle(h);
  return data;
}

class Win32Process : public Win32Dir {
 protected:
  ProbeRun RunProbe(const std::wstring& command_line) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    std::wstring out_path = dir_ + L"\\out.txt", err_path = dir_ + L"\\err.txt";
    HANDLE out = CreateFileW(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileW(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    std::wstring line = command_line;
    std::wstring probe = ProbePath();
    ProbeRun run;
    if (CreateProcessW(probe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
      WaitForSingleObject(process.hProcess, INFINITE);
      GetExitCodeProcess(process.hProcess, &run.exit_code);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    } else {
      ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
    }
    CloseHandle(out);
    CloseHandle(err);
    run.out = ReadBack(out_path);
    run.err = ReadBack(err_path);
    return run;
  }
};

// The probe's line for an argument: its bytes in hex, " lost" when code page
// 852 could not hold it.
std::string Hex(const std::string& bytes, bool lost = false) {
  std::string out = "[";
  const char* digits = "0123456789abcdef";
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out + (lost ? "] lost\n" : "]\n");
}

TEST_F(Win32Process, TheCommandLineIsSplitByTheProgramsOwnRule) {
  // No escapes: quotes toggle anywhere, a backslash is ordinary, "" is an
  // empty argument; "ő" and "Á" become their 852 bytes. "€" has no byte and
  // becomes "?"; "À" has none either and becomes the byte of "└": both are
  // marked as lost, whatever else the word holds.
  ProbeRun run = RunProbe(
      L"\"C:\\some dir\\kvitalink.exe\" plain \"with  blank\" //headless a\"b c\"d "
      L"C:\\x\\\" \u0151\u00C1\" \"\" \"param\u20AC 1.txt\" \u00C0\u0151 param?.txt");
  std::string expected = Hex("plain") + Hex("with  blank") + Hex("//headless") + Hex("ab cd") +
                         Hex("C:\\x\\ \x8B\xB5") + Hex("") + Hex("param? 1.txt", true) +
                         Hex("\xC0\x8B", true) + Hex("param?.txt");
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(run.exit_code, 9u);
  EXPECT_EQ(run.err, "\x8B");   // standard error takes the 852 bytes as they stand
  EXPECT_EQ(SplitCommandLine("kvitalink.exe //headless x.txt"), std::vector<std::string>{"x.txt"});
}

// The program started from the line's first item with this process's
// standard handles; its exit status, -1 when nothing can be started (no
// command interpreter takes the line).
TEST_F(Win32Process, TheProgramRunsWithTheStandardHandlesAndGivesItsExitStatus) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const std::wstring out_path = dir_ + L"\\out.txt", err_path = dir_ + L"\\err.txt";
  HANDLE out = CreateFileW(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, 0, nullptr);
  HANDLE err = CreateFileW(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, 0, nullptr);
  HANDLE previous_out = GetStdHandle(STD_OUTPUT_HANDLE), previous_err = GetStdHandle(STD_ERROR_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, out);
  SetStdHandle(STD_ERROR_HANDLE, err);
  const std::wstring probe_path = ProbePath();   // ASCII: the build directory's
  const std::string probe = CommandLinePath(std::string(probe_path.begin(), probe_path.end()));
  const int status = RunCommandInterpreter(probe + " one two three");
  SetStdHandle(STD_OUTPUT_HANDLE, previous_out);
  SetStdHandle(STD_ERROR_HANDLE, previous_err);
  CloseHandle(out);
  CloseHandle(err);
  EXPECT_EQ(status, 3);
  EXPECT_EQ(ReadBack(out_path), Hex("one") + Hex("two") + Hex("three"));
  EXPECT_EQ(ReadBack(err_path), "\x8B");

  EXPECT_EQ(RunCommandInterpreter("cmd /c exit 7"), 7);
  EXPECT_EQ(RunCommandInterpreter("exit 0"), -1);
  EXPECT_EQ(RunCommandInterpreter(CommandLinePath(Path852("missing\\curl.exe")) + " -s"), -1);
  EXPECT_EQ(RunCommandInterpreter(""), -1);
  const std::string executable = ExecutablePath();
  EXPECT_EQ(executable.substr(executable.size() - 25), "\\platform_win32_tests.exe");
}

// Each item in double quotes as the C runtime splits them: a '"' inside as
// \", backslashes doubled only where a quote follows them; CommandLineToArgvW
// gives each text back.
TEST(Win32CommandLine, EachItemSplitsBackIntoItsText) {
  struct Case {
    std::string text, quoted;
  };
  const std::vector<Case> cases = {
      {"plain", "\"plain\""},
      {"", "\"\""},
      {"  two  blanks ", "\"  two  blanks \""},
      {"a\"b", "\"a\\\"b\""},
      {"\"", "\"\\\"\""},
      {"C:\\x\\\\y", "\"C:\\x\\\\y\""},           // no quote follows: as they stand
      {"C:\\dir\\", "\"C:\\dir\\\\\""},             // the closing quote follows
      {"a\\\\\"b", "\"a\\\\\\\\\\\"b\""},     // two backslashes, then a quote
      {"%PATH% %% ^& | <>", "\"%PATH% %% ^& | <>\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CommandLineWord(c.text), c.quoted) << c.text;
    std::wstring line = L"x.exe " + std::wstring(c.quoted.begin(), c.quoted.end());
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(argv, nullptr);
    EXPECT_EQ(count, 2) << c.quoted;
    if (count == 2) {
      EXPECT_EQ(std::wstring(argv[1]), std::wstring(c.text.begin(), c.text.end())) << c.quoted;
    }
    LocalFree(argv);
  }
  EXPECT_EQ(CommandLinePath("C:\\curl\\\\curl.exe"), "\"C:\\curl\\\\curl.exe\"");
}

// The curl stand-in in a folder whose name cmd.exe would have expanded and
// split, given the texts that cmd.exe reads as its own: every item reaches
// it as it was (its C runtime's argv), and the request it posts is the file
// that was named.
TEST_F(Win32Process, TheClientGetsEveryItemAsItStands) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"KV_STANDIN_DIR", dir_.c_str()));
  ASSERT_TRUE(SetEnvironmentVariableW(L"KV_QUOTES", L"\" x \""));
  ASSERT_TRUE(SetEnvironmentVariableW(L"USERNAME", L"kvuser"));
  const std::wstring folder = dir_ + L"\\curl %KV_QUOTES% & ^dir";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(SiblingPath(L"curl.exe").c_str(), (folder + L"\\curl.exe").c_str(), FALSE));
  const std::string request = Path852("req %USERNAME% ^&%%.xml");
  ASSERT_TRUE(WRITEWHOLE(Value(request), "<request/>"));
  const std::vector<std::string> texts = {
      "%USERNAME%", "%KV_QUOTES%", "%%", "^", "&", "|", "a\"b", "\"", "trail\\", "two\\\\",
      "a\\\"b", "  blanks  ", "", "https://h/invoiceService/v3/op"};
  std::string line = CommandLinePath(Dir852() + "\\curl %KV_QUOTES% & ^dir\\curl.exe") + " -d @" +
                     CommandLinePath(request);
  std::string expected = "-d\n@" + request + "\n";
  for (const std::string& text : texts) {
    line += " " + CommandLineWord(text);
    expected += text + "\n";
  }
  EXPECT_EQ(RunCommandInterpreter(line), 0);
  EXPECT_EQ(ReadBack(dir_ + L"\\record\\1-op.args"), expected);
  EXPECT_EQ(ReadBack(dir_ + L"\\record\\1-op.line"), line);
  EXPECT_EQ(ReadBack(dir_ + L"\\record\\1-op.request"), "<request/>");
  SetEnvironmentVariableW(L"KV_STANDIN_DIR", nullptr);
}

}  // namespace
