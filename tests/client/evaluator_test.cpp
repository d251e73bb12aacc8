// The parameter-line language: the kind letter and effect of each kind of
// line, the "&" substitution with its bounds, and the errors of EVALEXPR.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "client/evaluator.h"
#include "client/line_grammar.h"
#include "client/substitution.h"
#include "foundations/raise.h"
#include "foundations/record.h"

namespace {

struct LineCase {
  std::string line;
  std::string letter;
  const char* name;            // the name the line may assign, or nullptr
  std::optional<Value> value;  // its value afterwards; nullopt: it has none
};

Record Preset() {
  Record r;
  r.Set("LOGIN", Value("abc"));
  r.Set("NUM", Value(7));
  r.Set("FUNKCIO", Value("1"));
  return r;
}

std::string Nested(int depth) {
  return "x:=" + std::string(static_cast<size_t>(depth), '(') + "5" +
         std::string(static_cast<size_t>(depth), ')');
}

int RaisedCode(const std::string& line, Record& r, std::string* operation = nullptr) {
  try {
    EVALEXPR(line, r);
  } catch (const RaisedError& e) {
    if (operation)
      *operation = e.error.operation;
    return e.error.code;
  }
  return 0;
}

}  // namespace

TEST(Evaluator, KindLetterAndEffectOfEachKindOfLine) {
  const LineCase cases[] = {
      // accepted: a text or a number assigned, or a value alone
      {"charcode:=\"ANSI\"", "C", "CHARCODE", Value("ANSI")},
      {"  Charcode  :=  'ANSI'   ", "C", "CHARCODE", Value("ANSI")},
      {"charcode:=[ANSI]", "C", "CHARCODE", Value("ANSI")},
      {"x:=\"it's\"", "C", "X", Value("it's")},
      {"x:='say \"hi\"'", "C", "X", Value("say \"hi\"")},
      {"x:=\"\x82\x01;\"", "C", "X", Value("\x82\x01;")},
      {"x:=\"\"", "C", "X", Value("")},
      {"\tx\t:=\t\"a\tb\"", "C", "X", Value("a\tb")},
      {"timeout:=30", "N", "TIMEOUT", Value(30)},
      {"timeout:=\"30\"", "C", "TIMEOUT", Value("30")},
      {"timeout:=-5", "N", "TIMEOUT", Value(-5)},
      {"timeout:=+5", "N", "TIMEOUT", Value(5)},
      {"timeout:= -  5", "N", "TIMEOUT", Value(-5)},
      {"timeout:=30.5", "N", "TIMEOUT", Value(30.5)},
      {"timeout:=.5", "N", "TIMEOUT", Value(0.5)},
      {"x:=login", "C", "X", Value("abc")},
      {"x:=num", "N", "X", Value(7)},
      {"x:=(((5)))", "N", "X", Value(5)},
      {Nested(kMaxLineNesting), "N", "X", Value(5)},
      {"\"abc\"", "C", nullptr, {}},
      {"[abc]", "C", nullptr, {}},
      {"42", "N", nullptr, {}},
      {"login", "C", nullptr, {}},
      {"a_1:=\"v\"", "C", "A_1", Value("v")},
      {std::string("x:=\"v\"\0 junk;", 13), "C", "X", Value("v")},
      // logical and date values: refused, but the assignment stays
      {"x:=.t.", "L", "X", Value::Logical(true)},
      {"x:=.Y.", "L", "X", Value::Logical(true)},
      {"x:=.f.", "L", "X", Value::Logical(false)},
      {"x:=.N.", "L", "X", Value::Logical(false)},
      {"x:=0d20240229", "D", "X", Value::Date(2460370)},
      // names without value, comparisons
      {"x:=nosuch", "U", "X", {}},
      {"nosuch=\"1\"", "U", nullptr, {}},
      {"funkcio=\"1\"", "L", "FUNKCIO", Value("1")},
      {"funkcio==\"1\"", "L", "FUNKCIO", Value("1")},
      {"funkcio=1", "UE", "FUNKCIO", Value("1")},
      {"x:=funkcio=\"1\"", "L", "X", Value::Logical(true)},
      // texts without closing delimiter
      {"x:=\"abc", "UI", "X", {}},
      {"x:='abc", "UI", "X", {}},
      {"x:=[abc", "UI", "X", {}},
      {"\"abc", "UI", nullptr, {}},
      {"x:=(\"abc", "UE", "X", {}},
      // lines that do not read
      {"", "UE", nullptr, {}},
      {"  \t ", "UE", nullptr, {}},
      {"x: =\"a\"", "UE", "X", {}},
      {"x:\"a\"", "UE", "X", {}},
      {"x:=", "UE", "X", {}},
      {"x:=60.", "UE", "X", {}},
      {"x:=1 2", "UE", "X", {}},
      {"x:=\"a\" \"b\"", "UE", "X", {}},
      {"x:=1,y:=2", "UE", "X", {}},
      {"x:=1;", "UE", "X", {}},
      {"x:=1\r", "UE", "X", {}},
      {"x:=1\n", "UE", "X", {}},
      {"x:=\"a\"\x82", "UE", "X", {}},
      {"x:=y:=1", "UE", "X", {}},
      {"1x:=1", "UE", nullptr, {}},
      {"x:=--5", "UE", "X", {}},
      {"x:=0d20230229", "UE", "X", {}},
      {"x:=0d2023", "UE", "X", {}},
      {"x:=.x.", "UE", "X", {}},
      {"x:=" + std::string(400, '9'), "UE", "X", {}},
      {Nested(kMaxLineNesting + 1), "UE", "X", {}},
      {"x:=login[1]", "UE", "X", {}},
      // calls: nothing of the line runs
      {"ERASEFILE(\"par.txt\")", "UI", nullptr, {}},
      {"x:=erasefile(\"par.txt\")", "UI", "X", {}},
      {"x:=RunCommand(\"rm -rf x\")", "UI", "X", {}},
      {"x:=(1=MAIN())", "UI", "X", {}},
      {"x:=nosuchfunction(1, \"a\")", "U", "X", {}},
      {"x:=nosuch()", "U", "X", {}},
      {"x:=f(", "UE", "X", {}},
  };
  for (const LineCase& c : cases) {
    Record r = Preset();
    EXPECT_EQ(EVALTYPE(c.line, r), c.letter) << c.line;
    if (!c.name)
      continue;
    const Value* v = r.Find(c.name);
    if (c.value) {
      ASSERT_NE(v, nullptr) << c.line;
      EXPECT_TRUE(*v == *c.value) << c.line;
    } else if (std::string(c.name) != "FUNKCIO") {
      EXPECT_EQ(v, nullptr) << c.line;
    }
  }
}

