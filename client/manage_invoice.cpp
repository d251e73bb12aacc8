// manage_invoice.cpp: MANAGEINV, the invoice submission of function "1": the
// invoice file in Base64 inside a ManageInvoiceRequest with the exchange
// token and one invoice operation, posted to manageInvoice.
#include "client/exchange.h"
#include "client/function_steps.h"
#include "client/manage.h"
#include "foundations/files.h"
#include "foundations/levels.h"
#include "foundations/record.h"
#include "foundations/text.h"
#include "request/content.h"
#include "request/envelope.h"
#include "request/writer.h"

namespace {

// The line of the Base64 content, as XMLBE would write it (the Base64
// alphabet needs no escaping, is the same in UTF-8 and has no blanks), but
// written piece by piece as the file is encoded: an invoice may be large.
void WriteContentLine(const std::string& name, const Content& content) {
  std::string opening;
  for (int64_t i = 0; i < XMLSZINT; ++i)
    opening += '\t';
  PUTBYTES(F1, opening + "<" + name + ">");
  content.Each([](std::string_view piece) { PUTBYTES(F1, piece); });
  PUTBYTES(F1, Plus(Value("</" + name + ">"), Settings().Get("NL")).text());
}

}  // namespace

void MANAGEINV(const Value& invoice_file, const std::string& token) {
  ProcLevel level("MANAGEINV");
  Record& settings = Settings();
  level.at(__LINE__);
  // Read once for the signature and once more for the body, never whole.
  const FileContent content(invoice_file);
  level.at(__LINE__);
  const std::string base = settings.GetText("CXMLNEV");
  const std::string request = base + "_invoicerequest.xml";
  const std::string response = base + "_invoiceresponse.xml";

  level.at(__LINE__);
  CreateRequestFile(request);
  level.at(__LINE__);
  XMLELEJE("ManageInvoiceRequest", content);
  const Value operation = settings.Get("OPERATION");
  const bool from_2_0 = TextGe(settings.GetText("XSDVERZIO"), "2.0");
  level.at(__LINE__);
  XMLBE("exchangeToken", token);
  XMLBE("invoiceOperations", Value(), "K");
  if (!from_2_0)
    XMLBE("technicalAnnulment", TextEq(operation.text(), "ANNUL") ? "true" : "false");
  XMLBE("compressedContent", "false");
  XMLBE("invoiceOperation", Value(), "K");
  XMLBE("index", 1);
  XMLBE(from_2_0 ? "invoiceOperation" : "operation", operation);
  WriteContentLine(from_2_0 ? "invoiceData" : "invoice", content);
  XMLBE("invoiceOperation", Value(), "Z");
  XMLBE("invoiceOperations", Value(), "Z");
  XMLBE("ManageInvoiceRequest", Value(), "Z");
  CLOSEFILE(F1);

  level.at(__LINE__);
  Exchange("manageInvoice", request, response);
}
