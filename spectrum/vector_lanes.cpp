#include "spectrum/vector_lanes.h"

#include <cstdlib>
#include <cstring>

#include "spectrum/vector4.h"
#include "spectrum/vector8.h"

namespace ossel {
namespace {

int FindProcessorLanes() {
#ifdef OSSEL_VECTOR8
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq")) return 8;
#endif
#ifdef OSSEL_VECTOR4
  if (__builtin_cpu_supports("avx2")) return 4;
#endif
  return 2;
}

int ChosenLanes() {
  const int lanes = ProcessorLanes();
  const char* wanted = std::getenv("OSSEL_LANES");
  if (wanted == nullptr) return lanes;
  if (std::strcmp(wanted, "2") == 0) return 2;
  if (std::strcmp(wanted, "4") == 0 && lanes > 4) return 4;
  return lanes;
}

}  // namespace

int ProcessorLanes() {
  static const int lanes = FindProcessorLanes();
  return lanes;
}

int WidestLanes() {
  static const int lanes = ChosenLanes();
  return lanes;
}

bool HasFusedMultiplyAdd() {
#if defined(OSSEL_VECTOR4)
  static const bool fma = __builtin_cpu_supports("fma");
  return fma;
#else
  return false;
#endif
}

}  // namespace ossel
