// envelope.h: the common opening of every request document: the XML
// declaration, the root element with the namespaces of the schema version
// (XSDVERZIO), the header with a fresh request identifier and timestamp, the
// user block with the password hash and the request signature, and the block
// that describes the submitting software. The root element is left open at
// depth 1 for the caller's body; the caller closes it with XMLBE's "Z" line.
#pragma once

#include <string>

#include "foundations/value.h"
#include "request/content.h"

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
