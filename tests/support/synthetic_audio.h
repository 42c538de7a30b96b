#pragma once

// Synthetic full-band stereo audio at 44100 Hz, interleaved signed 16-bit, for engine tests and benchmarks.
// Header-only so that the benchmarks can use it without the test libraries.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace ossel::synthetic {

inline std::int16_t ToSample(double x) {
  return static_cast<std::int16_t>(std::lround(std::clamp(x, -32768.0, 32767.0)));
}

// Independent white noise in each channel.
inline std::vector<std::int16_t> WhiteNoise(std::size_t frames, double deviation, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> gauss(0.0, deviation);
  std::vector<std::int16_t> pcm(2 * frames);
  for (auto& v : pcm) v = ToSample(gauss(random));
  return pcm;
}

// Four voices of harmonic notes (sawtooth-like partials up to 20 kHz) that change every 0.2 to 1 s, panned
// across the channels, over pink and white noise.
inline std::vector<std::int16_t> MusicLike(std::size_t frames, unsigned seed) {
  constexpr double kRate = 44100.0;
  constexpr double kTwoPi = 6.283185307179586;
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::normal_distribution<double> gauss(0.0, 1.0);
  struct Voice {
    double frequency = 0, phase = 0, amplitude = 0, pan = 0;
    std::size_t end = 0;
  };
  std::vector<Voice> voices(4);
  double pink[2] = {0, 0};
  std::vector<std::int16_t> pcm(2 * frames);
  for (std::size_t i = 0; i < frames; ++i) {
    double out[2] = {0, 0};
    for (Voice& v : voices) {
      if (i >= v.end) {
        v.frequency = 110.0 * std::pow(2.0, std::floor(uniform(random) * 36) / 12);
        v.end = i + static_cast<std::size_t>(kRate * (0.2 + 0.8 * uniform(random)));
        v.amplitude = 0.5 + 0.5 * uniform(random);
        v.pan = uniform(random);
      }
      // sin(h * phase) for h = 1, 2, ... by the three-term recurrence.
      const double twoCos = 2 * std::cos(v.phase);
      double previous = 0, current = std::sin(v.phase), s = 0;
      for (int h = 1; h * v.frequency < 20000.0; ++h) {
        s += current / h;
        const double next = twoCos * current - previous;
        previous = current;
        current = next;
      }
      v.phase = std::fmod(v.phase + kTwoPi * v.frequency / kRate, kTwoPi);
      out[0] += v.amplitude * v.pan * s;
      out[1] += v.amplitude * (1 - v.pan) * s;
    }
    for (int c = 0; c < 2; ++c) {
      pink[c] = 0.97 * pink[c] + 0.03 * gauss(random);
      pcm[2 * i + c] = ToSample(out[c] * 3000 + pink[c] * 2000 + gauss(random) * 300);
    }
  }
  return pcm;
}

}  // namespace ossel::synthetic
