// The settings record, the value type's "+" and the raise point.
#include <gtest/gtest.h>

#include "foundations/levels.h"
#include "foundations/raise.h"
#include "foundations/record.h"

TEST(Record, NamesIgnoreCaseAndCountSixtyThreeCharacters) {
  Record r;
  r.Set("login", Value("abc"));
  EXPECT_EQ(r.Get("LOGIN").text(), "abc");
  EXPECT_EQ(r.Get("Login").text(), "abc");
  std::string long_name(63, 'A');
  r.Set(long_name + "XYZ", Value(1));
  EXPECT_TRUE(r.Has(long_name));
  EXPECT_EQ(Record::NormalName("soft_Ware1"), "SOFT_WARE1");
}

TEST(Record, MissingNameRaisesWithTheNameInCapitals) {
  Record r;
  try {
    r.Get("curldir");
    FAIL();
  } catch (const RaisedError& e) {
    EXPECT_EQ(e.error.subsystem, "BASE");
    EXPECT_EQ(e.error.code, 1003);
    EXPECT_EQ(e.error.operation, "CURLDIR");
    EXPECT_TRUE(e.error.can_retry);
    EXPECT_FALSE(e.error.can_default);
  }
}

namespace {
Record* g_record;
int g_raised;
ErrorAnswer SetThenRetry(const RunTimeError&) {
  ++g_raised;
  if (g_raised == 2)
    g_record->Set("X", Value("late"));
  return ErrorAnswer::Retry;
}
}  // namespace

TEST(Record, RetryLooksTheNameUpAgain) {
  Record r;
  g_record = &r;
  g_raised = 0;
  ErrorHandler previous = SetErrorHandler(SetThenRetry);
  EXPECT_EQ(r.Get("x").text(), "late");
  EXPECT_EQ(g_raised, 2);
  SetErrorHandler(previous);
}

TEST(Value, PlusJoinsTextsAndRefusesTextWithNumber) {
  EXPECT_EQ(Plus(Value("a"), Value("b")).text(), "ab");
  EXPECT_EQ(Plus(Value(1), Value(2)).number(), 3);
  try {
    Plus(Value(5), Value("curl"));
    FAIL();
  } catch (const RaisedError& e) {
    EXPECT_EQ(e.error.code, 1081);
    EXPECT_EQ(e.error.operation, "+");
    EXPECT_FALSE(e.error.can_retry);
  }
}

TEST(Levels, InnermostFirst) {
  ProcLevel outer("MAIN");
  outer.at(10);
  {
    ProcLevel inner("XMLELEJE");
    inner.at(20);
    auto levels = ActiveLevels();
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels[0].name, "XMLELEJE");
    EXPECT_EQ(levels[0].line, 20);
    EXPECT_EQ(levels[1].name, "MAIN");
  }
  EXPECT_EQ(ActiveLevels().size(), 1u);
}
