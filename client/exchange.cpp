// exchange.cpp: the exchange runner: the curl command line, the run with its
// status line, and the post-processing of the response file.
#include "client/exchange.h"

#include <memory>
#include <vector>

#include "client/console/console.h"
#include "client/console/process.h"
#include "client/exchange_platform.h"
#include "client/function_steps.h"
#include "foundations/codepage.h"
#include "foundations/files.h"
#include "foundations/record.h"
#include "foundations/text.h"

namespace {

const int kStatusRow = 2;
const int kLastColumn = 79;

bool IsManageOperation(const std::string& operation) {
  return operation == "manageInvoice" || operation == "manageAnnulment";
}

// What is written into the response file when no answer arrived; "" for the
// queries, which then leave no response file.
std::string NoAnswerText(const std::string& operation) {
  if (operation == "tokenExchange")
    return Text852("HIBA - Nincs válasz a NAV online számla rendszerből (token kérés)!");
  if (IsManageOperation(operation))
    return Text852("HIBA - Nincs válasz a NAV online számla rendszerből (számla küldés)!");
  return "";
}

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty())
      out += ' ';
    out += item;
  }
  return out;
}

}  // namespace

std::string CurlCommandLine(const std::string& operation, const std::string& request_file,
                            const std::string& response_file) {
  const Record& settings = Settings();
  std::vector<std::string> items = {
      CommandLinePath(settings.GetText("CURLDIR") + kDirSeparator + kCurlProgram),
      "-X", "POST", "-s", "-k"};
  if (IsManageOperation(operation))
    items.push_back("--http1.0");
  items.push_back(CommandLineWord("-m" + settings.GetText("CTIMEOUT")));
  items.insert(items.end(), {"-H", "\"Accept: application/xml\"",
                             "-H", "\"Content-Type: application/xml\"",
                             "-d", "@" + CommandLinePath(request_file)});
  items.push_back(CommandLineWord("https://" + settings.GetText("CNAVURL") + "/invoiceService/" +
                                  settings.GetText("CNAVURL2_3") + operation));
  items.push_back("-o");
  items.push_back(CommandLinePath(response_file));
  return Join(items);
}

void ClearResponse(const std::string& response_file) {
  ERASEFILE(response_file);
  if (HASFILE(response_file))
    StopCannotCreate(response_file);
}

bool RunCurl(const std::string& operation, const std::string& request_file,
             const std::string& response_file) {
  ClearResponse(response_file);
  CURSORTO(kStatusRow, 0);
  SHOWTEXT(Settings().GetText("CKOMMUNIKACIO"));
  RUNCOMMAND(CurlCommandLine(operation, request_file, response_file));
  // A close request made while curl ran ends the run here, before the
  // response is looked at.
  CLEARAREA(kStatusRow, 0, kStatusRow, kLastColumn);
  CURSORTO(kStatusRow, 0);
  if (HASFILE(response_file))
    return true;
  // A no-answer text that cannot be written whole leaves no response file:
  // never a part of the text, nor an empty file that passes for an answer.
  std::string no_answer = NoAnswerText(operation);
  if (!no_answer.empty() && !WRITEWHOLE(response_file, OEMTOACP(no_answer)))
    ERASEFILE(response_file);
  return false;
}

// The response as READWHOLE reads it (one trailing 0x1A dropped), from UTF-8
// to code page 852 and on to the ANSI code page, a piece at a time (an answer
// may be large), into a new file that replaces the response only once it is
// whole: a rewrite that fails or is cut off leaves the answer as it arrived.
void RewriteResponse(const std::string& response_file) {
  if (!TextEq(Settings().GetText("CHARCODE"), "ANSI"))
    return;
  const size_t piece_size = 64 * 1024;
  Utf8To852 decoder;
  const auto oem = std::make_unique_for_overwrite<char[]>(piece_size + 1);
  std::string ansi;
  RewriteBeside(response_file, piece_size, [&](std::string_view piece) {
    const size_t n = decoder.Convert(piece, oem.get());
    ansi = OEMTOACP(Value(std::string(oem.get(), n)));
    return std::string_view(ansi);
  });
}

void Exchange(const std::string& operation, const std::string& request_file,
              const std::string& response_file) {
  if (RunCurl(operation, request_file, response_file))
    RewriteResponse(response_file);
}
