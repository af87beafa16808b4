#include "foundation/Expression.h"

#include <cmath>
#include <string>

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/TextFormat.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {

// Deeper nesting of parentheses and signs than anyone types is refused
// rather than run down the stack.
constexpr int kMaxNesting = 200;
constexpr int kMessageExpression = 1116;

double CosDeg(double x) { return std::cos(x * kPi / 180); }
double SinDeg(double x) { return std::sin(x * kPi / 180); }
double TanDeg(double x) { return std::tan(x * kPi / 180); }
double AcosDeg(double x) { return std::acos(x) * 180 / kPi; }
double AsinDeg(double x) { return std::asin(x) * 180 / kPi; }
double AtanDeg(double x) { return std::atan(x) * 180 / kPi; }
double Exp(double x) { return std::exp(x); }
double Ln(double x) { return std::log(x); }
double Log10(double x) { return std::log10(x); }
double Sqrt(double x) { return std::sqrt(x); }

struct FunctionEntry {
  const char* name;
  double (*function)(double);
};
constexpr FunctionEntry kFunctions[] = {
    {"COS", CosDeg},   {"SIN", SinDeg}, {"TAN", TanDeg}, {"ACOS", AcosDeg}, {"ASIN", AsinDeg},
    {"ATAN", AtanDeg}, {"EXP", Exp},    {"LN", Ln},      {"LOG", Log10},    {"SQRT", Sqrt},
};

enum class TokenType { Invalid = 0, Plus, Minus, Times, Divide, Power, Open, Close, Number, Function, End };

struct Token {
  double value = 0.0;
  double (*function)(double) = nullptr;
  TokenType type = TokenType::Invalid;
};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

class Parser {
 public:
  explicit Parser(const WString& text) : text_(text) {}

  // The value of the whole text; check Failed() afterwards.
  double Evaluate() {
    double value = Sum();
    if (Next().type != TokenType::End) error_ = true;
    return value;
  }
  bool Failed() const { return error_; }

 private:
  // --- Tokens -----------------------------------------------------------------
  Token Peek() {
    if (!peeked_) {
      lookahead_ = Read();
      peeked_ = true;
    }
    return lookahead_;
  }
  Token Next() {
    Token t = Peek();
    peeked_ = false;
    return t;
  }

  Token Read() {
    while (text_[pos_] == u' ' || text_[pos_] == u'\t') ++pos_;
    Token t;
    if (pos_ >= text_.Length()) {
      t.type = TokenType::End;
      return t;
    }
    char16_t c = text_[pos_];
    if (IsDigit(c) || c == u'.' || c == u',') return ReadNumber();
    if (IsLetter(c)) return ReadFunction();
    ++pos_;
    switch (c) {
      case u'+': t.type = TokenType::Plus; break;
      case u'-': t.type = TokenType::Minus; break;
      case u'*': t.type = TokenType::Times; break;
      case u'/':
      case u':': t.type = TokenType::Divide; break;
      case u'^': t.type = TokenType::Power; break;
      case u'(': t.type = TokenType::Open; break;
      case u')': t.type = TokenType::Close; break;
      default: break;
    }
    return t;
  }

  Token ReadNumber() {
    Token t;
    std::string number;
    bool separator = false;
    bool digits = false;
    for (;; ++pos_) {
      char16_t c = text_[pos_];
      if (IsDigit(c)) {
        digits = true;
        number.push_back(char(c));
      } else if ((c == u'.' || c == u',') && !separator) {
        separator = true;
        number.push_back('.');
      } else {
        break;
      }
    }
    if (!digits) return t;  // a separator alone
    // An exponent only when a digit follows the 'E' (or its sign); at most
    // three digits belong to it.
    char16_t e = text_[pos_];
    if (e == u'E' || e == u'e') {
      int at = pos_ + 1;
      bool sign = text_[at] == u'+' || text_[at] == u'-';
      if (IsDigit(text_[at + (sign ? 1 : 0)])) {
        number.push_back('e');
        if (sign) number.push_back(char(text_[at++]));
        for (int k = 0; k < 3 && IsDigit(text_[at]); ++k) number.push_back(char(text_[at++]));
        pos_ = at;
      }
    }
    double value = StringToDoubleLenient(number.data(), int(number.size()));
    // Out of range ("9e999") is no number.
    if (!std::isfinite(value)) return t;
    t.type = TokenType::Number;
    t.value = value;
    return t;
  }

  Token ReadFunction() {
    Token t;
    int start = pos_;
    int end = start;
    while (IsLetter(text_[end])) ++end;
    const int length = end - start;
    if (length >= 10) return t;
    for (const FunctionEntry& f : kFunctions) {
      int k = 0;
      while (k < length && f.name[k] && (text_[start + k] & ~0x20) == f.name[k]) ++k;
      if (k == length && f.name[k] == '\0') {
        pos_ = end;
        t.type = TokenType::Function;
        t.function = f.function;
        return t;
      }
    }
    return t;
  }

  // --- Grammar ---------------------------------------------------------------------
  double Sum() {
    double value = Product();
    for (;;) {
      TokenType op = Peek().type;
      if (op != TokenType::Plus && op != TokenType::Minus) return value;
      Next();
      double right = Product();
      value = op == TokenType::Plus ? value + right : value - right;
    }
  }

  double Product() {
    double value = Signed();
    for (;;) {
      TokenType op = Peek().type;
      if (op != TokenType::Times && op != TokenType::Divide) return value;
      Next();
      double right = Signed();
      if (op == TokenType::Times) {
        value *= right;
      } else if (right == 0.0) {
        // Not infinity reported as a value: a division by zero fails.
        error_ = true;
        return 0.0;
      } else {
        value /= right;
      }
    }
  }

  double Signed() {
    TokenType op = Peek().type;
    if (op != TokenType::Minus && op != TokenType::Plus) return PowerOf();
    Next();
    if (!Enter()) return 0.0;
    double value = Signed();
    --nesting_;
    return op == TokenType::Minus ? -value : value;
  }

  double PowerOf() {
    double base = Primary();
    if (Peek().type != TokenType::Power) return base;
    Next();
    double exponent = Signed();
    return CheckedPow(base, exponent);
  }

  double Primary() {
    Token t = Next();
    switch (t.type) {
      case TokenType::Number: return t.value;
      case TokenType::Function: {
        if (!Enter()) return 0.0;
        double argument = Primary();
        --nesting_;
        return CallChecked(t.function, argument);
      }
      case TokenType::Open: {
        if (!Enter()) return 0.0;
        double value = Sum();
        --nesting_;
        if (Next().type != TokenType::Close) error_ = true;
        return value;
      }
      default: error_ = true; return 0.0;
    }
  }

  bool Enter() {
    if (error_ || ++nesting_ > kMaxNesting) {
      error_ = true;
      return false;
    }
    return true;
  }

  const WString& text_;
  int pos_ = 0;
  bool error_ = false;
  int nesting_ = 0;
  Token lookahead_;
  bool peeked_ = false;
};

}  // namespace

bool EvaluateExpression(double& value, const WString& text, const cMsgDlg* owner) {
  ClearFloatingPointErrorFlag();
  Parser parser(text);
  double result = parser.Evaluate();
  if (!parser.Failed() && !GetFloatingPointErrorFlag() && std::isfinite(result)) {
    value = result;
    return true;
  }
  value = 0.0;
  if (owner) owner->ShowMessageBox(LoadLangString(kMessageExpression), nullptr, kMbIconError);
  return false;
}

}  // namespace kvn
