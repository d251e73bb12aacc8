// The parameter file: what a file's lines leave in the settings record (read
// in-process), and, running the real executable, the message, exit code and
// deletion for each kind of faulty file.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "client/parameter_file.h"
#include "client/secret_mask.h"
#include "foundations/codepage.h"
#include "foundations/record.h"
#include "run_helpers.h"

namespace {

const std::string kExe = KVITALINK_EXE;

// The line as the message shows it: padded with blanks to 150 characters.
std::string Padded(const std::string& line, size_t characters = 0) {
  return line + std::string(150 - (characters ? characters : line.size()), ' ');
}

std::string Refused(const std::string& line_utf8, const std::string& heading = kHeading) {
  return BoxLines(heading + ";;A megadott paraméter fájl hibás!;;" + line_utf8);
}

// Reads the file in-process into a fresh record.
Record& ReadIntoSettings(const TempDir& dir, const std::string& bytes) {
  std::string path = dir / "par.txt";
  WriteBytes(path, bytes);
  Settings().Clear();
  ReadParameterFile(Value(path));
  EXPECT_FALSE(Exists(path));
  return Settings();
}

}  // namespace

TEST(ParameterFile, AcceptedLinesLeaveTheirValues) {
  TempDir dir;
  Record& s = ReadIntoSettings(dir, CrLfLines({
      "login:=\"first\"",
      "login:=\"abc\"   && the later line for a key holds",
      "",
      " \t  \t",
      "taxnumber:=\"x&login.y\"",
      "xmlkulcs:=\"x&nosuch\"",
      "charcode:='ANSI'",
      "operation:=[CREATE]",
      "softwareName:=\"it's\"",
      "password:=\"a\tb\"",
      // Windows-1250 bytes of "Kovács Ödön"
      "softwareDevName:=\"Kov\xE1" "cs \xD6" "d\xF6" "n\"",
      "timeout:=30",
      "lap:=-2.5",
      "p:=\"0\"",
      "p:=\"&p.1\"",
  }) + "\x1A");
  EXPECT_EQ(s.Get("LOGIN").text(), "abc");
  EXPECT_EQ(s.Get("TAXNUMBER").text(), "xabcy");
  EXPECT_EQ(s.Get("XMLKULCS").text(), "x&nosuch");
  EXPECT_EQ(s.Get("CHARCODE").text(), "ANSI");
  EXPECT_EQ(s.Get("OPERATION").text(), "CREATE");
  EXPECT_EQ(s.Get("SOFTWARENAME").text(), "it's");
  EXPECT_EQ(s.Get("PASSWORD").text(), "a    b");   // the tab at column 12 reaches column 16
  EXPECT_EQ(s.Get("SOFTWAREDEVNAME").text(), Text852("Kovács Ödön"));
  EXPECT_EQ(s.Get("TIMEOUT").number(), 30);
  EXPECT_EQ(s.Get("LAP").number(), -2.5);
  EXPECT_EQ(s.Get("P").text(), "011");   // each line is evaluated twice
}

TEST(ParameterFile, WideLinesAreReadInPieces) {
  TempDir dir;
  Record& s = ReadIntoSettings(dir, CrLfLines({
      "login:=\"abc\"" + std::string(140, ' ') + "timeout:=30",
  }));
  EXPECT_EQ(s.Get("LOGIN").text(), "abc");
  EXPECT_EQ(s.Get("TIMEOUT").number(), 30);
}

TEST(ParameterFile, LinesCannotAlterTheReading) {
  TempDir dir;
  Record& s = ReadIntoSettings(dir, CrLfLines({
      "i:=1",
      "cparfajl:=\"\"",
      "a:=\"charcode:=.t.\"",
      "k:=3",
      "password:=\"&password\"",
      "login:=\"after\"",
  }));
  EXPECT_EQ(s.Get("LOGIN").text(), "after");
  EXPECT_EQ(s.Get("I").number(), 1);
  EXPECT_EQ(s.Get("A").text(), "charcode:=.t.");
  EXPECT_EQ(s.Get("PASSWORD").text(), "&password");
  EXPECT_FALSE(s.Has("CHARCODE"));
}

struct FileCase {
  const char* what;
  std::string bytes;
  std::string err;
  int exit_code;
};

