#include "analysis/report.h"


#include "device/text_format.h"
#include "platform/crt_format.h"

namespace ossel {

const char kUndecidedWord[] = "未知的";

std::string FormatE(double value) { return FormatExponent(value, 6); }

std::string TrackVerdictWord(double verdict) {
  if (verdict == 0.0) return "MPEG";
  if (verdict == 1.0) return "CDDA";
  return kUndecidedWord;
}

std::string DiscVerdictWord(int verdict) {
  switch (verdict) {
    case 0: return "MPEG";
    case 1: return "CDDA";
    default: return "UNKN";
  }
}

namespace {
// The counts are whole numbers held in doubles; the report shows them truncated to 32-bit integers.
long Count(double value) { return static_cast<long>(static_cast<std::int32_t>(value)); }
}  // namespace

std::string TrackReportBlock(int rowIndex, int blocks, const TrackResult* result, const std::string& statusText) {
  std::string block = FormatText("音轨: %02d\r\n", rowIndex + 1);
  block += "------------------------------------------------------------\r\n";
  block += FormatText("经过加工的数据块: %d\r\n", blocks);
  if (!result) {
    block += "没有足够的数据来分析\r\n";
  } else {
    const TrackResult& r = *result;
    block += "最大频率: " + FormatE(r.cutoffPeakPosition) + "\r\n";
    block += "光谱峰值: " + FormatE(r.hfPeakValue) + " at " + FormatE(r.hfPeakFrequency) + " Hz\r\n";
    block += "最小分散阶段: " + FormatE(r.minPhaseSpread) + "\r\n";
    block += FormatText("统计信息 (1,2): %06ld %06ld, ", Count(r.cutoffCount1), Count(r.cutoffCount2)) +
             FormatE(r.cutoffRatio21) + "\r\n";
    block += FormatText("统计信息 (3,4): %06ld %06ld, ", Count(r.cutoffCount3), Count(r.cutoffCount4)) +
             FormatE(r.cutoffRatio43) + "\r\n";
    block += FormatText("完成阶段: %d\r\n", r.stagesDone);
    for (int i = 0; i < r.stagesDone && i < 3; ++i) {
      block += FormatText("阶段 %d 结果为: ", i) + FormatE(r.stageScore[i]) +
               ", 概率为: " + FormatE(r.stageProbability[i]) + "\r\n";
    }
  }
  block += "音轨结论: " + statusText + "\r\n";
  return block;
}

std::string DiscReportLine(const std::string& statusText, double probability) {
  return "光盘结论: " + statusText + " 的概率为 " + FormatFixed(probability, 6) + "\r\n";
}

void ConsoleAppendTo(std::string& console, const std::string& text) {
  console += text;
  console += "\r\n";
}

}  // namespace ossel
