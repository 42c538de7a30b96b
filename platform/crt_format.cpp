#include "platform/crt_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ossel {

namespace {

// A finite number as sign, significant digits d0 d1 d2 ... and the power of ten of d0.
struct Decimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

Decimal SeventeenDigits(double value) {
  char text[48];
  std::snprintf(text, sizeof text, "%.16e", value);  // "-d.dddddddddddddddde+XX"
  Decimal d;
  const char* p = text;
  if (*p == '-') {
    d.negative = true;
    ++p;
  }
  for (; *p && *p != 'e'; ++p) {
    if (*p != '.') d.digits += *p;
  }
  d.exponent = *p == 'e' ? std::atoi(p + 1) : 0;
  return d;
}

// Keeps the first `keep` digits, rounding up when the first digit dropped is 5 or more. A carry out of the first
// digit adds a leading 1 and raises the exponent. `keep` may be 0 (only the rounding is left) or negative (nothing).
void RoundTo(Decimal& d, int keep) {
  if (keep >= static_cast<int>(d.digits.size())) {
    d.digits.append(static_cast<std::size_t>(keep) - d.digits.size(), '0');
    return;
  }
  const bool up = keep >= 0 && d.digits[static_cast<std::size_t>(keep)] >= '5';
  d.digits.resize(keep > 0 ? static_cast<std::size_t>(keep) : 0);
  if (!up) return;
  int i = static_cast<int>(d.digits.size()) - 1;
  for (; i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9'; --i) d.digits[static_cast<std::size_t>(i)] = '0';
  if (i >= 0) {
    ++d.digits[static_cast<std::size_t>(i)];
  } else {
    d.digits.insert(d.digits.begin(), '1');
    ++d.exponent;
  }
}

std::string Special(double value, int decimals) {
  std::string text;
  if (std::isinf(value)) {
    text = value < 0 ? "-1.#INF" : "1.#INF";
  } else if (std::signbit(value)) {
    text = "-1.#IND";  // the indefinite value of invalid operations
  } else {
    text = "1.#QNAN";
  }
  // The letters take the places of the decimals: padded with zeros, or cut at the precision.
  const std::size_t point = text.find('.');
  const std::size_t width = point + 1 + static_cast<std::size_t>(decimals);
  if (text.size() < width) text.append(width - text.size(), '0');
  text.resize(decimals > 0 ? width : point);
  return text;
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
  if (decimals < 0) decimals = 6;
  if (!std::isfinite(value)) return Special(value, decimals);
  Decimal d = SeventeenDigits(value);
  RoundTo(d, d.exponent + 1 + decimals);
  if (d.digits.empty()) d = Decimal{d.negative, "0", 0};

  auto digitAt = [&](int power) {  // the digit standing for 10^power
    const int index = d.exponent - power;
    return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[static_cast<std::size_t>(index)] : '0';
  };
  std::string text = d.negative ? "-" : "";
  for (int power = std::max(d.exponent, 0); power >= 0; --power) text += digitAt(power);
  if (decimals > 0) {
    text += '.';
    for (int power = -1; power >= -decimals; --power) text += digitAt(power);
  }
  return text;
}

std::string FormatExponent(double value, int decimals) {
  if (decimals < 0) decimals = 6;
  if (!std::isfinite(value)) return Special(value, decimals) + "e+000";
  Decimal d = SeventeenDigits(value);
  if (value == 0.0) d.exponent = 0;
  RoundTo(d, decimals + 1);
  d.digits.resize(static_cast<std::size_t>(decimals) + 1);  // a carry added a digit
  std::string text = d.negative ? "-" : "";
  text += d.digits[0];
  if (decimals > 0) {
    text += '.';
    text += d.digits.substr(1);
  }
  char exponent[16];
  std::snprintf(exponent, sizeof exponent, "e%c%03d", d.exponent < 0 ? '-' : '+', std::abs(d.exponent));
  return text + exponent;
}

}  // namespace ossel
