// token_answer.cpp: the prefixes taken off the token exchange's answer.
#include "client/token_answer.h"

#include "foundations/text.h"

std::string WithoutPrefixes(std::string text) {
  for (char digit = '1'; digit <= '4'; ++digit) {
    text = REPLACEALL(text, std::string("<ns") + digit + ":", "<");
    text = REPLACEALL(text, std::string("</ns") + digit + ":", "</");
  }
  return text;
}
