// manage_invoice.cpp: MANAGEINV, the invoice submission of function "1": the
// invoice file in Base64 inside a ManageInvoiceRequest with the exchange
// token and one invoice operation, posted to manageInvoice.
#include "client/exchange.h"
#include "client/function_steps.h"
#include "client/manage.h"
#include "foundations/codepage.h"
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
// Each piece goes to the signature as it is written, so the file is read
// once and the signature covers exactly what the request carries. False
// when the file could not be read to its end.
bool WriteContentLine(const std::string& name, const Content& content,
                      PendingSignature& signature) {
  std::string opening;
  for (int64_t i = 0; i < XMLSZINT; ++i)
    opening += '\t';
  PUTBYTES(F1, opening + "<" + name + ">");
  const bool whole = content.Each([&](std::string_view piece) {
    signature.Add(piece);
    PUTBYTES(F1, piece);
  });
  PUTBYTES(F1, Plus(Value("</" + name + ">"), Settings().Get("NL")).text());
  return whole;
}

// The invoice file as the message names it: its path, or a number as text.
std::string ShownName(const Value& invoice_file) {
  return invoice_file.is_text() ? invoice_file.text()
                                : TRIMBOTH(NUMTEXT(invoice_file.number(), 20));
}

}  // namespace

const char kInvoiceResponseEnd[] = "_invoiceresponse.xml";

bool HoldsInvoice(const Value& invoice_file) {
  PieceReader reader(invoice_file, 1);
  return !reader.Next().empty();
}

void StopWithoutInvoice(const Value& invoice_file) {
  StopWithMessage(";;A " + ShownName(invoice_file) +
                  Text852(" számla fájl nem olvasható vagy üres!"));
}

void MANAGEINV(const Value& invoice_file, const std::string& token) {
  ProcLevel level("MANAGEINV");
  Record& settings = Settings();
  level.at(__LINE__);
  // Read once, a piece at a time, for the signature and the body together.
  const FileContent content(invoice_file);
  level.at(__LINE__);
  const std::string base = settings.GetText("CXMLNEV");
  const std::string request = base + "_invoicerequest.xml";
  const std::string response = base + kInvoiceResponseEnd;

  level.at(__LINE__);
  CreateRequestFile(request);
  level.at(__LINE__);
  PendingSignature signature;
  XMLELEJE("ManageInvoiceRequest", signature);
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
  const bool whole = WriteContentLine(from_2_0 ? "invoiceData" : "invoice", content, signature);
  signature.Complete();
  XMLBE("invoiceOperation", Value(), "Z");
  XMLBE("invoiceOperations", Value(), "Z");
  XMLBE("ManageInvoiceRequest", Value(), "Z");
  CloseRequestFile(request);
  // An invoice that could not be read to its end (it was taken away or
  // failed since the check) is not sent in part.
  if (!whole) {
    ERASEFILE(request);
    StopWithoutInvoice(invoice_file);
  }

  level.at(__LINE__);
  Exchange("manageInvoice", request, response);
}
