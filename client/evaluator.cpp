// evaluator.cpp: EVALTYPE, EVALEXPR and SETBYNAME over the tree that the
// line grammar reads.
#include "client/evaluator.h"

#include <set>

#include "client/line_grammar.h"
#include "client/substitution.h"
#include "foundations/raise.h"
#include "foundations/text.h"

namespace {

// The program's procedures and the facilities it is built from.
const char* const kKnownFunctions[] = {
    "MAIN", "XMLELEJE", "XMLBE", "XMLBANYASZ", "MANAGEINV", "ANNULINV", "FINVOICE",
    "AES128", "HB_SHA3512", "SHA512HEX", "CRC32SUM", "ENCODE64", "DECODE64", "HEXTEXT",
    "CLOCKDATE", "CLOCKTIME", "DAYSECONDS", "MAKESTAMP", "MAKEUTC", "STAMPTEXT",
    "DATEDIGITS", "RANDOMNUM", "CP852TOUTF8", "UTF8TOCP852", "ACPTOOEM", "OEMTOACP",
    "PREFIXCMP", "OCCURSIN", "UPCASE", "TRIMBOTH", "TRIMLEFT", "TRIMRIGHT", "ISBLANK",
    "POSOF", "LASTPOSOF", "LEFTPART", "RIGHTPART", "MIDPART", "LENGTHOF", "FIRSTBYTE",
    "REPEATTEXT", "REPLACEALL", "CENTERTEXT", "VALUEKIND", "NUMTEXT", "ZEROPAD",
    "WRAPCOUNT", "WRAPLINE", "READWHOLE", "WRITEWHOLE", "NEWFILE", "PUTBYTES",
    "CLOSEFILE", "ERASEFILE", "HASFILE", "DIRPART", "NAMEPART", "EVALTYPE", "EVALEXPR",
    "SETBYNAME", "SUBSTNAMES", "SCREENSIZE", "WINDOWTITLE", "SCREENCOLOR", "CLEARAREA",
    "CURSORTO", "HIDECURSOR", "SHOWTEXT", "PRINTLINE", "FRAMEBOX", "CAPTUREON",
    "CAPTUREOFF", "MSGBOX", "TEXTVIEW", "ARGCOUNT", "PROGRAMPATH", "RUNCOMMAND", "ENDRUN",
};

// The first call of the line, left to right; nullptr when it has none.
const LineNode* FirstCall(const LineNode& node) {
  if (node.kind == LineNode::Kind::Call)
    return &node;
  for (const auto& part : node.parts)
    if (const LineNode* call = FirstCall(*part))
      return call;
  return nullptr;
}

// Ends the evaluation inside EVALTYPE with the letter.
struct Stop {
  const char* letter;
};

RunTimeError ErrorCompare(bool exact) {
  RunTimeError e;
  e.subsystem = "BASE";
  e.code = exact ? 1070 : 1071;
  e.description = "Param\x82ter hiba";   // Paraméter hiba, code page 852
  e.operation = exact ? "==" : "=";
  return e;
}

// Evaluates a line's tree. Quiet: every failure is a Stop with its letter.
// Reporting: every failure raises its run-time error.
class Evaluation {
 public:
  Evaluation(Record& record, bool reporting) : record_(record), reporting_(reporting) {}

  Value Eval(const LineNode& node) {
    switch (node.kind) {
      case LineNode::Kind::Literal:
        return node.literal;
      case LineNode::Kind::Name:
        return Read(node.name);
      case LineNode::Kind::Assign: {
        Value value = Eval(*node.parts[0]);
        record_.Set(node.name, value);
        return value;
      }
      case LineNode::Kind::Equal:
      case LineNode::Kind::ExactEqual: {
        Value left = Eval(*node.parts[0]);
        Value right = Eval(*node.parts[1]);
        return Compare(left, right, node.kind == LineNode::Kind::ExactEqual);
      }
      case LineNode::Kind::Call:
        break;
    }
    Fail(ErrorSyntax(), "UE");
  }

 private:
  Value Read(const std::string& name) {
    if (reporting_)
      return record_.Get(name);
    if (const Value* v = record_.Find(name))
      return *v;
    throw Stop{"U"};
  }

  Value Compare(const Value& left, const Value& right, bool exact) {
    if (left.kind() != right.kind() || left.kind() == ValueKind::List ||
        left.kind() == ValueKind::Nothing)
      Fail(ErrorCompare(exact), "UE");
    if (left.is_text())
      return Value::Logical(exact ? left.text() == right.text() : TextEq(left.text(), right.text()));
    return Value::Logical(left == right);
  }

  [[noreturn]] void Fail(const RunTimeError& error, const char* letter) {
    if (reporting_)
      RaiseError(error);   // these errors offer only Quit: the run ends there
    throw Stop{letter};
  }

  Record& record_;
  bool reporting_;
};

}  // namespace

bool IsKnownFunction(const std::string& name) {
  static const std::set<std::string> known(std::begin(kKnownFunctions), std::end(kKnownFunctions));
  return known.count(UPCASE(name)) > 0;
}

std::string EVALTYPE(const std::string& text, Record& record) {
  ParsedLine line = ParseLine(text);
  if (line.status == ParsedLine::Status::Invalid)
    return "UE";
  if (line.status == ParsedLine::Status::Unclosed)
    return "UI";
  if (const LineNode* call = FirstCall(*line.root))
    return IsKnownFunction(call->name) ? "UI" : "U";
  try {
    return VALUEKIND(Evaluation(record, false).Eval(*line.root));
  } catch (const Stop& stop) {
    return stop.letter;
  }
}

std::string EVALTYPE(const std::string& text) { return EVALTYPE(text, Settings()); }

void EVALEXPR(const std::string& text, Record& record) {
  ParsedLine line = ParseLine(SUBSTNAMES(text, record));
  if (line.status != ParsedLine::Status::Valid || FirstCall(*line.root)) {
    RaiseError(ErrorSyntax());
    return;
  }
  try {
    Evaluation(record, true).Eval(*line.root);
  } catch (const Stop&) {
    // Not reached: a reported error that offers only Quit ends the run.
  }
}

void EVALEXPR(const std::string& text) { EVALEXPR(text, Settings()); }

void SETBYNAME(const std::string& name, const Value& value, Record& record) {
  std::string trimmed = TRIMBOTH(name);
  if (!IsName(trimmed)) {
    RaiseError(ErrorSyntax());
    return;
  }
  record.Set(trimmed, value);
}

void SETBYNAME(const std::string& name, const Value& value) { SETBYNAME(name, value, Settings()); }
