// queries.cpp: the six query functions ("2" transaction status, "3" taxpayer,
// "4" invoice data, "5" invoice check, "6" invoice digest, "8" invoice chain
// digest): their checks, the names of their request and response files in
// the directory INVOICEXML, their request bodies and their exchange. The
// response is left for the calling application.
#include <functional>
#include <string>

#include "client/exchange.h"
#include "client/exchange_platform.h"
#include "client/finvoice.h"
#include "client/function_steps.h"
#include "client/functions.h"
#include "foundations/codepage.h"
#include "foundations/files.h"
#include "foundations/levels.h"
#include "foundations/record.h"
#include "foundations/text.h"
#include "request/envelope.h"
#include "request/writer.h"

namespace {

struct QueryFiles {
  std::string request;
  std::string response;
};

// INVOICEXML + separator: the first part of every query's file names, read
// first. A missing INVOICEXML, or a number joined into a name, raises while
// the names are composed, before anything is created.
Value QueryDirectory() { return Plus(Settings().Get("INVOICEXML"), Value(kDirSeparator)); }

// The directory + key part + "_" + name + "request.xml" / "response.xml".
QueryFiles FilesOf(const Value& directory, const Value& key_part, const std::string& name) {
  const Value stem = Plus(directory, key_part);
  return {Plus(stem, Value("_" + name + "request.xml")).text(),
          Plus(stem, Value("_" + name + "response.xml")).text()};
}

// The older answer goes before the request is written, so that no run that
// stops on its way to curl leaves it to pass for this run's.
void WriteAndExchange(const QueryFiles& files, const std::string& root,
                      const std::function<void()>& body, const std::string& operation) {
  ClearResponse(files.response);
  CreateRequestFile(files.request);
  XMLELEJE(root);
  body();
  XMLBE(root, Value(), "Z");
  CloseRequestFile(files.request);
  Exchange(operation, files.request, files.response);
}

bool From20() { return TextGe(Settings().GetText("XSDVERZIO"), "2.0"); }

bool Inbound() {
  const Value* kibe = Settings().Find("KIBE");
  return kibe && kibe->is_text() && TextEq(UPCASE(kibe->text()), "B");
}

const char* Direction() { return Inbound() ? "INBOUND" : "OUTBOUND"; }

// A message that names the heading once more after the heading itself.
[[noreturn]] void StopFromVersion(const std::string& operation) {
  StopWithMessage(";;" + Settings().GetText("PROGINEV") + ";;" + operation +
                  Text852(" csak XSD 2.0-tól!"));
}

void TrimSetting(const char* name) {
  Settings().Set(name, TRIMBOTH(Settings().GetText(name)));
}

}  // namespace

std::string FINVOICE(const Value& number) {
  ProcLevel level("FINVOICE");
  level.at(__LINE__);
  std::string name = REPLACEALL(number, " ", "_");
  for (const char* removed : {"/", "\\", ">", "<", ":", "|", "?", "*"})
    name = REPLACEALL(name, removed, "");
  return name;
}

void QueryTransactionStatus() {
  const Record& settings = Settings();
  const bool from_2_0 = From20();
  const Value directory = QueryDirectory();
  const QueryFiles files = FilesOf(directory, settings.Get("TRANSACTID"), "query");
  WriteAndExchange(
      files, from_2_0 ? "QueryTransactionStatusRequest" : "QueryInvoiceStatusRequest",
      [&] {
        XMLBE("transactionId", settings.Get("TRANSACTID"));
        XMLBE("returnOriginalRequest", settings.Get("ORIGINAL"));
      },
      from_2_0 ? "queryTransactionStatus" : "queryInvoiceStatus");
}

void QueryTaxpayer() {
  const Record& settings = Settings();
  const Value directory = QueryDirectory();
  const QueryFiles files = FilesOf(directory, settings.Get("TAXNUMBER2"), "taxpayer");
  WriteAndExchange(
      files, "QueryTaxpayerRequest",
      [&] { XMLBE("taxNumber", settings.Get("TAXNUMBER2")); }, "queryTaxpayer");
}

