#include "runtime/conversions.h"
#include "runtime/errors.h"

#include <gtest/gtest.h>

namespace {

TEST(Conversions, IntegersRoundHalvesToEven) {
  struct Case { double in; int32_t out; } cases[] = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-7.6, -8},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rt::CLng(c.in), c.out) << c.in;
    EXPECT_EQ(rt::CInt(c.in), c.out) << c.in;
  }
}

TEST(Conversions, OutOfRangeRaisesOverflow) {
  for (double v : {32767.5, -32768.6, 1e10}) {
    try {
      rt::CInt(v);
      ADD_FAILURE() << "no overflow for " << v;
    } catch (const rt::RuntimeError& e) {
      EXPECT_EQ(e.Number(), rt::kErrOverflow);
    }
  }
  EXPECT_EQ(rt::CInt(-32768.4), -32768);
  EXPECT_EQ(rt::CLng(2147483647.4), 2147483647);
  EXPECT_THROW(rt::CLng(2147483647.5), rt::RuntimeError);
}

TEST(Conversions, TextToIntegerNeedsANumber) {
  EXPECT_EQ(rt::CInt(QString(" 12 ")), 12);
  EXPECT_EQ(rt::CLng(QString("&HFF")), 255);
  EXPECT_EQ(rt::CInt(QString("2.5")), 2);
  try {
    rt::CLng(QString("12abc"));
    ADD_FAILURE();
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Number(), rt::kErrTypeMismatch);
  }
}

TEST(Conversions, NumbersToText) {
  struct Case { double in; const char* cstr; const char* str; } cases[] = {
      {0, "0", " 0"},           {42, "42", " 42"},        {-3, "-3", "-3"},
      {0.5, ".5", " .5"},       {-0.25, "-.25", "-.25"},  {1.0 / 3, ".333333333333333", " .333333333333333"},
      {1e16, "1E+16", " 1E+16"}, {1.5e-7, "1.5E-07", " 1.5E-07"}, {123.456, "123.456", " 123.456"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rt::CStr(c.in), QString(c.cstr)) << c.in;
    EXPECT_EQ(rt::Str(c.in), QString(c.str)) << c.in;
  }
  EXPECT_EQ(rt::CStr(int32_t{-17}), "-17");
  EXPECT_EQ(rt::CStr(true), "True");
}

TEST(Conversions, ValReadsTheLeadingNumber) {
  struct Case { const char* in; double out; } cases[] = {
      {"", 0}, {"abc", 0}, {"12abc", 12}, {"  -3.5kg", -3.5}, {"1 2 3", 123}, {"&HFF", 255}, {"&O17", 15},
      {"2E3", 2000}, {"2E", 2}, {".5", 0.5}, {"+7", 7},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(rt::Val(c.in), c.out) << c.in;
}

TEST(Conversions, TextToBoolean) {
  struct Case { const char* in; bool ok; bool value; } cases[] = {
      {"True", true, true}, {"true", true, true}, {" FALSE ", true, false}, {"-1", true, true},
      {"0", true, false},   {"2.5", true, true},  {"", false, false},       {"Yes", false, false},
      {"Truely", false, false},
  };
  for (const auto& c : cases) {
    bool ok = true;
    const bool v = rt::TextToBool(c.in, &ok);
    EXPECT_EQ(ok, c.ok) << c.in;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.in;
    }
  }
  EXPECT_THROW(rt::CBool("maybe"), rt::RuntimeError);
}

}  // namespace
