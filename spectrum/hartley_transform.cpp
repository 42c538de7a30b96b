#include "spectrum/hartley_transform.h"

#include <cmath>

#include "spectrum/vector2.h"
#include "spectrum/vector4.h"
#include "spectrum/vector_lanes.h"

namespace ossel {
namespace {

struct TransformTables {
  std::size_t half;  // complex FFT length
  const double* twiddles;
  const double* splitCos;
  const double* splitSin;
  double* re[2];
  double* im[2];
};

namespace two_lanes {

using V = V2;
constexpr std::size_t kLanes = 2;

inline V LoadV(const double* p) { return Load2(p); }
inline void StoreV(double* p, V v) { Store2(p, v); }
inline V SplatV(double x) { return Splat(x); }
inline V ReverseV(V v) { return Swap(v); }

inline void Deinterleave(V a, V b, V& even, V& odd) {
  even = Low(a, b);
  odd = High(a, b);
}

inline void StoreTransposed(double* out, V y0, V y1, V y2, V y3) {
  Store2(out, Low(y0, y1));
  Store2(out + 2, Low(y2, y3));
  Store2(out + 4, High(y0, y1));
  Store2(out + 6, High(y2, y3));
}

#include "spectrum/hartley_kernels.inc"

}  // namespace two_lanes

#ifdef OSSEL_VECTOR4
#pragma GCC push_options
#pragma GCC target("avx2")

namespace four_lanes {

using namespace vector4;

inline void Deinterleave(V a, V b, V& even, V& odd) {
  even = __builtin_shufflevector(a, b, 0, 2, 4, 6);
  odd = __builtin_shufflevector(a, b, 1, 3, 5, 7);
}

inline void StoreTransposed(double* out, V y0, V y1, V y2, V y3) {
  const V t0 = __builtin_shufflevector(y0, y1, 0, 4, 2, 6);
  const V t1 = __builtin_shufflevector(y0, y1, 1, 5, 3, 7);
  const V t2 = __builtin_shufflevector(y2, y3, 0, 4, 2, 6);
  const V t3 = __builtin_shufflevector(y2, y3, 1, 5, 3, 7);
  StoreV(out, __builtin_shufflevector(t0, t2, 0, 1, 4, 5));
  StoreV(out + 4, __builtin_shufflevector(t1, t3, 0, 1, 4, 5));
  StoreV(out + 8, __builtin_shufflevector(t0, t2, 2, 3, 6, 7));
  StoreV(out + 12, __builtin_shufflevector(t1, t3, 2, 3, 6, 7));
}

#include "spectrum/hartley_kernels.inc"

}  // namespace four_lanes

#pragma GCC pop_options
#endif

// cos and sin of 2*pi*k/n, reduced to the first octant so that quarter turns come out exact.
void UnitRoot(std::size_t k, std::size_t n, double& cosine, double& sine) {
  const std::size_t quarter = n / 4;
  k %= n;
  const std::size_t quadrant = k / quarter;
  const std::size_t rest = k % quarter;
  const long double turn = 2.0L * 3.141592653589793238462643383279502884L / static_cast<long double>(n);
  double c, s;
  if (2 * rest <= quarter) {
    c = static_cast<double>(std::cos(turn * static_cast<long double>(rest)));
    s = static_cast<double>(std::sin(turn * static_cast<long double>(rest)));
  } else {
    c = static_cast<double>(std::sin(turn * static_cast<long double>(quarter - rest)));
    s = static_cast<double>(std::cos(turn * static_cast<long double>(quarter - rest)));
  }
  switch (quadrant) {
    case 0: cosine = c; sine = s; break;
    case 1: cosine = -s; sine = c; break;
    case 2: cosine = -c; sine = -s; break;
    default: cosine = s; sine = -c; break;
  }
}

}  // namespace

bool HartleyTransform::IsSupportedLength(std::size_t length) {
  if (length < 32 || length % 2 != 0) return false;
  std::size_t n = length / 2;
  while (n % 4 == 0) n /= 4;
  return n == 1;
}

HartleyTransform::HartleyTransform(std::size_t length, bool allowFourLanes) {
  if (!IsSupportedLength(length)) return;
  length_ = length;
  fourLanes_ = allowFourLanes && WidestLanes() >= 4;
  const std::size_t half = length / 2;
  for (std::size_t size = half; size > 1; size /= 4) {
    const std::size_t m = size / 4;
    const std::size_t offset = twiddles_.size();
    twiddles_.resize(offset + 6 * m);
    for (std::size_t p = 0; p < m; ++p) {
      for (std::size_t r = 1; r <= 3; ++r) {
        double c, s;
        UnitRoot(r * p, size, c, s);
        twiddles_[offset + (2 * r - 2) * m + p] = c;
        twiddles_[offset + (2 * r - 1) * m + p] = -s;  // e^(-2*pi*i*r*p/size)
      }
    }
  }
  splitCos_.resize(half / 2 + 1);
  splitSin_.resize(half / 2 + 1);
  for (std::size_t k = 0; k <= half / 2; ++k) UnitRoot(k, length_, splitCos_[k], splitSin_[k]);
  for (int b = 0; b < 2; ++b) {
    re_[b].resize(half);
    im_[b].resize(half);
  }
}

void HartleyTransform::Transform(const double* input, double* output, double inputScale) {
  if (length_ == 0) return;
  const TransformTables tables{length_ / 2,
                               twiddles_.data(),
                               splitCos_.data(),
                               splitSin_.data(),
                               {re_[0].data(), re_[1].data()},
                               {im_[0].data(), im_[1].data()}};
#ifdef OSSEL_VECTOR4
  if (fourLanes_) {
    four_lanes::Transform(tables, input, inputScale, output);
    return;
  }
#endif
  two_lanes::Transform(tables, input, inputScale, output);
}

}  // namespace ossel
