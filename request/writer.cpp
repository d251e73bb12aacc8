#include "request/writer.h"

#include "foundations/codepage.h"
#include "foundations/levels.h"
#include "foundations/record.h"
#include "foundations/text.h"

FileHandle F1 = kNoFile;
int64_t XMLSZINT = 0;

namespace {

const char kTab[] = "\t";
const int kNumberWidth = 11;

std::string Indent(int64_t depth) { return REPEATTEXT(kTab, depth); }

// The value as it stands between the tags.
std::string ValueText(const Value& value) {
  if (value.is_number())
    return TRIMLEFT(NUMTEXT(value.number(), kNumberWidth));
  if (!value.is_text())
    return "";
  // "&" goes first, so that the ampersands of the later entities stay single.
  std::string text = REPLACEALL(value, "&", "&amp;");
  text = REPLACEALL(Value(text), "\"", "&quot;");
  text = REPLACEALL(Value(text), "'", "&apos;");
  text = REPLACEALL(Value(text), "<", "&lt;");
  text = REPLACEALL(Value(text), ">", "&gt;");
  return TRIMRIGHT(CP852TOUTF8(Value(text)));
}

// Writes the line of XMLBE and returns where its value begins in it.
size_t WriteLine(ProcLevel& level, const std::string& name, const Value& value,
                 const Value& mode, const Value& attribute) {
  const std::string m = mode.is_nothing() ? "KZ" : mode.text();
  const std::string attribute_text =
      attribute.is_nothing() ? "" : " " + TRIMBOTH(attribute.text());

  std::string opening;
  if (OCCURSIN("K", m)) {
    opening = Indent(XMLSZINT) + "<" + name + attribute_text + ">";
    if (m == "K")
      ++XMLSZINT;
  }

  const std::string content = ValueText(value);

  std::string closing;
  if (OCCURSIN("Z", m)) {
    if (m == "Z")
      --XMLSZINT;
    const std::string indent = TextEq(m, "KZ") ? "" : Indent(XMLSZINT);
    closing = indent + "</" + name + ">";
  }

  // A parameter line may have replaced NL; a number there fails as "+" does.
  level.at(__LINE__);
  const Value line = Plus(Value(opening + content + closing), Settings().Get("NL"));
  PUTBYTES(F1, line.text());
  return opening.size();
}

}  // namespace

void XMLBE(const std::string& name, const Value& value, const Value& mode,
           const Value& attribute) {
  ProcLevel level("XMLBE");
  WriteLine(level, name, value, mode, attribute);
}

int64_t XMLBEValueAt(const std::string& name, const Value& value, const Value& attribute) {
  ProcLevel level("XMLBE");
  const int64_t start = OpenFileSize(F1);
  const size_t value_at = WriteLine(level, name, value, Value(), attribute);
  return start < 0 ? -1 : start + static_cast<int64_t>(value_at);
}
