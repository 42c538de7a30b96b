#pragma once

// Vectors of four doubles for the AVX2 kernels, where the compiler can target AVX2 for single functions (GCC on
// x86). The kernels' namespaces take these names as their own (`using namespace vector4`); everything here is
// compiled for AVX2, so it is called only after a check of the processor.

#if defined(__GNUC__) && !defined(__clang__) && (defined(__x86_64__) || defined(__i386__))
#define OSSEL_VECTOR4 1

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#pragma GCC push_options
#pragma GCC target("avx2")

namespace ossel::vector4 {

using V = double __attribute__((vector_size(32)));
using U = std::uint64_t __attribute__((vector_size(32)));  // 64-bit unsigned integers of the same size
constexpr std::size_t kLanes = 4;

inline V LoadV(const double* p) {
  V v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
inline void StoreV(double* p, V v) { __builtin_memcpy(p, &v, sizeof v); }
inline V SplatV(double x) { return V{x, x, x, x}; }
inline U SplatU(std::uint64_t x) { return U{x, x, x, x}; }
inline V ReverseV(V v) { return __builtin_shufflevector(v, v, 3, 2, 1, 0); }

// Whether every lane of a comparison's result is set.
template <typename Mask>
inline bool AllLanes(Mask mask) {
  return _mm256_movemask_pd((__m256d)mask) == 15;
}

}  // namespace ossel::vector4

#pragma GCC pop_options
#endif
