#include "spectrum/vector_log.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "spectrum/vector2.h"
#include "spectrum/vector4.h"
#include "spectrum/vector8.h"
#include "spectrum/vector_lanes.h"

#if defined(OSSEL_VECTOR4) || defined(OSSEL_VECTOR8)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

// The kernels rely on every product and sum being rounded on its own: the library is built without contraction
// into fused multiply-adds (-ffp-contract=off), which the eight-lane target would otherwise allow, and never with
// -ffast-math.

namespace ossel {
namespace {

constexpr std::uint64_t kFractionMask = 0x000FFFFFFFFFFFFFull;
constexpr std::uint64_t kOneBits = 0x3FF0000000000000ull;      // 1.0
constexpr std::uint64_t kTwo52Bits = 0x4330000000000000ull;    // 2^52
constexpr std::uint64_t kHighMask = 0xFFFFFFFFF8000000ull;     // sign, exponent and 25 fraction bits
constexpr double kSmallestNormal = std::numeric_limits<double>::min();
constexpr double kLargestFinite = std::numeric_limits<double>::max();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ln 2 as a leading part of 32 significant bits (so that k * kLn2Hi is exact) and the rest.
constexpr double kLn2Hi = 0x1.62e42fee00000p-1;
constexpr double kLn2Lo = 0x1.a39ef35793c76p-33;
// log10 2 likewise, the leading part a multiple of 2^-33.
constexpr double kLog10Of2Hi = 0x1.3441350ap-2;
constexpr double kLog10Of2Lo = -0x1.0c0219dc1da99p-39;
// 1 / ln 10 as a pair, the leading part also split in halves of 26 bits for Dekker's product.
constexpr double kInvLn10Hi = 0x1.bcb7b1526e50ep-2;
constexpr double kInvLn10Lo = 0x1.95355baaafad3p-57;
constexpr double kInvLn10HiHigh = 0x1.bcb7b1p-2;  // 26 significant bits
constexpr double kInvLn10HiLow = kInvLn10Hi - kInvLn10HiHigh;

// 1/3, -1/4, ..., 1/9: ln(1 + r) = r - r^2/2 + r^3 (1/3 - r/4 + r^2/5 - ...).
constexpr double kSeries[7] = {1.0 / 3, -1.0 / 4, 1.0 / 5, -1.0 / 6, 1.0 / 7, -1.0 / 8, 1.0 / 9};

// One interval of the reduction.
struct alignas(32) LogEntry {
  double invc;
  double exponentStep;  // 1 in the intervals from sqrt(2) up
  double logHi;         // log(1 / invc), or log(1 / (2 invc)) where exponentStep is 1: a multiple of 2^-32
  double logLo;         // (2^-33 for base 10) and the rest
};

struct LogTable {
  LogEntry natural[128];
  LogEntry decimal[128];
};

constexpr int kFirstUpperInterval = 53;  // m >= 1 + 53/128 = 1.4140625

LogTable MakeTable() {
  LogTable t{};
  for (int i = 0; i < 128; ++i) {
    const bool upper = i >= kFirstUpperInterval;
    long double invc;
    if (i == 0) {
      invc = 1.0L;
    } else if (i == 127) {
      invc = 0.5L;
    } else {
      // Eight significant bits: a multiple of 2^-8 in [0.5, 1].
      const long double middle = 1.0L + (i + 0.5L) / 128;
      invc = std::nearbyint(256 / middle) / 256;
    }
    const long double logarithm = -std::log(upper ? 2 * invc : invc);
    const long double decimal = logarithm * 0.434294481903251827651128918916605082294397L;
    t.natural[i] = {static_cast<double>(invc), upper ? 1.0 : 0.0, 0, 0};
    t.natural[i].logHi = static_cast<double>(std::nearbyint(std::ldexp(logarithm, 32)) / 0x1p32L);
    t.natural[i].logLo = static_cast<double>(logarithm - t.natural[i].logHi);
    t.decimal[i] = t.natural[i];
    t.decimal[i].logHi = static_cast<double>(std::nearbyint(std::ldexp(decimal, 33)) / 0x1p33L);
    t.decimal[i].logLo = static_cast<double>(decimal - t.decimal[i].logHi);
  }
  return t;
}

const LogTable& Tables() {
  static const LogTable tables = MakeTable();
  return tables;
}

namespace two_lanes {

using V = V2;
using U = std::uint64_t __attribute__((vector_size(16)));
constexpr std::size_t kLanes = 2;

inline V LoadV(const double* p) { return Load2(p); }
inline void StoreV(double* p, V v) { Store2(p, v); }
inline V SplatV(double x) { return Splat(x); }
inline U SplatU(std::uint64_t x) { return U{x, x}; }

template <typename Mask>
inline bool AllLanes(Mask mask) {
#ifdef __SSE2__
  return _mm_movemask_pd((V)mask) == 3;
#else
  return mask[0] != 0 && mask[1] != 0;
#endif
}

inline void GatherEntries(const LogEntry* table, U index, V& invc, V& step, V& logHi, V& logLo) {
  const double* e0 = &table[index[0]].invc;
  const double* e1 = &table[index[1]].invc;
  const V a0 = Load2(e0), a1 = Load2(e1), b0 = Load2(e0 + 2), b1 = Load2(e1 + 2);
  invc = Low(a0, a1);
  step = High(a0, a1);
  logHi = Low(b0, b1);
  logLo = High(b0, b1);
}

#include "spectrum/vector_log_kernels.inc"

}  // namespace two_lanes

#ifdef OSSEL_VECTOR4
#pragma GCC push_options
#pragma GCC target("avx2")

namespace four_lanes {

using namespace vector4;

// The four entries as rows of a 4 x 4 matrix, transposed.
inline void GatherEntries(const LogEntry* table, U index, V& invc, V& step, V& logHi, V& logLo) {
  const V r0 = LoadV(&table[index[0]].invc), r1 = LoadV(&table[index[1]].invc);
  const V r2 = LoadV(&table[index[2]].invc), r3 = LoadV(&table[index[3]].invc);
  const V t0 = __builtin_shufflevector(r0, r1, 0, 4, 2, 6);  // invc0 invc1 logHi0 logHi1
  const V t1 = __builtin_shufflevector(r0, r1, 1, 5, 3, 7);  // step0 step1 logLo0 logLo1
  const V t2 = __builtin_shufflevector(r2, r3, 0, 4, 2, 6);
  const V t3 = __builtin_shufflevector(r2, r3, 1, 5, 3, 7);
  invc = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
  step = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
  logHi = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
  logLo = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

#include "spectrum/vector_log_kernels.inc"

}  // namespace four_lanes

#pragma GCC pop_options
#endif

#ifdef OSSEL_VECTOR8
#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq")

namespace eight_lanes {

using namespace vector8;

// Lanes 0-3 and 4-7 each as the four-lane gather does it, then joined.
inline void GatherEntries(const LogEntry* table, U index, V& invc, V& step, V& logHi, V& logLo) {
  using V4 = double __attribute__((vector_size(32)));
  V4 field[2][4];
  for (int half = 0; half < 2; ++half) {
    V4 r[4];
    for (int l = 0; l < 4; ++l) __builtin_memcpy(&r[l], &table[index[4 * half + l]].invc, sizeof(V4));
    const V4 t0 = __builtin_shufflevector(r[0], r[1], 0, 4, 2, 6);
    const V4 t1 = __builtin_shufflevector(r[0], r[1], 1, 5, 3, 7);
    const V4 t2 = __builtin_shufflevector(r[2], r[3], 0, 4, 2, 6);
    const V4 t3 = __builtin_shufflevector(r[2], r[3], 1, 5, 3, 7);
    field[half][0] = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    field[half][1] = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    field[half][2] = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    field[half][3] = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
  }
  invc = __builtin_shufflevector(field[0][0], field[1][0], 0, 1, 2, 3, 4, 5, 6, 7);
  step = __builtin_shufflevector(field[0][1], field[1][1], 0, 1, 2, 3, 4, 5, 6, 7);
  logHi = __builtin_shufflevector(field[0][2], field[1][2], 0, 1, 2, 3, 4, 5, 6, 7);
  logLo = __builtin_shufflevector(field[0][3], field[1][3], 0, 1, 2, 3, 4, 5, 6, 7);
}

#include "spectrum/vector_log_kernels.inc"

}  // namespace eight_lanes

#pragma GCC pop_options
#endif

int Lanes(LogLanes lanes) {
  switch (lanes) {
    case LogLanes::Two: return 2;
    case LogLanes::Four: return ProcessorLanes() >= 4 ? 4 : 2;
    case LogLanes::Eight: return ProcessorLanes();
    case LogLanes::Best: break;
  }
  return WidestLanes();
}

template <bool kDecimal>
void LogOfSum(const double* x, double add, double* out, std::size_t count, LogLanes lanes) {
  switch (Lanes(lanes)) {
#ifdef OSSEL_VECTOR8
    case 8: return eight_lanes::LogOfSum<kDecimal>(x, add, out, count);
#endif
#ifdef OSSEL_VECTOR4
    case 4: return four_lanes::LogOfSum<kDecimal>(x, add, out, count);
#endif
    default: return two_lanes::LogOfSum<kDecimal>(x, add, out, count);
  }
}

}  // namespace

void NaturalLogOfSum(const double* x, double add, double* out, std::size_t count, LogLanes lanes) {
  LogOfSum<false>(x, add, out, count, lanes);
}

void DecimalLogOfSum(const double* x, double add, double* out, std::size_t count, LogLanes lanes) {
  LogOfSum<true>(x, add, out, count, lanes);
}

}  // namespace ossel
