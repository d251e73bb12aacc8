// token_answer_fuzzer: the token exchange's reading of an answer, as the
// client runs it: the prefixes taken off (schema 3.0), the funcCode test, and
// for an accepted answer encodedExchangeToken through DECODE64 and AES128 to
// the token and its character check.
//
// Input: one byte of choices (bit 0: take the prefixes off; bit 1: the key is
// a number; bit 2: put the rest into an accepted answer with prefixes as its
// encodedExchangeToken), the key up to a line feed, then the answer.
//
// Checked: prefix removal never lengthens a text and leaves one without "<ns"
// or "</ns" as it is; the answer is accepted exactly when its funcCode begins
// with "OK"; the token of an accepted answer has 48 to 50 bytes: the first 48
// of the decrypted block and then the following ones above code 16, ending at
// the first one that is not; it is usable exactly when no byte is below 33.
#include <cstddef>
#include <cstdint>
#include <string>

#include "client/token_answer.h"
#include "foundations/aes128.h"
#include "foundations/base64.h"
#include "fuzz_input.h"
#include "request/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  uint8_t choices = input.Byte();
  std::string key_text = input.Until('\n');
  Value key = choices & 2 ? Value(static_cast<double>(key_text.size())) : Value(key_text);
  std::string answer = input.Rest();
  if (choices & 4)
    answer = "<?xml version=\"1.0\"?><ns2:TokenExchangeResponse><ns3:result><ns3:funcCode>OK"
             "</ns3:funcCode></ns3:result><ns2:encodedExchangeToken>" + answer +
             "</ns2:encodedExchangeToken></ns2:TokenExchangeResponse>";

  if (choices & 1) {
    std::string plain = WithoutPrefixes(answer);
    Check(plain.size() <= answer.size());
    if (answer.find("<ns") == std::string::npos && answer.find("</ns") == std::string::npos)
      Check(plain == answer);
    answer = plain;
  }

  std::string func_code = XMLBANYASZ(answer, "funcCode");
  bool accepted = IsAcceptedAnswer(answer);
  Check(accepted == (func_code.compare(0, 2, "OK") == 0));
  if (!accepted)
    return 0;

  std::string token = TokenOfAnswer(answer, key);
  Check(token.size() >= 48 && token.size() <= 50);
  std::string block = AES128(Value(DECODE64(XMLBANYASZ(answer, "encodedExchangeToken"))), key);
  Check(block.size() == 50);
  Check(block.compare(0, token.size(), token) == 0);
  for (size_t i = 48; i < token.size(); ++i)
    Check(static_cast<unsigned char>(token[i]) > 16);
  if (token.size() < block.size())
    Check(static_cast<unsigned char>(block[token.size()]) <= 16);

  bool all_printable = true;
  for (char c : token)
    all_printable = all_printable && static_cast<unsigned char>(c) >= 33;
  Check(IsUsableToken(token) == all_printable);
  return 0;
}
