#pragma once

#include <array>
#include <cstdint>

namespace ossel {

constexpr int kStageCount = 3;
constexpr int kFeatureCount = 8;
constexpr int kHiddenUnits = 20;
constexpr int kLikelihoodEntries = 201;  // entry j covers scores from -1 + j / 100.5 to -1 + (j + 1) / 100.5

using LikelihoodTable = std::array<double, kLikelihoodEntries>;

// One classifier stage: a scaled-input layer, twenty clipped hidden units, a linear output and the two
// likelihood tables in which the output score is looked up.
struct StageParameters {
  std::array<double, kFeatureCount> inputCentre;                                    // m[i]
  std::array<double, kFeatureCount> inputScale;                                     // s[i]
  std::array<std::array<double, kFeatureCount>, kHiddenUnits> hiddenWeight;         // w[h][i], whole numbers
  std::array<std::int32_t, kHiddenUnits> hiddenGain;                                // g[h]
  std::array<double, kHiddenUnits> hiddenCentre;                                    // c[h]
  std::array<double, kHiddenUnits> hiddenScale;                                     // k[h]
  std::array<double, kHiddenUnits> outputWeight;                                    // v[h], whole numbers
  std::int32_t outputGain;                                                          // G
  double outputCentre;                                                              // C
  double outputScale;                                                               // K
  LikelihoodTable cddaLikelihoodTable;
  LikelihoodTable mpegLikelihoodTable;
};

// The built-in parameter set of stage 0, 1 or 2 (other values give set 0).
const StageParameters& StageParameterSet(int stage);

}  // namespace ossel
