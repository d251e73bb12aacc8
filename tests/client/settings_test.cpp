// The settings step, running the program's start-up and MAIN: the checks and
// their messages (the real executable), and the defaults and run-wide values
// each setting leads to (a program whose function entry points report the
// settings).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "run_helpers.h"

namespace {

const char kProduction[] = "C:api.onlineszamla.nav.gov.hu";
const char kTest[] = "C:api-test.onlineszamla.nav.gov.hu";


class SettingsStep : public ::testing::Test {
 protected:
  SettingsStep() : curl_(MakeCurlDir(dir_)) {}

  // The file: a found curl, function "0", schema "1.0", then the lines.
  RunResult Run(const std::string& program, const std::vector<std::string>& lines,
                bool with_base = true) {
    std::vector<std::string> all;
    if (with_base)
      all = {"curldir:=\"" + curl_ + "\"", "funkcio:=\"0\"", "xsdverzio:=\"1.0\""};
    all.insert(all.end(), lines.begin(), lines.end());
    std::string par = dir_ / "par.txt";
    WriteBytes(par, CrLfLines(all));
    RunResult r = RunHeadless(program, {par}, dir_.path());
    EXPECT_FALSE(Exists(par));
    return r;
  }
  std::map<std::string, std::string> Probe(const std::vector<std::string>& lines) {
    RunResult r = Run(kProbe, lines);
    EXPECT_EQ(r.exit_code, 0);
    return ProbeReport(r.out);
  }
  std::string Message(const std::string& text) { return BoxLines(std::string(kHeading) + ";;" + text); }

  TempDir dir_;
  std::string curl_;
};

struct SettingCase {
  std::vector<std::string> lines;
  std::map<std::string, std::string> expected;   // "" stands for no value
};

}  // namespace

TEST_F(SettingsStep, DefaultsAndRunWideValues) {
  const std::string curl = "C:" + curl_ + "/";
  const SettingCase cases[] = {
      {{}, {{"CURLDIR", curl}, {"CHARCODE", "C:"}, {"CNAVURL", kProduction},
            {"CKOMMUNIKACIO", "C:Kommunikáció a NAV rendszerével..."}, {"TIMEOUT", "N:60"},
            {"CTIMEOUT", "C:60"}, {"CNAVURL2_3", "C:"}, {"OPERATION", ""}, {"ORIGINAL", ""},
            {"TSOFTWARE", ""}, {"NL", "C:\r"}, {"ENTRY", "TokenExchange"}}},
      {{"curldir:=\"" + curl_ + "/\""}, {{"CURLDIR", curl}}},
      {{"funkcio:=\"01\""}, {{"ENTRY", "TokenExchange"}, {"OPERATION", ""}}},
      {{"funkcio:=\"12\"", "operation:=\"MODIFY\""}, {{"ENTRY", "None"}, {"OPERATION", "C:MODIFY"}}},
      {{"funkcio:=\"7\"", "operation:=5"}, {{"OPERATION", "C:ANNUL"}}},
      {{"funkcio:=\"78\""}, {{"OPERATION", "C:ANNUL"}, {"ENTRY", "None"}}},
      {{"funkcio:=\"7\"", "operation:=\"STORNO\""}, {{"OPERATION", "C:STORNO"}}},
      {{"funkcio:=\"2\""}, {{"ORIGINAL", "C:false"}}},
      {{"funkcio:=\"23\"", "original:=\"true\""}, {{"ORIGINAL", "C:true"}}},
      {{"charcode:=\"ansi\""}, {{"CHARCODE", "C:ANSI"}}},
      {{"charcode:=\"ANSI-1250\""}, {{"CHARCODE", "C:ANSI-1250"}}},
      {{"charcode:=\"utf8\""}, {{"CHARCODE", "C:UTF8"}}},
      {{"charcode:=1250"}, {{"CHARCODE", "C:"}}},
      {{"teszturl:=\"teszt\""}, {{"CNAVURL", kTest}, {"CKOMMUNIKACIO", "C:Kommunikáció a NAV TESZT rendszerével..."}}},
      {{"teszturl:=\"Teszt\""}, {{"CNAVURL", kTest}}},
      {{"teszturl:=\"TESZTOLDAL\""}, {{"CNAVURL", kTest}}},
      {{"teszturl:=\"tst\""}, {{"CNAVURL", kProduction}}},
      {{"teszturl:=\"\""}, {{"CNAVURL", kProduction}}},
      {{"teszturl:=1"}, {{"CNAVURL", kProduction}}},
      {{"xsdverzio:=\"3.0\""}, {{"CNAVURL2_3", "C:v3/"}, {"TSOFTWARE", "A:softwareMainVersion,softwareDevName,softwareDevContact,"}}},
      {{"xsdverzio:=\"2.5\""}, {{"CNAVURL2_3", "C:v2/"}}},
      {{"xsdverzio:=\"1.0\""}, {{"CNAVURL2_3", "C:"}, {"TSOFTWARE", ""}}},
      {{"xsdverzio:=\"2\""}, {{"CNAVURL2_3", "C:"}, {"TSOFTWARE", ""}}},
      {{"xsdverzio:=3"}, {{"XSDVERZIO", "C:2.0"}, {"CNAVURL2_3", "C:v2/"}}},
      {{"timeout:=30.5"}, {{"CTIMEOUT", "C:31"}}},
      {{"timeout:=-5"}, {{"CTIMEOUT", "C:-5"}}},
      {{"timeout:=1234567"}, {{"CTIMEOUT", "C:******"}}},
      {{"timeout:=\"30\""}, {{"TIMEOUT", "N:60"}, {"CTIMEOUT", "C:60"}}},
      {{"cnavurl:=\"evil.example\"", "ctimeout:=\"1\""}, {{"CNAVURL", kProduction}, {"CTIMEOUT", "C:60"}}},
      {{"xsdverzio:=\"2.0\"", "softwareMainVersion:=\"1\"", "softwareDevName:=\"D\"",
        "softwareDevContact:=\"d@x\""},
       {{"SOFTWAREMAINVERSION", "C:1"}, {"SOFTWAREDEVNAME", "C:D"}, {"SOFTWAREDEVCONTACT", "C:d@x"}}},
      {{"xsdverzio:=\"2.0\"", "softwareDevName:=5"},
       {{"SOFTWAREMAINVERSION", "C:"}, {"SOFTWAREDEVNAME", "C:"}, {"SOFTWAREDEVCONTACT", "C:"}}},
  };
  for (const SettingCase& c : cases) {
    std::map<std::string, std::string> report = Probe(c.lines);
    std::string what = c.lines.empty() ? "(base)" : c.lines[0];
    for (const auto& [name, value] : c.expected) {
      if (name == "NL") {
        EXPECT_EQ(report[name].substr(0, 3), value) << what;   // CR LF: the line ends at the LF
        continue;
      }
      EXPECT_EQ(report.count(name) ? report[name] : "", value) << what << " " << name;
    }
  }
}

