// settings_step.cpp: the checks, defaults and run-wide values of the settings.
#include "client/settings_step.h"

#include <string>
#include <vector>

#include "client/evaluator.h"
#include "client/exchange_platform.h"
#include "client/message.h"
#include "foundations/codepage.h"
#include "foundations/files.h"
#include "foundations/levels.h"
#include "foundations/record.h"
#include "foundations/text.h"

const char kProductionHost[] = "api.onlineszamla.nav.gov.hu";
const char kTestHost[] = "api-test.onlineszamla.nav.gov.hu";

namespace {

const int64_t kDefaultTimeout = 60;
const double kTimeoutWidth = 6;

// CURLDIR ends in the separator, and the HTTP client must be in it.
void CheckHttpClient(ProcLevel& level) {
  Record& settings = Settings();
  level.at(__LINE__);
  Value curl_dir = settings.Get("CURLDIR");
  if (TextNe(RIGHTPART(curl_dir, 1), kDirSeparator)) {
    level.at(__LINE__);
    curl_dir = Plus(curl_dir, Value(kDirSeparator));
    settings.Set("CURLDIR", curl_dir);
  }
  if (!HASFILE(Value(curl_dir.text() + kCurlProgram)))
    EndWithMessage(";;A " + curl_dir.text() + UPCASE(kCurlProgram) + Text852(" nem található!"));
}

// The function code, and the operation that codes beginning with "1" need.
std::string CheckFunctionCode(ProcLevel& level) {
  Record& settings = Settings();
  level.at(__LINE__);
  if (EVALTYPE("funkcio") != "C" || !OCCURSIN(settings.GetText("FUNKCIO"), "012345678"))
    EndWithMessage(Text852(";;Hibás funkció kód a paraméter fájlban!"));
  std::string funkcio = settings.GetText("FUNKCIO");
  if (TextEq(funkcio, "1") && EVALTYPE("operation") != "C")
    EndWithMessage(Text852(";;A megadott paraméter fájlból hiányzik az 'operation' sor!"));
  return funkcio;
}

void ApplyDefaults(const std::string& funkcio, ProcLevel& level) {
  Record& settings = Settings();
  level.at(__LINE__);
  if (TextEq(funkcio, "7") && EVALTYPE("operation") != "C")
    settings.Set("OPERATION", Value("ANNUL"));
  if (EVALTYPE("charcode") != "C")
    settings.Set("CHARCODE", Value(""));
  settings.Set("CHARCODE", Value(UPCASE(settings.GetText("CHARCODE"))));
  if (TextEq(funkcio, "2") && EVALTYPE("original") != "C")
    settings.Set("ORIGINAL", Value("false"));
  if (EVALTYPE("teszturl") == "C" && TextEq(UPCASE(settings.GetText("TESZTURL")), "TESZT")) {
    settings.Set("CNAVURL", Value(kTestHost));
    settings.Set("CKOMMUNIKACIO", Value(Text852("Kommunikáció a NAV TESZT rendszerével...")));
  } else {
    settings.Set("CNAVURL", Value(kProductionHost));
    settings.Set("CKOMMUNIKACIO", Value(Text852("Kommunikáció a NAV rendszerével...")));
  }
  if (EVALTYPE("xsdverzio") != "C")
    settings.Set("XSDVERZIO", Value("2.0"));
  if (EVALTYPE("timeout") != "N")
    settings.Set("TIMEOUT", Value(kDefaultTimeout));
  settings.Set("CTIMEOUT", Value(TRIMBOTH(NUMTEXT(settings.Get("TIMEOUT").number(), kTimeoutWidth))));
}

// From schema version "2.0": the version path segment and the software fields.
void ApplySchemaVersion(ProcLevel& level) {
  Record& settings = Settings();
  level.at(__LINE__);
  std::string version = settings.GetText("XSDVERZIO");
  settings.Set("CNAVURL2_3", Value(""));
  if (!TextGe(version, "2.0"))
    return;
  settings.Set("CNAVURL2_3", Value("v" + LEFTPART(version, 1) + "/"));
  const std::vector<Value> fields = {Value("softwareMainVersion"), Value("softwareDevName"),
                                     Value("softwareDevContact")};
  settings.Set("TSOFTWARE", Value::List(fields));
  for (const Value& field : fields) {
    if (EVALTYPE(field.text()) == "C")
      continue;
    HeadedMessage(Text852(";;A 2.0 XSD verziótól ") + field.text() + Text852(" kötelező!"));
    SETBYNAME(field.text(), Value(""));
  }
}

}  // namespace

void ApplySettings(ProcLevel& level) {
  CheckHttpClient(level);
  std::string funkcio = CheckFunctionCode(level);
  ApplyDefaults(funkcio, level);
  ApplySchemaVersion(level);
}
