// Floating-point numbers as the Windows C runtime's printf of the desktop program's era writes them. The report
// texts are compared with that program's, and two of its rules differ from the C library here:
// - digits: the number is first converted to 17 significant digits, and the requested precision is then cut from
//   those, rounding up whenever the first digit dropped is 5 or more (so 4.625 shows as 4.63, not 4.62);
// - "%e" writes at least three exponent digits (4.410000e+004);
// - infinities and not-a-numbers read "1.#INF00", "1.#QNAN0" and, for the not-a-number that invalid arithmetic
//   produces, "-1.#IND00".
#pragma once

#include <string>

namespace ossel {

// "%.*f"
std::string FormatFixed(double value, int decimals);
// "%.*e"
std::string FormatExponent(double value, int decimals);

}  // namespace ossel
