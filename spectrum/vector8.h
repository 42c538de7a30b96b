#pragma once

// Vectors of eight doubles for the AVX-512 kernels, where the compiler can target AVX-512 for single functions (GCC
// on x86-64). As with the four-lane vectors, everything here is compiled for that target and called only after a
// check of the processor (WidestLanes).

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define OSSEL_VECTOR8 1

#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq")

namespace ossel::vector8 {

using V = double __attribute__((vector_size(64)));

inline V LoadV(const double* p) {
  V v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
inline void StoreV(double* p, V v) { __builtin_memcpy(p, &v, sizeof v); }
inline V SplatV(double x) { return V{x, x, x, x, x, x, x, x}; }

}  // namespace ossel::vector8

#pragma GCC pop_options
#endif
