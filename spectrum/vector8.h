#pragma once

// Vectors of eight doubles for the AVX-512 kernels, where the compiler can target AVX-512 for single functions (GCC
// on x86-64). As with the four-lane vectors, the kernels' namespaces take these names as their own (`using namespace
// vector8`), and everything here is compiled for that target and called only after a check of the processor
// (WidestLanes).

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define OSSEL_VECTOR8 1

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq")

namespace ossel::vector8 {

using V = double __attribute__((vector_size(64)));
using U = std::uint64_t __attribute__((vector_size(64)));  // 64-bit unsigned integers of the same size
constexpr std::size_t kLanes = 8;

inline V LoadV(const double* p) {
  V v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
inline void StoreV(double* p, V v) { __builtin_memcpy(p, &v, sizeof v); }
inline V SplatV(double x) { return V{x, x, x, x, x, x, x, x}; }
inline U SplatU(std::uint64_t x) { return U{x, x, x, x, x, x, x, x}; }
inline V ReverseV(V v) { return __builtin_shufflevector(v, v, 7, 6, 5, 4, 3, 2, 1, 0); }

// Whether every lane of a comparison's result is set.
template <typename Mask>
inline bool AllLanes(Mask mask) {
  return _mm512_movepi64_mask((__m512i)mask) == 0xFF;
}

}  // namespace ossel::vector8

#pragma GCC pop_options
#endif
