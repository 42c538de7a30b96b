#include "analysis/report.h"

#include <gtest/gtest.h>

#include <cmath>

#include "device/track_row.h"
#include "display/builders.h"

namespace ossel {
namespace {

TEST(ReportNumbers, ExponentsHaveAtLeastThreeDigits) {
  EXPECT_EQ(FormatE(44100.0), "4.410000e+004");
  EXPECT_EQ(FormatE(0.0), "0.000000e+000");
  EXPECT_EQ(FormatE(-5.799462e-3), "-5.799462e-003");
  EXPECT_EQ(FormatE(1e-300), "1.000000e-300");
  EXPECT_EQ(FormatE(2.5e123), "2.500000e+123");
  EXPECT_EQ(FormatE(0.95), "9.500000e-001");
}

TEST(ReportNumbers, SizesRoundHalvesUp) {
  EXPECT_EQ(TrackSizeText(2048), "4.63 Mb");  // 4.625 exactly
  EXPECT_EQ(TrackSizeText(2999), "6.77 Mb");
  EXPECT_EQ(DiscReportLine("MPEG", 0.9999995), "光盘结论: MPEG 的概率为 1.000000\r\n");
}

TEST(ReportNumbers, TimeSpansDropTheHours) {
  EXPECT_EQ(SpanText(0), "00:00");
  EXPECT_EQ(SpanText(59), "00:59");
  EXPECT_EQ(SpanText(61), "01:01");
  EXPECT_EQ(SpanText(3900), "05:00");  // 1 hour 5 minutes
}

TEST(ReportWords, UndecidedTracksAndDiscsUseTheirOwnWords) {
  EXPECT_EQ(TrackVerdictWord(0.0), "MPEG");
  EXPECT_EQ(TrackVerdictWord(1.0), "CDDA");
  EXPECT_EQ(TrackVerdictWord(2.0), "未知的");
  EXPECT_EQ(DiscVerdictWord(2), "UNKN");
}

TEST(ReportBlock, NotEnoughData) {
  EXPECT_EQ(TrackReportBlock(0, 300, nullptr, "未知的"),
            "音轨: 01\r\n"
            "------------------------------------------------------------\r\n"
            "经过加工的数据块: 300\r\n"
            "没有足够的数据来分析\r\n"
            "音轨结论: 未知的\r\n");
}

TEST(ReportBlock, JudgedTrackListsEveryStageRun) {
  TrackResult r;
  r.cutoffPeakPosition = 21891.0;
  r.hfPeakValue = -0.005799462;
  r.hfPeakFrequency = 20429.63;
  r.minPhaseSpread = 1.920446;
  r.cutoffCount1 = 430;
  r.cutoffCount2 = 171.9;  // shown truncated
  r.cutoffRatio21 = 0.3976744;
  r.cutoffCount3 = 1234567;
  r.cutoffCount4 = 0;
  r.cutoffRatio43 = 0;
  r.stagesDone = 2;
  r.stageScore[0] = -0.6047302;
  r.stageProbability[0] = 1;
  r.stageScore[1] = -0.2675517;
  r.stageProbability[1] = 0.437486;
  r.stageScore[2] = 99;  // past stagesDone: never shown
  EXPECT_EQ(TrackReportBlock(11, 430, &r, "CDDA"),
            "音轨: 12\r\n"
            "------------------------------------------------------------\r\n"
            "经过加工的数据块: 430\r\n"
            "最大频率: 2.189100e+004\r\n"
            "光谱峰值: -5.799462e-003 at 2.042963e+004 Hz\r\n"
            "最小分散阶段: 1.920446e+000\r\n"
            "统计信息 (1,2): 000430 000171, 3.976744e-001\r\n"
            "统计信息 (3,4): 1234567 000000, 0.000000e+000\r\n"
            "完成阶段: 2\r\n"
            "阶段 0 结果为: -6.047302e-001, 概率为: 1.000000e+000\r\n"
            "阶段 1 结果为: -2.675517e-001, 概率为: 4.374860e-001\r\n"
            "音轨结论: CDDA\r\n");
}

TEST(ReportBlock, ShortcutTrackHasNoStageLines) {
  TrackResult r;
  r.stagesDone = 0;
  r.stageProbability[0] = 0.95;
  const std::string block = TrackReportBlock(1, 430, &r, "MPEG");
  EXPECT_NE(block.find("完成阶段: 0\r\n音轨结论: MPEG\r\n"), std::string::npos);
  EXPECT_EQ(block.find("阶段 0"), std::string::npos);
}

TEST(ReportBlock, DiscLineAndConsoleAppend) {
  EXPECT_EQ(DiscReportLine("UNKN", 0.5), "光盘结论: UNKN 的概率为 0.500000\r\n");
  std::string console;
  ConsoleAppendTo(console, "a\r\n");
  ConsoleAppendTo(console, "b\r\n");
  EXPECT_EQ(console, "a\r\n\r\nb\r\n\r\n");
}

}  // namespace
}  // namespace ossel
