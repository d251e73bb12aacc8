// token_answer.h: how the token exchange reads the authority's answer: the
// namespace prefixes taken off, the funcCode test, the exchange token
// decrypted from encodedExchangeToken under the exchange key and cut, and the
// token's character check. Plain functions over the answer's bytes, called by
// the token exchange in this order.
#pragma once

#include <string>

#include "foundations/value.h"

// The answer with "<nsN:" and "</nsN:" (N = 1 to 4) replaced by "<" and "</",
// so that the elements written with a prefix are found under their plain
// names.
std::string WithoutPrefixes(std::string answer);

// True when the answer's funcCode begins with "OK".
bool IsAcceptedAnswer(const std::string& answer);

// The exchange token of an accepted answer: encodedExchangeToken decoded from
// Base64 and decrypted with the key, its first 48 bytes and the following ones
// above code 16: 48 to 50 bytes.
std::string TokenOfAnswer(const std::string& answer, const Value& key);

// False when any byte of the token is below code 33.
bool IsUsableToken(const std::string& token);
