// The version of what makes a disc's results: the spectrum transform and the detection engine (spectrum/,
// detector/), the analysis job and its report (analysis/), and the reading of discs and their files (platform/,
// device/). The result cache of `ossel analyze` keys every result on it and on the program's version, so that a
// result kept by one build is never taken for another's.
//
// Raise it by one with every change that can make any output of `ossel analyze` differ for the same disc and
// options: a number of the engine, a verdict, a line or a word of the report, a field of a record or a row, a note
// about a disc's files. A change for which the exactness guard's reports (tests/guard) must be recorded anew is
// always one. A change that leaves every output as it was (speed, structure) keeps it.
#pragma once

namespace ossel::cli {

inline constexpr int kEngineVersion = 5;

}  // namespace ossel::cli