TEST(ParameterFile, FaultyFilesEndWithTheirMessage) {
  TempDir dir;
  std::string curl = MakeCurlDir(dir);
  std::string good = CrLfLines({"curldir:=\"" + curl + "\"", "funkcio:=\"78\"", "xsdverzio:=\"1.0\""});
  std::string victim = dir / "victim.txt";
  std::string wide = "softwareName:=\"";
  for (int i = 0; i < 40; ++i)
    wide += "word ";
  wide += "\"";
  const FileCase cases[] = {
      {"accepted", good, "", 0},
      {"trailing comment", CrLfLines({"login:=\"abc\"    && comment"}) + good, "", 0},
      {"&& inside quotes", CrLfLines({"password:=\"ab&&cd\"", "login:=\"x\""}) + good,
       Refused("password:=\"**"), 0},
      {"LF only, secrets masked",
       "login:=\"abc\"\npassword:=\"Jel szo\"\nxmlkulcs:='k1'\ntechkulcs:=[k2]\n",
       Refused(Padded("login:=\"abc\"\npassword:=\"*******\"\nxmlkulcs:='**'\ntechkulcs:=[**]\n")),
       0},
      {"password without its closing quote", CrLfLines({"PassWord := \"Jelszo123"}) + good,
       Refused(Padded("PassWord := \"*********")), 0},
      {"comment only", CrLfLines({"&& comment"}) + good, Refused(""), 0},
      {"blanks and comment", CrLfLines({"   && comment"}) + good, Refused(""), 0},
      {"LF only", "login:=\"abc\"\nfunkcio:=\"0\"\n",
       Refused(Padded("login:=\"abc\"\nfunkcio:=\"0\"\n")), 0},
      {"logical", CrLfLines({"teszturl:=.t."}) + good, Refused(Padded("teszturl:=.t.")), 0},
      {"= instead of :=", CrLfLines({"funkcio=\"1\""}) + good, Refused(Padded("funkcio=\"1\"")), 0},
      {": =", CrLfLines({"funkcio: =\"1\""}) + good, Refused(Padded("funkcio: =\"1\"")), 0},
      {"a call", CrLfLines({"x:=ERASEFILE(\"" + victim + "\")"}) + good,
       Refused(Padded("x:=ERASEFILE(\"" + victim + "\")")), 0},
      {"accented refused line", CrLfLines({"x:=\"\xE1rv\xEDzt\xFBr\xF5", "x"}) + good,
       Refused(Padded("x:=\"árvíztűrő", 13)), 0},
      {"refused line 5", CrLfLines({"login:=\"a\"", "password:=\"b\"", "taxnumber:=\"c\"",
                                    "proginev:=\"SET BY LINE 4\"", "bad line", "funkcio:=\"0\""}) + good,
       Refused(Padded("bad line"), "SET BY LINE 4"), 0},
  };
  for (const FileCase& c : cases) {
    WriteBytes(victim, "keep");
    std::string par = dir / "par.txt";
    WriteBytes(par, c.bytes);
    RunResult r = RunHeadless(kExe, {par}, dir.path());
    EXPECT_EQ(r.exit_code, c.exit_code) << c.what;
    EXPECT_EQ(r.err, c.err) << c.what;
    EXPECT_FALSE(Exists(par)) << c.what;
    EXPECT_TRUE(Exists(victim)) << c.what;
  }
  {
    std::string par = dir / "wide.txt";
    WriteBytes(par, CrLfLines({wide}) + good);
    RunResult r = RunHeadless(kExe, {par}, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    std::string start = std::string(kHeading) + "\n\nA megadott paraméter fájl hibás!\n\n";
    EXPECT_EQ(r.err.substr(0, start.size()), start);
    EXPECT_EQ(r.err.substr(start.size(), 24), "softwareName:=\"word word");
    EXPECT_FALSE(Exists(par));
  }
}

// An empty file, and one without CURLDIR, end in the report for CURLDIR; a
// name beginning with "." is an ordinary file, read and deleted like any
// other.
// The secret values in a shown line: every form a caller may write, and the
// names that only resemble the keys.
TEST(ParameterFile, SecretsAreMaskedInTheShownLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"password:=\"Jelszo123\"", "password:=\"*********\""},
      {"XMLKULCS:='a b'  ", "XMLKULCS:='***'  "},
      {"techkulcs = [k]", "techkulcs = [*]"},
      {"password==12345 x", "password==***** x"},
      {"password\"abc\"", "password\"***\""},
      {"password:=\"unclosed   ", "password:=\"********   "},
      {"password:=", "password:="},
      {"passwordx:=\"a\" xpassword:=\"b\" login:=\"c\"",
       "passwordx:=\"a\" xpassword:=\"b\" login:=\"c\""},
      {"x:=\"&password\"", "x:=\"&password\""},
      {"a:=1\ntechkulcs:=\"k\"\nxmlkulcs:=\"\xA0\"", "a:=1\ntechkulcs:=\"*\"\nxmlkulcs:=\"*\""},
  };
  for (const auto& [line, shown] : cases)
    EXPECT_EQ(MaskSecrets(line), shown) << line;
}