TEST_F(SettingsStep, ChecksEndTheRunWithTheirMessage) {
  const std::string refused_code = Message("Hibás funkció kód a paraméter fájlban!");
  const std::string no_operation = Message("A megadott paraméter fájlból hiányzik az 'operation' sor!");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"curldir:=\"" + dir_.path() + "/nocurl\""}, Message("A " + dir_.path() + "/nocurl/CURL nem található!")},
      {{"curldir:=\"" + dir_.path() + "/nocurl/\""}, Message("A " + dir_.path() + "/nocurl/CURL nem található!")},
      {{"curldir:=\"\""}, Message("A /CURL nem található!")},
      {{"funkcio:=1"}, refused_code},
      {{"funkcio:=\"9\""}, refused_code},
      {{"funkcio:=\"\""}, refused_code},
      {{"funkcio:=\"17\""}, refused_code},
      {{"funkcio:=\"017\""}, refused_code},
      {{"funkcio:=\" 1\""}, refused_code},
      {{"funkcio:=\"1 \""}, refused_code},
      {{"funkcio:=\"0\"", "funkcio:=\"1\""}, no_operation},
      {{"funkcio:=\"12\""}, no_operation},
      {{"funkcio:=\"1\"", "operation:=1"}, no_operation},
  };
  for (const auto& [lines, message] : cases) {
    RunResult r = Run(KVITALINK_EXE, lines);
    EXPECT_EQ(r.exit_code, 0) << lines[0];
    EXPECT_EQ(r.err, message) << lines[0];
  }
  RunResult no_code = Run(KVITALINK_EXE, {"curldir:=\"" + curl_ + "\""}, false);
  EXPECT_EQ(no_code.err, refused_code);
}

TEST_F(SettingsStep, SoftwareFieldsAreReportedInOrderFromSchemaTwo) {
  RunResult r = Run(KVITALINK_EXE, {"funkcio:=\"78\"", "xsdverzio:=\"2.0\""});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, Message("A 2.0 XSD verziótól softwareMainVersion kötelező!") +
                       Message("A 2.0 XSD verziótól softwareDevName kötelező!") +
                       Message("A 2.0 XSD verziótól softwareDevContact kötelező!"));
  RunResult below = Run(KVITALINK_EXE, {"funkcio:=\"78\""});
  EXPECT_EQ(below.err, "");
}

TEST_F(SettingsStep, CurldirMissingOrANumberEndsInTheReport) {
  RunResult missing = Run(KVITALINK_EXE, {"funkcio:=\"0\""}, false);
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.err.find("Error BASE/1003  Nem létező változó: CURLDIR"), std::string::npos) << missing.err;
  RunResult number = Run(KVITALINK_EXE, {"curldir:=5", "funkcio:=\"0\""}, false);
  EXPECT_EQ(number.exit_code, 1);
  EXPECT_NE(number.err.find("Error BASE/1081  Paraméter hiba: +"), std::string::npos) << number.err;
  EXPECT_NE(number.err.find("Called from MAIN("), std::string::npos);
}
