#pragma once

#include <cstddef>
#include <vector>

namespace ossel {

// Unnormalised discrete Hartley transform of a real sequence,
// H[k] = sum over j of h[j] * (cos(2*pi*j*k/N) + sin(2*pi*j*k/N)), output in natural order.
//
// Computed from a radix-4 Stockham complex FFT of half the length (the even and odd samples packed as
// real and imaginary parts) followed by the usual real-input split. All tables and work buffers are made
// by the constructor; a transform allocates nothing. The kernels run four lanes wide where WidestLanes() allows
// four or more and two lanes wide otherwise, with the same results. One object serves one thread at a time.
class HartleyTransform {
 public:
  // length must be 2 * 4^k with length >= 32 (32, 128, 512, 2048, 8192, ...).
  static bool IsSupportedLength(std::size_t length);

  // Builds the tables for a supported length; Length() is 0 for any other. allowFourLanes = false keeps to
  // the two-lane kernels.
  explicit HartleyTransform(std::size_t length, bool allowFourLanes = true);

  std::size_t Length() const { return length_; }

  // Transforms input[0 .. Length() - 1], each value times inputScale as it is read (the product rounded as any
  // product), into output; the two may be the same array.
  void Transform(const double* input, double* output, double inputScale = 1.0);

 private:
  std::size_t length_ = 0;
  bool fourLanes_ = false;
  // For each stage (sub-transform size from length / 2 down to 4, m = size / 4) and p < m: w^p, w^2p and
  // w^3p with w = e^(-2*pi*i/size), as six arrays (re1, im1, re2, im2, re3, im3) of m values.
  std::vector<double> twiddles_;
  // cos and sin of 2*pi*k/length for k = 0 .. length / 4.
  std::vector<double> splitCos_;
  std::vector<double> splitSin_;
  // Ping-pong buffers of the complex FFT in split form.
  std::vector<double> re_[2];
  std::vector<double> im_[2];
};

}  // namespace ossel