TEST(ParameterFile, EmptyFileEndsInTheReportForCurldir) {
  TempDir dir;
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
           {"par.txt", ""}, {".par", "login:=\"x\"\r\n"}}) {
    std::string par = dir / name;
    WriteBytes(par, bytes);
    RunResult r = RunHeadless(kExe, {par}, dir.path());
    EXPECT_EQ(r.exit_code, 1) << name;
    EXPECT_NE(r.err.find("Error BASE/1003  Nem létező változó: CURLDIR"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Called from MAIN("), std::string::npos) << r.err;
    EXPECT_FALSE(Exists(par)) << name;
  }
}

TEST(ParameterFile, MissingFileIsReportedAndNothingDeleted) {
  TempDir dir;
  std::filesystem::create_directory(dir / "adir");
  for (const std::string& path : {dir / "nosuch.txt", dir / "adir"}) {
    RunResult r = RunHeadless(kExe, {path}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << path;
    EXPECT_EQ(r.err, BoxLines(std::string(kHeading) + ";;A megadott paraméter fájl nem található!")) << path;
  }
  EXPECT_TRUE(Exists(dir / "adir"));
}

// A name that code page 852 cannot hold is not found: "€" would become "?",
// which the existence test takes as a wildcard, and "À" the byte of "└". The
// file is not read or deleted, nor the one that the converted name names; a
// name that the code page holds ("ő") is read as usual.
TEST(ParameterFile, ANameTheCodePageCannotHoldIsNotFound) {
  TempDir dir;
  const std::string curl = MakeCurlDir(dir);
  const std::string good =
      CrLfLines({"curldir:=\"" + curl + "\"", "funkcio:=\"78\"", "xsdverzio:=\"1.0\""});
  const std::string not_found = BoxLines(std::string(kHeading) + ";;A megadott paraméter fájl nem található!");
  struct Case {
    std::string named, converted;
    bool found;
  };
  for (const Case& c : std::vector<Case>{{"param€.txt", "param?.txt", false},
                                         {"paramÀ.txt", "param└.txt", false},
                                         {"paramő.txt", "", true}}) {
    WriteBytes(dir / c.named, good);
    if (!c.converted.empty())
      WriteBytes(dir / c.converted, good);
    RunResult r = RunHeadless(kExe, {dir / c.named}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << c.named;
    EXPECT_EQ(r.err, c.found ? "" : not_found) << c.named;
    EXPECT_EQ(Exists(dir / c.named), !c.found) << c.named;
    if (!c.converted.empty()) {
      EXPECT_TRUE(Exists(dir / c.converted)) << c.converted;
    }
  }
}

// No file, however malformed, crashes or hangs the program: each ends with
// its message (exit 0) or the run-time error report (exit 1), and the file
// is gone.
TEST(ParameterFile, MalformedFilesEndCleanly) {
  TempDir dir;
  std::string curl = MakeCurlDir(dir);
  std::string good = CrLfLines({"curldir:=\"" + curl + "\"", "funkcio:=\"78\"", "xsdverzio:=\"1.0\""});
  std::mt19937 random(20221111);
  std::vector<std::string> files;
  for (int i = 0; i < 6; ++i) {
    std::string bytes(2000 + 3000 * i, '\0');
    for (char& c : bytes)
      c = static_cast<char>(random());
    files.push_back(bytes);
  }
  files.push_back(std::string("login:=\"a\0b\"\r\n", 15) + good);
  files.push_back(std::string(5000, '\0'));
  files.push_back("login:=\"a\"\rfunkcio:=\"0\"\r" + good);
  files.push_back(std::string(5000, '\r'));
  files.push_back("login:=\"" + std::string(1 << 20, 'x') + "\"\r\n" + good);
  files.push_back(std::string(1 << 20, 'x') + good);
  files.push_back(std::string(1 << 20, ' ') + "\r\n" + good);
  files.push_back(CrLfLines({"password:=\"&password\"", "login:=\"&login&login&password\""}) + good);
  files.push_back(CrLfLines({"a:=\"&b\"", "b:=\"&a\"", "c:=\"&a&b\""}) + good);
  std::vector<std::string> doubling = {"v:=\"0123456789\""};
  for (int i = 0; i < 200; ++i)
    doubling.push_back("v:=\"&v&v\"");
  files.push_back(CrLfLines(doubling) + good);
  files.push_back(CrLfLines({"x:=" + std::string(140, '(') + "1" + std::string(140, ')')}) + good);
  files.push_back(CrLfLines({"x:=" + std::string(140, '[')}) + good);
  std::string quotes;
  for (int i = 0; i < 70; ++i)
    quotes += i % 2 ? "'\"" : "\"'";
  files.push_back(CrLfLines({"x:=" + quotes, "x:=(" + quotes + ")"}) + good);
  files.push_back(CrLfLines({"x:=f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f("
                             "f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(f(1"}) + good);
  files.push_back(CrLfLines({"proginev:=5", "bad"}) + good);
  files.push_back(CrLfLines({"curldir:=5", "funkcio:=\"0\""}));
  for (size_t i = 0; i < files.size(); ++i) {
    std::string par = dir / "par.txt";
    WriteBytes(par, files[i]);
    RunResult r = RunHeadless(kExe, {par}, dir.path(), 60);
    EXPECT_TRUE(r.exit_code == 0 || r.exit_code == 1) << "file " << i << ": " << r.exit_code;
    if (r.exit_code == 1) {
      EXPECT_NE(r.err.find("Called from MAIN("), std::string::npos) << "file " << i;
    }
    EXPECT_FALSE(Exists(par)) << "file " << i;
  }
}
