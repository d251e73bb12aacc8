#include "request/signature.h"

#include "foundations/crc32.h"
#include "foundations/hextext.h"
#include "foundations/sha3.h"
#include "foundations/sha512.h"
#include "foundations/text.h"

std::string ContentDigest(const std::string& operation_and_content) {
  return UPCASE(HB_SHA3512(operation_and_content));
}

std::string ContentDigest(const std::string& operation, const Content& content) {
  Sha3_512Context context;
  Sha3_512Begin(context);
  Sha3_512Add(context, reinterpret_cast<const uint8_t*>(operation.data()), operation.size());
  content.Each([&](std::string_view piece) {
    Sha3_512Add(context, reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
  });
  uint8_t digest[64];
  Sha3_512End(context, digest);
  return UPCASE(HEXTEXT(digest, sizeof digest));
}

std::string ContentChecksum(const std::string& content) {
  return TRIMLEFT(NUMTEXT(CRC32SUM(content)));
}

std::string ContentChecksum(const Content& content) {
  uint32_t crc = 0;
  content.Each([&](std::string_view piece) {
    crc = Crc32Continue(crc, reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
  });
  return TRIMLEFT(NUMTEXT(crc));
}

std::string SignatureOf(const std::string& input, bool sha3) {
  return UPCASE(sha3 ? HB_SHA3512(input) : SHA512HEX(Value(input)));
}
