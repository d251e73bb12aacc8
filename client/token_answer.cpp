// token_answer.cpp: the reading of the token exchange's answer.
#include "client/token_answer.h"

#include "foundations/aes128.h"
#include "foundations/base64.h"
#include "foundations/text.h"
#include "request/reader.h"

namespace {

const size_t kTokenLength = 48;
const int kTokenExtraAbove = 16;   // a byte above this code extends the token
const int kLowestTokenByte = 33;

// The first 48 bytes of the decrypted block and the following ones above 16.
std::string TokenOf(const std::string& block) {
  std::string token = block.substr(0, kTokenLength);
  for (size_t i = kTokenLength; i < block.size(); ++i) {
    if (static_cast<unsigned char>(block[i]) <= kTokenExtraAbove)
      break;
    token += block[i];
  }
  return token;
}

}  // namespace

// The authority writes the 3.0 answers with "nsN:" prefixes.
std::string WithoutPrefixes(std::string answer) {
  for (char digit = '1'; digit <= '4'; ++digit) {
    answer = REPLACEALL(answer, std::string("<ns") + digit + ":", "<");
    answer = REPLACEALL(answer, std::string("</ns") + digit + ":", "</");
  }
  return answer;
}

bool IsAcceptedAnswer(const std::string& answer) {
  return TextEq(XMLBANYASZ(answer, "funcCode"), "OK");
}

std::string TokenOfAnswer(const std::string& answer, const Value& key) {
  std::string encoded = XMLBANYASZ(answer, "encodedExchangeToken");
  return TokenOf(AES128(Value(DECODE64(encoded)), key));
}

bool IsUsableToken(const std::string& token) {
  for (char c : token)
    if (static_cast<unsigned char>(c) < kLowestTokenByte)
      return false;
  return true;
}
