#include "request/reader.h"

#include "foundations/levels.h"
#include "foundations/text.h"

std::string XMLBANYASZ(const std::string& text, const std::string& tag) {
  ProcLevel level("XMLBANYASZ");
  level.at(__LINE__);
  int64_t start = POSOF("<" + tag + ">", text);
  if (start == 0)
    return "";
  start += LENGTHOF(Value(tag)) + 2;
  // The closing tag is looked for from the start of the text, not after the
  // opening tag: one that stands before it gives the empty text.
  const int64_t end = POSOF("</" + tag + ">", text);
  if (end == 0 || end - start <= 0)
    return "";
  return MIDPART(text, start, end - start);
}