void QueryInvoiceDataOrCheck() {
  Record& settings = Settings();
  const bool check = TextEq(settings.GetText("FUNKCIO"), "5");
  const std::string d_c = check ? "check" : "data";
  const std::string ud_c = check ? "Check" : "Data";
  if (!HoldsText("INVOICENUMBER"))
    StopWithMessage(";;queryInvoice" + ud_c +
                    Text852(" műveletnél nincs 'invoicenumber' sor!"));
  TrimSetting("INVOICENUMBER");
  const bool from_2_0 = From20();
  if (check && !from_2_0)
    StopFromVersion("queryInvoiceCheck");

  const Value directory = QueryDirectory();
  const Value number = settings.Get("INVOICENUMBER");
  const QueryFiles files = FilesOf(directory, FINVOICE(number), "queryinvoice" + d_c);
  WriteAndExchange(
      files, "QueryInvoice" + ud_c + "Request",
      [&] {
        if (!from_2_0) {
          XMLBE("page", "1");
          XMLBE("invoiceQuery", Value(), "K");
          XMLBE("invoiceNumber", number);
          XMLBE("invoiceQuery", Value(), "Z");
          return;
        }
        XMLBE("invoiceNumberQuery", Value(), "K");
        XMLBE("invoiceNumber", number);
        XMLBE("invoiceDirection", Direction());
        if (Inbound() && HoldsText("TAXNUMBER2"))
          XMLBE("supplierTaxNumber", settings.Get("TAXNUMBER2"));
        XMLBE("invoiceNumberQuery", Value(), "Z");
      },
      "queryInvoice" + ud_c);
}

void QueryInvoiceDigest() {
  Record& settings = Settings();
  if (!HoldsText("DATUMTOL") || !HoldsText("DATUMIG") || !HoldsText("KIBE") ||
      !HoldsNumber("LAP"))
    StopWithMessage(Text852(";;queryInvoiceDigest műveletnél a paraméter fájlban kötelező "
                            "sorok: datumtol, datumig, kibe, lap!"));
  TrimSetting("DATUMTOL");
  TrimSetting("DATUMIG");
  if (!From20())
    StopFromVersion("queryInvoiceDigest");

  const Value from = settings.Get("DATUMTOL");
  const Value to = settings.Get("DATUMIG");
  const Value directory = QueryDirectory();
  const QueryFiles files =
      FilesOf(directory, Value(from.text() + "_" + to.text()), "queryinvoicedigest");
  WriteAndExchange(
      files, "QueryInvoiceDigestRequest",
      [&] {
        XMLBE("page", settings.Get("LAP"));
        XMLBE("invoiceDirection", Direction());
        XMLBE("invoiceQueryParams", Value(), "K");
        XMLBE("mandatoryQueryParams", Value(), "K");
        XMLBE("invoiceIssueDate", Value(), "K");
        XMLBE("dateFrom", from);
        XMLBE("dateTo", to);
        XMLBE("invoiceIssueDate", Value(), "Z");
        XMLBE("mandatoryQueryParams", Value(), "Z");
        XMLBE("invoiceQueryParams", Value(), "Z");
      },
      "queryInvoiceDigest");
}

void QueryInvoiceChainDigest() {
  const Record& settings = Settings();
  const Value directory = QueryDirectory();
  const Value number = settings.Get("INVOICENUMBER");
  const QueryFiles files = FilesOf(directory, FINVOICE(number), "queryinvoicechain");
  WriteAndExchange(
      files, "QueryInvoiceChainDigestRequest",
      [&] {
        XMLBE("page", 1);
        XMLBE("invoiceChainQuery", Value(), "K");
        XMLBE("invoiceNumber", number);
        XMLBE("invoiceDirection", Direction());
        XMLBE("invoiceChainQuery", Value(), "Z");
      },
      "queryInvoiceChainDigest");
}
