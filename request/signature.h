// signature.h: the request signature that ties a request to the signing key.
// A signature is the upper-case hex digest of the request identifier, the
// 14-digit UTC timestamp, the signing key and, for the requests that carry
// content, a digest of that content, joined in this order. The digest is
// SHA3-512 from schema version 2.0 on and SHA-512 below it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundations/sha3.h"
#include "request/content.h"

// The content digest of the two manage requests over texts handed to it one
// after the other: from schema version 2.0 the upper-case SHA3-512 (the
// caller adds the operation first, then the content), below it the CRC-32 in
// decimal digits.
class ContentDigester {
 public:
  explicit ContentDigester(bool sha3);
  void Add(std::string_view text);
  // The digest of all that was added; once, after the last text.
  std::string Result();

 private:
  bool sha3_;
  Sha3_512Context context_{};
  uint32_t crc_ = 0;
};

// The content digest of the two manage requests from schema version 2.0: the
// upper-case SHA3-512 of the operation directly followed by the Base64 text.
std::string ContentDigest(const std::string& operation_and_content);
// The same digest of the operation and the content handed apart, so that a
// large content is hashed piece by piece instead of being joined.
std::string ContentDigest(const std::string& operation, const Content& content);
// Below schema version 2.0: the CRC-32 of the Base64 text in decimal digits.
std::string ContentChecksum(const std::string& content);
std::string ContentChecksum(const Content& content);

// The upper-case digest of the joined signature input.
std::string SignatureOf(const std::string& input, bool sha3);
