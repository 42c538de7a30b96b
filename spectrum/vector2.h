#pragma once

#include <cstring>

namespace ossel {

// Two doubles in one SSE2 register (GCC/Clang vector extension). Every operation is the IEEE double
// operation of each lane; nothing is fused or reassociated.
using V2 = double __attribute__((vector_size(16)));

inline V2 Load2(const double* p) {
  V2 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void Store2(double* p, V2 v) { std::memcpy(p, &v, sizeof v); }

inline V2 Splat(double x) { return V2{x, x}; }

// Lanes swapped.
inline V2 Swap(V2 v) { return __builtin_shufflevector(v, v, 1, 0); }

// (a[0], b[0]) and (a[1], b[1]).
inline V2 Low(V2 a, V2 b) { return __builtin_shufflevector(a, b, 0, 2); }
inline V2 High(V2 a, V2 b) { return __builtin_shufflevector(a, b, 1, 3); }

// Lane-wise a > b ? a : b and a < b ? a : b (the second operand wins ties and unordered pairs).
inline V2 Max(V2 a, V2 b) { return a > b ? a : b; }
inline V2 Min(V2 a, V2 b) { return a < b ? a : b; }

}  // namespace ossel
