// Arithmetic expressions typed into number fields, such as a length written
// as a formula: numbers, + - * / (':' divides too) ^, parentheses and the
// functions COS SIN TAN ACOS ASIN ATAN (degrees) EXP LN LOG SQRT, names in
// any case. No variables.
//
// Precedence, loosest first: '+' '-'; '*' '/' ':'; unary '-' and '+'; '^'
// (right-associative, so 2^3^2 is 2^9 and -2^2 is -4; 2^-1 is 0.5); then a
// number, a function applied to what follows it, or a parenthesised
// expression. Binary operators of one level group from the left.
// Numbers: digits with at most one decimal separator, '.' or ',' ("1,5" is
// 1.5), then an optional exponent: 'E' or 'e', an optional sign and at most
// three digits.
#pragma once

#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;

// The value of `text`. False, with value 0.0, for a syntax error or a failed
// computation (a function outside its domain, division by zero, a result
// that is not finite); with an owner, string 1116 is then shown in an error
// box.
bool EvaluateExpression(double& value, const WString& text, const cMsgDlg* owner);

}  // namespace kvn
