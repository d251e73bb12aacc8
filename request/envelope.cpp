#include "request/envelope.h"

#include "foundations/clock.h"
#include "foundations/files.h"
#include "foundations/levels.h"
#include "foundations/raise.h"
#include "foundations/random.h"
#include "foundations/record.h"
#include "foundations/sha512.h"
#include "foundations/text.h"
#include "request/signature.h"
#include "request/writer.h"

namespace {

const char kDeclaration[] = "?xml version=\"1.0\" encoding=\"UTF-8\"?";

// The roots whose signature covers no content, then the two that carry it.
const char* const kPlainRoots[] = {
    "TokenExchangeRequest",          "QueryInvoiceStatusRequest",
    "QueryTransactionStatusRequest", "QueryTaxpayerRequest",
    "QueryInvoiceDataRequest",       "QueryInvoiceCheckRequest",
    "QueryInvoiceDigestRequest",     "QueryInvoiceChainDigestRequest",
};
const char* const kManageRoots[] = {"ManageInvoiceRequest", "ManageAnnulmentRequest"};

// What the schema version decides.
struct Version {
  bool t3 = false;    // at least 3.0: common namespace, "common:" and cryptoType
  bool t2e = false;   // equal to 2.0 (asked only below 3.0)
  bool t2 = false;    // at least 2.0: SHA3-512 and the six software elements
};

Version VersionOf(const std::string& xsd) {
  Version v;
  v.t3 = TextGe(xsd, "3.0");
  v.t2e = !v.t3 && TextEq(xsd, "2.0");
  v.t2 = TextGe(xsd, "2.0");
  return v;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string RootLine(const std::string& root_name, const Version& v) {
  const std::string base = kNamespaceBase;
  if (v.t3)
    return root_name + " xmlns:common=" + Quoted(base + "/NTCA/1.0/common") +
           " xmlns=" + Quoted(base + "/OSA/3.0/api");
  if (v.t2e)
    return root_name + " xmlns=" + Quoted(base + "/OSA/2.0/api");
  return root_name + " xmlns=" + Quoted(base + "/OSA/1.0/api");
}

// True for the two roots whose signature covers the content; the first name
// of the two lists that the root begins with decides. A root that begins with
// none of them is signed as the plain ones are.
bool IsManageRoot(const std::string& root_name) {
  for (const char* plain : kPlainRoots)
    if (TextEq(root_name, plain))
      return false;
  for (const char* manage : kManageRoots)
    if (TextEq(root_name, manage))
      return true;
  return false;
}

// The content digest of a manage root begins with the operation from 2.0 on.
// "+" takes nothing but two texts here: a number as the operation, or a
// request without content, raises its error.
ContentDigester DigesterFor(bool sha3, const Value& operation, bool content_is_text) {
  ContentDigester digester(sha3);
  if (sha3) {
    if (!operation.is_text() || !content_is_text)
      RaiseError(ErrorPlus());
    digester.Add(operation.text());
  }
  return digester;
}

// Stands in for the signature until the content has been written: as long
// as every signature, 64 bytes in upper-case hex.
const std::string kPlaceholder(128, '0');

// "QK", the local date, the local seconds since midnight and 001..999.
std::string RequestId() {
  std::string id = "QK" + DATEDIGITS(CLOCKDATE());
  id += ZEROPAD(DAYSECONDS(), 5);
  id += ZEROPAD(static_cast<double>(RANDOMNUM(999)), 3);
  return id;
}

// The local time in whole seconds as UTC: 2022-11-14T17:03:16.000Z.
std::string UtcTimestamp() {
  const Date date = CLOCKDATE();
  const std::string s = STAMPTEXT(MAKEUTC(MAKESTAMP(date, CLOCKTIME())));
  return LEFTPART(s, 10) + "T" + MIDPART(s, 12, 8) + ".000Z";
}

// The same instant as its 14 digits.
std::string StampDigits(const std::string& cts) {
  std::string digits = REPLACEALL(Value(cts), "-");
  digits = REPLACEALL(Value(digits), ":");
  digits = REPLACEALL(Value(digits), "T");
  return REPLACEALL(Value(digits), ".000Z");
}

// The envelope; the signature is made of `content` at once or, without it,
// left pending and returned.
PendingSignature WriteEnvelope(const std::string& root_name, const Content* content) {
  ProcLevel level("XMLELEJE");
  Record& settings = Settings();
  PendingSignature pending;

  level.at(__LINE__);
  XMLBE(kDeclaration, Value(), "K");
  XMLSZINT = 0;

  level.at(__LINE__);
  const Value xsd = settings.Get("XSDVERZIO");
  const Version v = VersionOf(xsd.text());
  const std::string p = v.t3 ? "common:" : "";
  const Value a1 = v.t3 ? "cryptoType=\"SHA-512\"" : "";
  const Value a2 = v.t3 ? "cryptoType=\"SHA3-512\"" : "";
  level.at(__LINE__);
  XMLBE(RootLine(root_name, v), Value(), "K");

  level.at(__LINE__);
  XMLBE(p + "header", Value(), "K");
  const std::string request_id = RequestId();
  level.at(__LINE__);
  XMLBE(p + "requestId", request_id);
  const std::string cts = UtcTimestamp();
  level.at(__LINE__);
  XMLBE(p + "timestamp", cts);
  level.at(__LINE__);
  XMLBE(p + "requestVersion", xsd);
  level.at(__LINE__);
  XMLBE(p + "headerVersion", "1.0");
  level.at(__LINE__);
  XMLBE(p + "header", Value(), "Z");

  level.at(__LINE__);
  XMLBE(p + "user", Value(), "K");
  level.at(__LINE__);
  XMLBE(p + "login", settings.Get("LOGIN"));
  level.at(__LINE__);
  XMLBE(p + "passwordHash", UPCASE(SHA512HEX(settings.Get("PASSWORD"))), Value(), a1);
  level.at(__LINE__);
  XMLBE(p + "taxNumber", settings.Get("TAXNUMBER"));

  const std::string cts2 = StampDigits(cts);
  // The key and the operation must be texts: "+" refuses a number.
  level.at(__LINE__);
  const Value input = Plus(Value(request_id + cts2), settings.Get("XMLKULCS"));
  if (!IsManageRoot(root_name)) {
    level.at(__LINE__);
    XMLBE(p + "requestSignature", SignatureOf(input.text(), v.t2), Value(), a2);
  } else {
    level.at(__LINE__);
    const Value operation = v.t2 ? settings.Get("OPERATION") : Value();
    ContentDigester digester =
        DigesterFor(v.t2, operation, content ? content->is_text() : true);
    if (content) {
      content->Each([&](std::string_view piece) { digester.Add(piece); });
      const std::string rs = SignatureOf(input.text() + digester.Result(), v.t2);
      level.at(__LINE__);
      XMLBE(p + "requestSignature", rs, Value(), a2);
    } else {
      level.at(__LINE__);
      const int64_t offset = XMLBEValueAt(p + "requestSignature", kPlaceholder, a2);
      pending = PendingSignature(input.text(), v.t2, digester, offset);
    }
  }
  level.at(__LINE__);
  XMLBE(p + "user", Value(), "Z");

  level.at(__LINE__);
  XMLBE("software", Value(), "K");
  level.at(__LINE__);
  XMLBE("softwareId", settings.Get("SOFTWAREID"));
  level.at(__LINE__);
  XMLBE("softwareName", settings.Get("SOFTWARENAME"));
  level.at(__LINE__);
  XMLBE("softwareOperation", "LOCAL_SOFTWARE");
  if (v.t2) {
    level.at(__LINE__);
    XMLBE("softwareMainVersion", settings.Get("SOFTWAREMAINVERSION"));
    level.at(__LINE__);
    XMLBE("softwareDevName", settings.Get("SOFTWAREDEVNAME"));
    level.at(__LINE__);
    XMLBE("softwareDevContact", settings.Get("SOFTWAREDEVCONTACT"));
  }
  level.at(__LINE__);
  XMLBE("software", Value(), "Z");
  return pending;
}

}  // namespace

void XMLELEJE(const std::string& root_name, const Value& content) {
  XMLELEJE(root_name, TextContent(content));
}

void XMLELEJE(const std::string& root_name, const Content& content) {
  WriteEnvelope(root_name, &content);
}

void XMLELEJE(const std::string& root_name, PendingSignature& pending) {
  pending = WriteEnvelope(root_name, nullptr);
}

void PendingSignature::Complete() {
  if (offset_ < 0)
    return;
  PutBytesAt(F1, offset_, SignatureOf(input_ + digester_.Result(), sha3_));
  offset_ = -1;
}
