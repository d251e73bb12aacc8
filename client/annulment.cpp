// annulment.cpp: ANNULINV, the technical annulment of function "7": an
// InvoiceAnnulment document for INVOICENUMBER, built in memory, in Base64
// inside a ManageAnnulmentRequest with the exchange token, posted to
// manageAnnulment.
#include "client/exchange.h"
#include "client/function_steps.h"
#include "client/manage.h"
#include "foundations/base64.h"
#include "foundations/clock.h"
#include "foundations/codepage.h"
#include "foundations/files.h"
#include "foundations/levels.h"
#include "foundations/record.h"
#include "foundations/text.h"
#include "request/envelope.h"
#include "request/writer.h"

namespace {

// The annulment's UTC timestamp: 2022-11-14T17:03:16.000Z.
std::string AnnulmentTimestamp() {
  const std::string stamp = STAMPTEXT(MAKEUTC(MAKESTAMP(CLOCKDATE(), CLOCKTIME())));
  return LEFTPART(stamp, 10) + "T" + MIDPART(stamp, 12, 8) + ".000Z";
}

// The annulment schema moved to its own 3.0 namespace with schema 3.0; the
// authority refuses a 3.0 annulment that names the 2.0 one.
std::string AnnulmentNamespace() {
  const bool from_3_0 = TextGe(Settings().GetText("XSDVERZIO"), "3.0");
  return std::string(kNamespaceBase) + (from_3_0 ? "/OSA/3.0/annul" : "/OSA/2.0/annul");
}

}  // namespace

const char kAnnulResponseEnd[] = "_annulresponse.xml";

void ANNULINV(const std::string& token) {
  ProcLevel level("ANNULINV");
  Record& settings = Settings();
  // The invoice number enters as it is held: not trimmed, escaped or
  // converted. A missing one, or a number, fails here.
  level.at(__LINE__);
  const Value nl = settings.Get("NL");
  level.at(__LINE__);
  const Value reference = Plus(Plus(Value("<annulmentReference>"), settings.Get("INVOICENUMBER")),
                               Value("</annulmentReference>"));
  level.at(__LINE__);
  const Value lines[] = {
      Value("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"),
      Value("<InvoiceAnnulment xmlns=\"" + AnnulmentNamespace() + "\">"),
      reference,
      Value("<annulmentTimestamp>" + AnnulmentTimestamp() + "</annulmentTimestamp>"),
      Value("<annulmentCode>ERRATIC_DATA</annulmentCode>"),
      Value("<annulmentReason>" + CP852TOUTF8(Text852("Hibás adat")) + "</annulmentReason>"),
      Value("</InvoiceAnnulment>")};
  Value document("");
  for (const Value& line : lines)
    document = Plus(document, Plus(line, nl));
  const Value content(ENCODE64(document.text()));

  const std::string base = settings.GetText("CXMLNEV");
  const std::string request = base + "_annulrequest.xml";
  const std::string response = base + kAnnulResponseEnd;
  level.at(__LINE__);
  CreateRequestFile(request);
  level.at(__LINE__);
  XMLELEJE("ManageAnnulmentRequest", content);
  level.at(__LINE__);
  XMLBE("exchangeToken", token);
  XMLBE("annulmentOperations", Value(), "K");
  XMLBE("annulmentOperation", Value(), "K");
  XMLBE("index", 1);
  XMLBE("annulmentOperation", "ANNUL");
  XMLBE("invoiceAnnulment", content);
  XMLBE("annulmentOperation", Value(), "Z");
  XMLBE("annulmentOperations", Value(), "Z");
  XMLBE("ManageAnnulmentRequest", Value(), "Z");
  CloseRequestFile(request);

  level.at(__LINE__);
  Exchange("manageAnnulment", request, response);
}
