#pragma once

#include <cstddef>

#include "spectrum/vector_lanes.h"

namespace ossel {

// Whole-array steps of the analysis, on vectors of up to `lanes` doubles where the processor has them (by default as
// wide as WidestLanes() allows). Each value is computed by the same IEEE operations in the same order at every
// width, so the results never depend on it.

// out[k] = x[k] / k for 0 < k < count, out[0] = 0. out may be x.
void DivideByPosition(const double* x, double* out, std::size_t count, int lanes = WidestLanes());

// sum[i] += values[i] and squareSum[i] += values[i] * values[i] for i < count.
void AddValuesAndSquares(const double* values, double* sum, double* squareSum, std::size_t count,
                         int lanes = WidestLanes());

// sum[i] += values[i] for i < count; returns the largest value above 0, or 0 (a value that is not a number is
// passed over).
double AddValuesFindMax(const double* values, double* sum, std::size_t count, int lanes = WidestLanes());

// sums[g] = values[8g] + values[8g + 1] + ... + values[8g + 7], added in that order, for g < groups.
void GroupSumsOfEight(const double* values, double* sums, std::size_t groups, int lanes = WidestLanes());

}  // namespace ossel