TEST(Evaluator, NamesIgnoreCaseAndBareNamesGiveTheirKind) {
  Record r;
  EXPECT_EQ(EVALTYPE("login:=\"abc\"", r), "C");
  EXPECT_EQ(r.Get("LOGIN").text(), "abc");
  EXPECT_EQ(EVALTYPE("LOGIN:=\"def\"", r), "C");
  EXPECT_EQ(r.Get("login").text(), "def");
  EXPECT_EQ(EVALTYPE("timeout:=30", r), "N");
  EXPECT_EQ(EVALTYPE("timeout", r), "N");
  EXPECT_EQ(EVALTYPE("Login", r), "C");
  EXPECT_EQ(EVALTYPE("softwareMainVersion", r), "U");
  std::string long_name(70, 'k');
  EXPECT_EQ(EVALTYPE(long_name + ":=1", r), "N");
  EXPECT_TRUE(r.Has(std::string(63, 'K')));
}

TEST(Substitution, ReplacesTextValuesOfNamesAfterAmpersand) {
  Record r;
  r.Set("LOGIN", Value("abc"));
  r.Set("NUM", Value(5));
  r.Set("_", Value("under"));
  r.Set("CHAIN", Value("<&login>"));
  const std::pair<std::string, std::string> cases[] = {
      {"x&login.y", "xabcy"},
      {"x&LOGIN", "xabc"},
      {"&login..", "abc."},
      {"&login&login", "abcabc"},
      {"\"&login\"", "\"abc\""},
      {"x&nosuch", "x&nosuch"},
      {"x&nosuch.y", "x&nosuch.y"},
      {"& login", "& login"},
      {"&1login", "&1login"},
      {"&num", "&num"},
      {"&_", "&_"},
      {"&&login", "&abc"},
      {"&", "&"},
      {"&chain", "<abc>"},
      {"&loginx", "&loginx"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(SUBSTNAMES(in, r), out) << in;
}

TEST(Substitution, SelfReferenceEndsAtTheBoundWithTheRestUnreplaced) {
  Record r;
  r.Set("A", Value("&a"));
  EXPECT_EQ(SUBSTNAMES("&a tail", r), "&a tail");
  r.Set("B", Value("x&b"));
  EXPECT_EQ(SUBSTNAMES("&b &login", r),
            std::string(kMaxSubstitutions, 'x') + "&b &login");
  // Two values referring to each other.
  r.Set("P", Value("p&q"));
  r.Set("Q", Value("q&p"));
  std::string alternating;
  for (int i = 0; i < kMaxSubstitutions; ++i)
    alternating += i % 2 ? 'q' : 'p';
  EXPECT_EQ(SUBSTNAMES("[&p]", r), "[" + alternating + "&p]");
}

TEST(Substitution, InsertedBytesAreBounded) {
  Record r;
  r.Set("BIG", Value(std::string(1000, 'y')));
  EXPECT_EQ(SUBSTNAMES("&big&big&big&big&big.z", r), std::string(4000, 'y') + "&big.z");
  // Lines that double a value through each other stay bounded.
  EXPECT_EQ(EVALTYPE("v:=\"yy\"", r), "C");
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(EVALTYPE(SUBSTNAMES("v:=\"&v&v\"", r), r), "C");
  EXPECT_LE(r.Get("V").text().size(), kMaxSubstitutedBytes + 16);
}

TEST(Evaluator, ExprSubstitutesRunsAndRaises) {
  Record r;
  r.Set("LOGIN", Value("abc"));
  EVALEXPR("taxnumber:=\"x&login.y\"", r);
  EXPECT_EQ(r.Get("TAXNUMBER").text(), "xabcy");

  std::string operation;
  EXPECT_EQ(RaisedCode("x:=", r, &operation), 1449);
  EXPECT_EQ(operation, "&");
  EXPECT_EQ(RaisedCode("x:=erasefile(\"f\")", r), 1449);
  EXPECT_EQ(RaisedCode("x:=nosuch", r, &operation), 1003);
  EXPECT_EQ(operation, "NOSUCH");
  EXPECT_FALSE(r.Has("X"));
  EXPECT_EQ(RaisedCode("x:=\"y\"=1", r, &operation), 1071);
  EXPECT_EQ(operation, "=");

  // The first evaluation changes what "&" puts into the second.
  r.Set("P", Value("0"));
  EXPECT_EQ(EVALTYPE(SUBSTNAMES("p:=\"&p.1\"", r), r), "C");
  EVALEXPR("p:=\"&p.1\"", r);
  EXPECT_EQ(r.Get("P").text(), "011");
}

TEST(Evaluator, SetByNameAssignsWithoutSubstitution) {
  Record r;
  r.Set("LOGIN", Value("abc"));
  SETBYNAME("softwareDevName", Value("&login"), r);
  EXPECT_EQ(r.Get("SOFTWAREDEVNAME").text(), "&login");
  EXPECT_EQ(EVALTYPE("softwareDevName", r), "C");
  EXPECT_THROW(SETBYNAME("two words", Value(1), r), RaisedError);
}
