#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "foundation/Expression.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/TextFormat.h"

namespace kvn {
namespace {

// The value, or NaN when the evaluator refuses the text.
double Eval(const char16_t* text) {
  double value = -1;
  if (!EvaluateExpression(value, WString(text), nullptr)) {
    EXPECT_EQ(value, 0.0) << "a failure gives 0.0";
    return std::nan("");
  }
  return value;
}

TEST(Expression, Arithmetic) {
  EXPECT_EQ(Eval(u"1+2*3"), 7.0);
  EXPECT_EQ(Eval(u"(1+2)*3"), 9.0);
  EXPECT_EQ(Eval(u"10-4-3"), 3.0);  // left to right
  EXPECT_EQ(Eval(u"24/4/2"), 3.0);
  EXPECT_EQ(Eval(u"1:4"), 0.25);  // ':' divides like '/'
  EXPECT_EQ(Eval(u"  2 *  ( 3 + 4 ) "), 14.0);
  EXPECT_EQ(Eval(u"2^10"), 1024.0);
  EXPECT_EQ(Eval(u"2^3^2"), 512.0);  // right-associative
  EXPECT_EQ(Eval(u"-2^2"), -4.0);
  EXPECT_EQ(Eval(u"2^-1"), 0.5);
  EXPECT_EQ(Eval(u"--3"), 3.0);
  EXPECT_EQ(Eval(u"+3-+2"), 1.0);
  EXPECT_EQ(Eval(u"3*-2"), -6.0);
  EXPECT_TRUE(std::signbit(Eval(u"-0")));
}

TEST(Expression, Numbers) {
  EXPECT_EQ(Eval(u"1.5"), 1.5);
  EXPECT_EQ(Eval(u".5"), 0.5);
  EXPECT_EQ(Eval(u"5."), 5.0);
  EXPECT_EQ(Eval(u"1,5*2"), 3.0);  // decimal comma
  EXPECT_EQ(Eval(u"2.5e2"), 250.0);
  EXPECT_EQ(Eval(u"1E-2"), 0.01);
  EXPECT_EQ(Eval(u"1e+002"), 100.0);
  // An exponent has at most three digits: the fourth starts a new number,
  // and two numbers in a row are no expression.
  EXPECT_TRUE(std::isnan(Eval(u"1e0002")));
  EXPECT_TRUE(std::isnan(Eval(u"1e999")));  // out of range
  EXPECT_TRUE(std::isnan(Eval(u"2e")));
  EXPECT_TRUE(std::isnan(Eval(u".")));
  EXPECT_TRUE(std::isnan(Eval(u"1.2.3")));
}

TEST(Expression, Functions) {
  EXPECT_EQ(Eval(u"sqrt(16)"), 4.0);
  EXPECT_EQ(Eval(u"SQRT(16)"), 4.0);
  EXPECT_EQ(Eval(u"Sqrt 16"), 4.0);
  EXPECT_TRUE(std::isnan(Eval(u"SQRTX(16)")));
  EXPECT_NEAR(Eval(u"sin(30)"), 0.5, 1e-15);
  EXPECT_NEAR(Eval(u"cos(60)"), 0.5, 1e-15);
  EXPECT_NEAR(Eval(u"tan(45)"), 1.0, 1e-15);
  EXPECT_NEAR(Eval(u"asin(0.5)"), 30.0, 1e-12);
  EXPECT_NEAR(Eval(u"acos(0.5)"), 60.0, 1e-12);
  EXPECT_NEAR(Eval(u"atan(1)"), 45.0, 1e-12);
  EXPECT_NEAR(Eval(u"exp(1)"), M_E, 1e-15);
  EXPECT_NEAR(Eval(u"ln(exp(2))"), 2.0, 1e-15);
  EXPECT_EQ(Eval(u"log(1000)"), 3.0);
  EXPECT_EQ(Eval(u"sqrt(16)^2"), 16.0);  // the function takes what follows it
  EXPECT_TRUE(std::isnan(Eval(u"sqrt")));
  EXPECT_TRUE(std::isnan(Eval(u"abcdefghijk(1)")));
}

TEST(Expression, FailuresGiveFalseAndZero) {
  for (const char16_t* text : {u"", u"1+", u"(1", u"1)", u"2*/3", u"1 2", u"#", u"1 + x", u"sqrt(-1)", u"ln(0)",
                               u"log(-1)", u"acos(2)", u"(-8)^(1/3)", u"0^-1", u"exp(1000)", u"1e300*1e300"}) {
    EXPECT_TRUE(std::isnan(Eval(text))) << std::string(text, text + std::char_traits<char16_t>::length(text));
  }
}

TEST(Expression, DivisionByZeroFails) {
  // Formerly +infinity reported as a value, whatever the dividend's sign.
  EXPECT_TRUE(std::isnan(Eval(u"1/0")));
  EXPECT_TRUE(std::isnan(Eval(u"-1/0")));
  EXPECT_TRUE(std::isnan(Eval(u"0:0")));
  EXPECT_TRUE(std::isnan(Eval(u"1/(2-2)")));
}

TEST(Expression, DeepNestingIsRefusedNotOverflowed) {
  std::u16string deep(100000, u'(');
  deep += u"1";
  deep += std::u16string(100000, u')');
  EXPECT_TRUE(std::isnan(Eval(deep.c_str())));
  std::u16string minus(100000, u'-');
  minus += u"1";
  EXPECT_TRUE(std::isnan(Eval(minus.c_str())));
  std::u16string fine(50, u'(');
  fine += u"1" + std::u16string(50, u')');
  EXPECT_EQ(Eval(fine.c_str()), 1.0);
}

TEST(Expression, FailureShowsMessage1116ToTheOwner) {
  class Owner : public cMsgDlg {
   public:
    void* GetWindowHandle() const override { return nullptr; }
    void* GetOwnerWindow() const override { return nullptr; }
  } owner;
  class Backend : public MessageBoxBackend {
   public:
    int ShowBox(const MessageBoxRequest& r) override {
      texts.push_back(std::u16string(r.text.View()));
      styles.push_back(r.style);
      return kIdOk;
    }
    std::vector<std::u16string> texts;
    std::vector<std::uint32_t> styles;
  } backend;
  MessageBoxBackend* previous = SetMessageBoxBackend(&backend);
  double value = 5;
  EXPECT_TRUE(EvaluateExpression(value, WString(u"2*3"), &owner));
  EXPECT_EQ(value, 6.0);
  EXPECT_TRUE(backend.texts.empty());
  EXPECT_FALSE(EvaluateExpression(value, WString(u"2*"), &owner));
  EXPECT_EQ(value, 0.0);
  ASSERT_EQ(backend.texts.size(), 1u);
  EXPECT_EQ(backend.texts[0], std::u16string(LoadLangString(1116).View()));
  EXPECT_EQ(backend.styles[0] & kMbIconMask, kMbIconError);
  SetMessageBoxBackend(previous);
}

TEST(Expression, ClearsTheErrorFlagBeforeItStarts) {
  SetFloatingPointErrorFlag();
  EXPECT_EQ(Eval(u"1+1"), 2.0);
}

}  // namespace
}  // namespace kvn
