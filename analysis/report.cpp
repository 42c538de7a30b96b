#include "analysis/report.h"


#include "device/text_format.h"
#include "platform/crt_format.h"
#include "platform/language.h"

namespace ossel {


std::string FormatE(double value) { return FormatExponent(value, 6); }

std::string TrackVerdictWord(double verdict) {
  if (verdict == 0.0) return "MPEG";
  if (verdict == 1.0) return "CDDA";
  return UndecidedWord();
}

std::string UndecidedWord() { return Translate("TrackRow", "未知的"); }

std::string DiscRowName() { return Translate("TrackRow", "光盘结论"); }

std::string ReadFailedWord() { return Translate("TrackRow", "读取失败"); }

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

// Each line is one text of the catalogue, with the numbers the report formats itself as "%s" and the line break
// added here, so that an English line keeps its source's placeholders in the same order.
std::string TrackReportBlock(int rowIndex, int blocks, const TrackResult* result, const std::string& statusText) {
  std::string block = FormatText(Translate("Report", "音轨: %02d"), rowIndex + 1) + "\r\n";
  block += "------------------------------------------------------------\r\n";
  block += FormatText(Translate("Report", "经过加工的数据块: %d"), blocks) + "\r\n";
  if (!result) {
    block += std::string(Translate("Report", "没有足够的数据来分析")) + "\r\n";
  } else {
    const TrackResult& r = *result;
    block += FormatText(Translate("Report", "最大频率: %s"), FormatE(r.cutoffPeakPosition).c_str()) + "\r\n";
    block += FormatText(Translate("Report", "光谱峰值: %s at %s Hz"), FormatE(r.hfPeakValue).c_str(),
                        FormatE(r.hfPeakFrequency).c_str()) + "\r\n";
    block += FormatText(Translate("Report", "最小分散阶段: %s"), FormatE(r.minPhaseSpread).c_str()) + "\r\n";
    block += FormatText(Translate("Report", "统计信息 (1,2): %06ld %06ld, %s"), Count(r.cutoffCount1),
                        Count(r.cutoffCount2), FormatE(r.cutoffRatio21).c_str()) + "\r\n";
    block += FormatText(Translate("Report", "统计信息 (3,4): %06ld %06ld, %s"), Count(r.cutoffCount3),
                        Count(r.cutoffCount4), FormatE(r.cutoffRatio43).c_str()) + "\r\n";
    block += FormatText(Translate("Report", "完成阶段: %d"), r.stagesDone) + "\r\n";
    for (int i = 0; i < r.stagesDone && i < 3; ++i) {
      block += FormatText(Translate("Report", "阶段 %d 结果为: %s, 概率为: %s"), i, FormatE(r.stageScore[i]).c_str(),
                          FormatE(r.stageProbability[i]).c_str()) + "\r\n";
    }
  }
  block += FormatText(Translate("Report", "音轨结论: %s"), statusText.c_str()) + "\r\n";
  return block;
}

std::string DiscReportLine(const std::string& statusText, double probability) {
  return FormatText(Translate("Report", "光盘结论: %s 的概率为 %s"), statusText.c_str(),
                    FormatFixed(probability, 6).c_str()) + "\r\n";
}

void ConsoleAppendTo(std::string& console, const std::string& text) {
  console += text;
  console += "\r\n";
}

}  // namespace ossel
