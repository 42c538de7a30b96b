#pragma once

#include <cstddef>

namespace ossel {

// Logarithms of whole arrays, eight values at a time where the processor has AVX-512, four where it has AVX2 and two
// at a time otherwise (WidestLanes). Every width performs the same IEEE double operations in the same order (nothing
// fused), so they give the same results.
//
// Every result lies within one unit in the last place of the exact logarithm; the logarithm is carried in
// about 110 bits and rounded once, so the result is the correctly rounded value except where the exact value
// lies within a few 2^-60 of a half-way point. Edge values: +0 and -0 give -inf, negative values and NaN give
// NaN, +inf gives +inf, 1 gives +0; subnormals are exact inputs like any other.
// Best is WidestLanes(); a named width falls back to the widest below it where the processor lacks it.
enum class LogLanes { Best, Two, Four, Eight };

// out[i] = ln(x[i] + add) for i < count, the sum rounded to a double first. x and out may be the same array.
void NaturalLogOfSum(const double* x, double add, double* out, std::size_t count, LogLanes lanes = LogLanes::Best);

// out[i] = log10(x[i] + add), as NaturalLogOfSum.
void DecimalLogOfSum(const double* x, double add, double* out, std::size_t count, LogLanes lanes = LogLanes::Best);

}  // namespace ossel
