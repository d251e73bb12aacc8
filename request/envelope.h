// envelope.h: the common opening of every request document: the XML
// declaration, the root element with the namespaces of the schema version
// (XSDVERZIO), the header with a fresh request identifier and timestamp, the
// user block with the password hash and the request signature, and the block
// that describes the submitting software. The root element is left open at
// depth 1 for the caller's body; the caller closes it with XMLBE's "Z" line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "foundations/value.h"
#include "request/content.h"
#include "request/signature.h"

// Every namespace URI of the requests and of the annulment document is this
// base followed by its path ("/NTCA/1.0/common", "/OSA/3.0/api", ...).
inline constexpr char kNamespaceBase[] = "http://schemas.nav.gov.hu";

// Writes the envelope into F1, which the caller has created with XMLSZINT at
// 0. The content is the Base64 text of ManageInvoiceRequest and
// ManageAnnulmentRequest, which their signature covers; the other roots take
// none. The settings are read as each line needs them, so a missing one
// raises with the lines before it already in the file.
void XMLELEJE(const std::string& root_name, const Value& content = Value());
// The same with the content read piece by piece as the signature needs it.
void XMLELEJE(const std::string& root_name, const Content& content);

// The request signature of a manage request whose content is written after
// the envelope, read once for both: the envelope writes a placeholder of the
// signature's length, the caller hands over the content as it writes it, and
// Complete writes the signature over the placeholder. Until then the file is
// an incomplete request, as it is when a run stops midway.
class PendingSignature {
 public:
  PendingSignature() = default;   // nothing to complete
  // `input` is the signature input before the content digest; `offset` that
  // of the placeholder in F1.
  PendingSignature(std::string input, bool sha3, ContentDigester digester, int64_t offset)
      : input_(std::move(input)), sha3_(sha3), digester_(digester), offset_(offset) {}

  // The next piece of the Base64 content.
  void Add(std::string_view piece) { digester_.Add(piece); }
  // Writes the signature into F1, which must still be open. A failure leaves
  // the placeholder, as a failed write leaves any line of the request.
  void Complete();

 private:
  std::string input_;
  bool sha3_ = false;
  ContentDigester digester_{false};
  int64_t offset_ = -1;   // -1: nothing to write
};

// The envelope of a manage root with its signature left pending.
void XMLELEJE(const std::string& root_name, PendingSignature& pending);
