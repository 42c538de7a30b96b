#pragma once

namespace ossel {

// The widest vectors of doubles the kernels of this library run on: 8 lanes where the processor has AVX-512 (F and
// DQ) and the build can target it, 4 where it has AVX2, 2 otherwise. Every width performs the same IEEE double
// operations in the same order, so the results never depend on it.
//
// The environment variable OSSEL_LANES (2, 4 or 8), read once, lowers the width, so that the narrower kernels can be
// measured on the same machine; a width the processor lacks is never taken.
int WidestLanes();

// The width the processor allows, whatever OSSEL_LANES says.
int ProcessorLanes();

// Whether the processor has fused multiply-adds, which the four- and eight-lane magnitudes take for exact products.
bool HasFusedMultiplyAdd();

}  // namespace ossel
