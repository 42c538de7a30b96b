#include "spectrum/vector_arrays.h"

#include "spectrum/vector2.h"
#include "spectrum/vector4.h"
#include "spectrum/vector8.h"
#include "spectrum/vector_lanes.h"

namespace ossel {
namespace {

// The loops, written once for a vector type V of kLanes doubles with LoadV, StoreV and SplatV.
#define OSSEL_ARRAY_KERNELS                                                                              \
  void DivideByPosition(const double* x, double* out, std::size_t count) {                              \
    if (count == 0) return;                                                                              \
    std::size_t k = 1;                                                                                   \
    for (; k < kLanes && k < count; ++k) out[k] = x[k] / static_cast<double>(k);                         \
    V position = SplatV(0.0);                                                                            \
    for (std::size_t l = 0; l < kLanes; ++l) position[l] = static_cast<double>(k + l);                   \
    for (; k + kLanes <= count; k += kLanes, position += SplatV(kLanes)) {                              \
      StoreV(out + k, LoadV(x + k) / position);                                                          \
    }                                                                                                    \
    for (; k < count; ++k) out[k] = x[k] / static_cast<double>(k);                                       \
    out[0] = 0.0;                                                                                        \
  }                                                                                                      \
                                                                                                         \
  void AddValuesAndSquares(const double* values, double* sum, double* squareSum, std::size_t count) {   \
    std::size_t i = 0;                                                                                   \
    for (; i + kLanes <= count; i += kLanes) {                                                          \
      const V v = LoadV(values + i);                                                                     \
      StoreV(sum + i, LoadV(sum + i) + v);                                                               \
      StoreV(squareSum + i, LoadV(squareSum + i) + v * v);                                               \
    }                                                                                                    \
    for (; i < count; ++i) {                                                                             \
      sum[i] += values[i];                                                                               \
      squareSum[i] += values[i] * values[i];                                                             \
    }                                                                                                    \
  }                                                                                                      \
                                                                                                         \
  double AddValuesFindMax(const double* values, double* sum, std::size_t count) {                       \
    V largest = SplatV(0.0);                                                                             \
    std::size_t i = 0;                                                                                   \
    for (; i + kLanes <= count; i += kLanes) {                                                          \
      const V v = LoadV(values + i);                                                                     \
      StoreV(sum + i, LoadV(sum + i) + v);                                                               \
      largest = v > largest ? v : largest;                                                               \
    }                                                                                                    \
    double result = 0.0;                                                                                 \
    for (std::size_t l = 0; l < kLanes; ++l) {                                                           \
      if (largest[l] > result) result = largest[l];                                                      \
    }                                                                                                    \
    for (; i < count; ++i) {                                                                             \
      sum[i] += values[i];                                                                               \
      if (values[i] > result) result = values[i];                                                        \
    }                                                                                                    \
    return result;                                                                                       \
  }

void ScalarGroupSums(const double* values, double* sums, std::size_t groups) {
  for (std::size_t g = 0; g < groups; ++g) {
    const double* v = values + 8 * g;
    double sum = v[0];
    for (int i = 1; i < 8; ++i) sum += v[i];
    sums[g] = sum;
  }
}

namespace two_lanes {
using V = V2;
constexpr std::size_t kLanes = 2;
inline V LoadV(const double* p) { return Load2(p); }
inline void StoreV(double* p, V v) { Store2(p, v); }
inline V SplatV(double x) { return Splat(x); }
OSSEL_ARRAY_KERNELS
}  // namespace two_lanes

#ifdef OSSEL_VECTOR4
#pragma GCC push_options
#pragma GCC target("avx2")
namespace four_lanes {
using namespace vector4;
OSSEL_ARRAY_KERNELS
}  // namespace four_lanes
#pragma GCC pop_options
#endif

#ifdef OSSEL_VECTOR8
#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq")
namespace eight_lanes {
using namespace vector8;
OSSEL_ARRAY_KERNELS

// Eight groups at a time: their 8 x 8 values transposed, so that lane g of row i holds value i of group g, and the
// rows added in order.
void GroupSumsOfEight(const double* values, double* sums, std::size_t groups) {
  std::size_t g = 0;
  for (; g + 8 <= groups; g += 8) {
    const double* v = values + 8 * g;
    V r[8], t[8], u[8];
    for (int j = 0; j < 8; ++j) r[j] = LoadV(v + 8 * j);
    for (int j = 0; j < 8; j += 2) {
      t[j] = __builtin_shufflevector(r[j], r[j + 1], 0, 8, 2, 10, 4, 12, 6, 14);
      t[j + 1] = __builtin_shufflevector(r[j], r[j + 1], 1, 9, 3, 11, 5, 13, 7, 15);
    }
    for (int j = 0; j < 8; j += 4) {
      u[j] = __builtin_shufflevector(t[j], t[j + 2], 0, 1, 8, 9, 4, 5, 12, 13);
      u[j + 1] = __builtin_shufflevector(t[j], t[j + 2], 2, 3, 10, 11, 6, 7, 14, 15);
      u[j + 2] = __builtin_shufflevector(t[j + 1], t[j + 3], 0, 1, 8, 9, 4, 5, 12, 13);
      u[j + 3] = __builtin_shufflevector(t[j + 1], t[j + 3], 2, 3, 10, 11, 6, 7, 14, 15);
    }
    // u[0], u[4]: values 0 and 4 of groups 0-3 and 4-7; u[1], u[5]: 2 and 6; u[2], u[6]: 1 and 5; u[3], u[7]: 3, 7.
    const V c0 = __builtin_shufflevector(u[0], u[4], 0, 1, 2, 3, 8, 9, 10, 11);
    const V c4 = __builtin_shufflevector(u[0], u[4], 4, 5, 6, 7, 12, 13, 14, 15);
    const V c2 = __builtin_shufflevector(u[1], u[5], 0, 1, 2, 3, 8, 9, 10, 11);
    const V c6 = __builtin_shufflevector(u[1], u[5], 4, 5, 6, 7, 12, 13, 14, 15);
    const V c1 = __builtin_shufflevector(u[2], u[6], 0, 1, 2, 3, 8, 9, 10, 11);
    const V c5 = __builtin_shufflevector(u[2], u[6], 4, 5, 6, 7, 12, 13, 14, 15);
    const V c3 = __builtin_shufflevector(u[3], u[7], 0, 1, 2, 3, 8, 9, 10, 11);
    const V c7 = __builtin_shufflevector(u[3], u[7], 4, 5, 6, 7, 12, 13, 14, 15);
    StoreV(sums + g, ((((((c0 + c1) + c2) + c3) + c4) + c5) + c6) + c7);
  }
  ScalarGroupSums(values + 8 * g, sums + g, groups - g);
}
}  // namespace eight_lanes
#pragma GCC pop_options
#endif

#undef OSSEL_ARRAY_KERNELS

}  // namespace

#ifdef OSSEL_VECTOR8
#define OSSEL_EIGHT(call) \
  if (lanes >= 8 && ProcessorLanes() >= 8) return eight_lanes::call;
#else
#define OSSEL_EIGHT(call)
#endif
#ifdef OSSEL_VECTOR4
#define OSSEL_FOUR(call) \
  if (lanes >= 4 && ProcessorLanes() >= 4) return four_lanes::call;
#else
#define OSSEL_FOUR(call)
#endif

void DivideByPosition(const double* x, double* out, std::size_t count, int lanes) {
  OSSEL_EIGHT(DivideByPosition(x, out, count))
  OSSEL_FOUR(DivideByPosition(x, out, count))
  (void)lanes;
  two_lanes::DivideByPosition(x, out, count);
}

void AddValuesAndSquares(const double* values, double* sum, double* squareSum, std::size_t count, int lanes) {
  OSSEL_EIGHT(AddValuesAndSquares(values, sum, squareSum, count))
  OSSEL_FOUR(AddValuesAndSquares(values, sum, squareSum, count))
  (void)lanes;
  two_lanes::AddValuesAndSquares(values, sum, squareSum, count);
}

double AddValuesFindMax(const double* values, double* sum, std::size_t count, int lanes) {
  OSSEL_EIGHT(AddValuesFindMax(values, sum, count))
  OSSEL_FOUR(AddValuesFindMax(values, sum, count))
  (void)lanes;
  return two_lanes::AddValuesFindMax(values, sum, count);
}

void GroupSumsOfEight(const double* values, double* sums, std::size_t groups, int lanes) {
  OSSEL_EIGHT(GroupSumsOfEight(values, sums, groups))
  (void)lanes;
  ScalarGroupSums(values, sums, groups);
}

#undef OSSEL_EIGHT
#undef OSSEL_FOUR

}  // namespace ossel
