#include "request/signature.h"

#include "foundations/crc32.h"
#include "foundations/hextext.h"
#include "foundations/sha3.h"
#include "foundations/sha512.h"
#include "foundations/text.h"

std::string ContentDigest(const std::string& operation_and_content) {
  return UPCASE(HB_SHA3512(operation_and_content));
}

ContentDigester::ContentDigester(bool sha3) : sha3_(sha3) {
  if (sha3_)
    Sha3_512Begin(context_);
}

void ContentDigester::Add(std::string_view text) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.data());
  if (sha3_)
    Sha3_512Add(context_, bytes, text.size());
  else
    crc_ = Crc32Continue(crc_, bytes, text.size());
}

std::string ContentDigester::Result() {
  if (!sha3_)
    return TRIMLEFT(NUMTEXT(crc_));
  uint8_t digest[64];
  Sha3_512End(context_, digest);
  return UPCASE(HEXTEXT(digest, sizeof digest));
}

std::string ContentDigest(const std::string& operation, const Content& content) {
  ContentDigester digester(true);
  digester.Add(operation);
  content.Each([&](std::string_view piece) { digester.Add(piece); });
  return digester.Result();
}

std::string ContentChecksum(const std::string& content) {
  return TRIMLEFT(NUMTEXT(CRC32SUM(content)));
}

std::string ContentChecksum(const Content& content) {
  ContentDigester digester(false);
  content.Each([&](std::string_view piece) { digester.Add(piece); });
  return digester.Result();
}

std::string SignatureOf(const std::string& input, bool sha3) {
  return UPCASE(sha3 ? HB_SHA3512(input) : SHA512HEX(Value(input)));
}
