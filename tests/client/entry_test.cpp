// The start of a run, running the real executable (and a copy of it under
// another name): the argument count, the "//" options, the message heading,
// and the dispatch of every accepted function code (through a program whose
// entry points report which one the run reached).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "run_helpers.h"

namespace {


std::string ArgumentMessage(const std::string& heading) {
  return BoxLines(heading + ";;Paraméter fájl nincs megadva!;;Lsd.: leiras.txt;;;Változások: kvitalink.exe /?");
}


}  // namespace

TEST(Entry, ArgumentCount) {
  TempDir dir;
  std::string first = dir / "first.txt";
  std::string second = dir / "second.txt";
  WriteBytes(first, "curldir:=\"x\"\r\n");
  WriteBytes(second, "curldir:=\"x\"\r\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {first, second}, {"//x", "//y"}}) {
    RunResult r = RunHeadless(KVITALINK_EXE, args, dir.path());
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, ArgumentMessage(kHeading));
    EXPECT_EQ(r.out, "");
  }
  EXPECT_TRUE(Exists(first));
  EXPECT_TRUE(Exists(second));
  // "//" options around the one path are not counted.
  std::string curl = MakeCurlDir(dir);
  WriteBytes(first, CrLfLines({"curldir:=\"" + curl + "\"", "funkcio:=\"78\"", "xsdverzio:=\"1.0\""}));
  RunResult r = RunHeadless(KVITALINK_EXE, {"//first", first, "//LAST"}, dir.path());
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(Exists(first));
}

TEST(Entry, HeadingIsTheExecutableNameInCapitals) {
  TempDir dir;
  std::string renamed = dir / "sz";
  std::filesystem::copy_file(KVITALINK_EXE, renamed);
  std::filesystem::permissions(renamed, std::filesystem::perms::owner_all);
  RunResult none = RunHeadless(renamed, {}, dir.path());
  EXPECT_EQ(none.err, ArgumentMessage("SZ  2022.01"));
  RunResult missing = RunHeadless(renamed, {dir / "nosuch"}, dir.path());
  EXPECT_EQ(missing.err, BoxLines("SZ  2022.01;;A megadott paraméter fájl nem található!"));
}

TEST(Entry, EveryAcceptedFunctionCodeReachesItsEntryPoint) {
  // The runs of "012345678" that begin at `first`, from `shortest` on.
  auto runs = [](char first, size_t shortest) {
    std::vector<std::string> out;
    const std::string rest = std::string("012345678").substr(static_cast<size_t>(first - '0'));
    for (size_t n = shortest; n <= rest.size(); ++n)
      out.push_back(rest.substr(0, n));
    return out;
  };
  const std::vector<std::pair<std::vector<std::string>, std::string>> table = {
      {{"0", "01"}, "TokenExchange"},
      {runs('0', 3), "None"},
      {{"1"}, "TokenExchange"},
      {runs('1', 2), "None"},
      {runs('2', 1), "QueryTransactionStatus"},
      {runs('3', 1), "QueryTaxpayer"},
      {runs('4', 1), "QueryInvoiceDataOrCheck"},
      {runs('5', 1), "QueryInvoiceDataOrCheck"},
      {runs('6', 1), "QueryInvoiceDigest"},
      {{"7"}, "TokenExchange"},
      {{"78"}, "None"},
      {{"8"}, "QueryInvoiceChainDigest"},
  };
  std::map<std::string, std::string> expected;
  for (const auto& [codes, entry] : table)
    for (const std::string& code : codes)
      expected[code] = entry;
  ASSERT_EQ(expected.size(), 45u);

  TempDir dir;
  std::string curl = MakeCurlDir(dir);
  std::string par = dir / "par.txt";
  for (const auto& [code, entry] : expected) {
    WriteBytes(par, CrLfLines({"curldir:=\"" + curl + "\"", "funkcio:=\"" + code + "\"",
                               "operation:=\"CREATE\"", "xsdverzio:=\"1.0\""}));
    RunResult r = RunHeadless(kProbe, {par}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << code;
    EXPECT_EQ(r.err, "") << code;
    EXPECT_EQ(ProbeReport(r.out)["ENTRY"], entry) << code;
  }
}
