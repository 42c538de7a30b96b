// The analysis report: one block of lines per analysed track and one line for the disc, in the console's text.
#pragma once

#include <cstdint>
#include <string>

#include "detector/track_detector.h"

namespace ossel {

// "%e" as the report shows it: at least three exponent digits (4.410000e+004), halves rounded up.
std::string FormatE(double value);

// The word a track row shows for a track verdict (0.0, 1.0, 2.0): "MPEG", "CDDA", or for an undecided track "未知的"
// in the chosen language.
std::string TrackVerdictWord(double verdict);
// The word of an undecided track, in the chosen language.
std::string UndecidedWord();
// The word the disc row shows: "MPEG", "CDDA" or "UNKN", in every language.
std::string DiscVerdictWord(int verdict);
// The disc row's name, "光盘结论" in the chosen language.
std::string DiscRowName();
// The word a track row and the disc row show instead of a verdict when the disc's medium broke while it was read:
// "读取失败" in the chosen language.
std::string ReadFailedWord();

// The block of the track at row `rowIndex` that gave `blocks` processed data blocks. With `result` null the block
// says there was not enough data. `statusText` is the verdict word the row now shows. Lines end in "\r\n".
std::string TrackReportBlock(int rowIndex, int blocks, const TrackResult* result, const std::string& statusText);
// "光盘结论: %s 的概率为 %lf\r\n"
std::string DiscReportLine(const std::string& statusText, double probability);

// The console's append rule: the text, then one more line break.
void ConsoleAppendTo(std::string& console, const std::string& text);

}  // namespace ossel
