#pragma once

#include <QString>

// Numbers travel as text. These are the two conversions the program uses.
namespace NumberText {

// The leading decimal number of a text: leading blanks ignored, an optional sign,
// digits, an optional decimal point and fraction; 0 when it does not begin with one.
double numericValue(const QString &text);

// Shortest decimal form with at most 15 significant digits, "." as the point,
// no trailing zeros, no exponent, no separators.
QString decimalText(double value);

} // namespace NumberText
