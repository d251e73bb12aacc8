// token_exchange.cpp: the token exchange that opens functions "0", "1" and
// "7": the token request, its exchange, the funcCode test, the decryption of
// the exchange token under TECHKULCS and its check, and the hand-over to the
// submission or the annulment. The token lives in memory only.
#include <string>

#include "client/exchange.h"
#include "client/exchange_platform.h"
#include "client/function_steps.h"
#include "client/functions.h"
#include "client/manage.h"
#include "client/token_answer.h"
#include "foundations/codepage.h"
#include "foundations/files.h"
#include "foundations/record.h"
#include "foundations/text.h"
#include "request/envelope.h"
#include "request/writer.h"

namespace {

// The base of the token, submission and annulment file names: the invoice
// file without its extension for a submission, else INVOICEXML/teszt.
std::string FileNameBase(bool submission) {
  Value invoice_xml = Settings().Get("INVOICEXML");
  if (submission)
    return DIRPART(invoice_xml) + NAMEPART(invoice_xml);
  return Plus(invoice_xml, Value(std::string(kDirSeparator) + "teszt")).text();
}

// What follows the token exchange, by the function code's first digit.
enum class Following { Nothing, Submission, Annulment };

Following FollowingOf(const std::string& funkcio) {
  if (TextEq(funkcio, "1"))
    return Following::Submission;
  return TextEq(funkcio, "7") ? Following::Annulment : Following::Nothing;
}

// Every response file that the function may write goes before its first
// request, so that each response file found after the run is this run's: an
// older answer never stands beside a refused token exchange.
void ClearResponses(const std::string& token_response, const std::string& base,
                    Following following) {
  ClearResponse(token_response);
  if (following == Following::Submission)
    ClearResponse(base + kInvoiceResponseEnd);
  else if (following == Following::Annulment)
    ClearResponse(base + kAnnulResponseEnd);
}

void WriteTokenRequest(const std::string& path) {
  CreateRequestFile(path);
  XMLELEJE("TokenExchangeRequest");
  XMLBE("TokenExchangeRequest", Value(), "Z");
  CloseRequestFile(path);
}

}  // namespace

void TokenExchange() {
  Record& settings = Settings();
  const Following following = FollowingOf(settings.GetText("FUNKCIO"));
  std::string base = FileNameBase(following == Following::Submission);
  settings.Set("CXMLNEV", base);
  std::string request = base + "_tokenrequest.xml";
  std::string response = base + "_tokenresponse.xml";
  settings.Set("FTOKENREQ", request);
  settings.Set("FTOKENVAL", response);

  ClearResponses(response, base, following);
  if (following == Following::Submission && !HoldsInvoice(settings.Get("INVOICEXML")))
    StopWithoutInvoice(settings.Get("INVOICEXML"));
  WriteTokenRequest(request);
  if (!RunCurl("tokenExchange", request, response))
    return;
  // The answer is parsed as curl wrote it, before any rewrite of the file.
  std::string answer = READWHOLE(response);
  if (TextGe(settings.GetText("XSDVERZIO"), "3.0"))
    answer = WithoutPrefixes(answer);
  RewriteResponse(response);

  if (!IsAcceptedAnswer(answer))
    return;
  std::string token = TokenOfAnswer(answer, settings.Get("TECHKULCS"));
  if (!IsUsableToken(token))
    StopWithMessage(Text852(
        ";;A token kérés sikeres, de a token dekódolása sikertelen, érvénytelen karaktereket "
        "tartalmaz!;;Ellenőrizze az XML cserekulcsot az Online számla beállításoknál!"));

  if (following == Following::Submission)
    MANAGEINV(settings.Get("INVOICEXML"), token);
  else if (following == Following::Annulment)
    ANNULINV(token);
}
