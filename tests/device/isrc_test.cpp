#include "device/isrc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/cd_drive.h"
#include "platform/script_backend.h"
#include "support/scripted_drive.h"

namespace ossel {
namespace {

using Answer = ScriptDevice::Answer;

// The answer of the sub-channel request for a track with the given 12-character code.
Answer IsrcAnswer(const std::string& code, bool valid = true) {
  ioctl::SubQTrackIsrc isrc{};
  isrc.formatCode = ioctl::kSubQFormatTrackIsrc;
  isrc.tcval = valid ? 0x80 : 0x00;
  std::memcpy(isrc.code, code.data(), std::min(code.size(), sizeof isrc.code));
  Answer a;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&isrc);
  a.output.assign(bytes, bytes + sizeof isrc);
  return a;
}

// A disc with audio tracks 1 to 3 and a data track 4.
struct IsrcDrive : test::ScriptedDrive {
  IsrcDrive() {
    EXPECT_TRUE(OpenWithToc({{1, 0}, {2, 10000}, {3, 20000}, {4, 30000, false}}, 40000));
    device->ClearCalls();
  }

  // The row read for track n, or none.
  std::vector<IsrcRow> Read(int n) {
    std::vector<IsrcRow> rows;
    EXPECT_TRUE(drive.ReadTrackIsrc(rows, n));
    EXPECT_LE(rows.size(), 1u);
    return rows;
  }

  IsrcRow ReadCode(const std::string& code, int n = 1) {
    device->Queue(ioctl::kCdromReadQChannel, IsrcAnswer(code));
    std::vector<IsrcRow> rows = Read(n);
    return rows.empty() ? IsrcRow{"<no row>", "", "", "", ""} : rows[0];
  }
};

TEST(TrackIsrc, RowFromTheCodeOfOneTrack) {
  IsrcDrive d;
  IsrcRow row = d.ReadCode("USS1Z9912345", 3);
  EXPECT_EQ(row.track, "音频轨道 3");
  EXPECT_EQ(row.country, "United States");
  EXPECT_EQ(row.publisher, "S1Z");
  EXPECT_EQ(row.year, "1999");
  EXPECT_EQ(row.code, "USS1Z9912345");

  std::vector<ScriptDevice::Call> calls = d.device->Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].code, ioctl::kCdromReadQChannel);
  EXPECT_EQ(calls[0].input, (std::vector<std::uint8_t>{3, 3}));  // format: track ISRC, track 3
  EXPECT_EQ(calls[0].outputBytes, 24u);

  EXPECT_EQ(d.ReadCode("GBAYE0500123", 4).track, "数据轨道 4");
}

TEST(TrackIsrc, YearsFrom70AreNineteenHundreds) {
  IsrcDrive d;
  EXPECT_EQ(d.ReadCode("FRZ030500001").year, "2005");
  EXPECT_EQ(d.ReadCode("FRZ036900001").year, "2069");
  EXPECT_EQ(d.ReadCode("FRZ037000001").year, "1970");
  EXPECT_EQ(d.ReadCode("FRZ030000001").year, "2000");
  // Non-digits compare as bytes; a missing year leaves the century alone.
  EXPECT_EQ(d.ReadCode("FRZ03AB00001").year, "19AB");
  EXPECT_EQ(d.ReadCode("FRZ03").year, "20");
}

TEST(TrackIsrc, FieldsEndAtANulAndTheCodeAtTwelveCharacters) {
  IsrcDrive d;
  IsrcRow row = d.ReadCode("JPA1234567890XY");  // 15 bytes: the last three are not part of the code
  EXPECT_EQ(row.code, "JPA123456789");
  EXPECT_EQ(row.publisher, "A12");
  row = d.ReadCode(std::string("DEAB\0", 5) + "9912345");
  EXPECT_EQ(row.country, "Germany");
  EXPECT_EQ(row.publisher, "AB");
  EXPECT_EQ(row.year, "1999");
  EXPECT_EQ(row.code, "DEAB");
}

TEST(TrackIsrc, UnknownCountriesStillGiveARow) {
  IsrcDrive d;
  IsrcRow row = d.ReadCode("usabc0512345");
  EXPECT_EQ(row.country, "N/A");
  EXPECT_EQ(row.publisher, "abc");
  EXPECT_EQ(row.code, "usabc0512345");
  EXPECT_EQ(d.ReadCode("ZZABC0512345").country, "N/A");
}

TEST(TrackIsrc, NoRowWithoutAValidCode) {
  IsrcDrive d;
  d.device->Queue(ioctl::kCdromReadQChannel, IsrcAnswer("USS1Z9912345", false));
  EXPECT_TRUE(d.Read(1).empty());
  Answer refused;
  refused.status = IoStatus::Failed;
  d.device->Queue(ioctl::kCdromReadQChannel, refused);
  EXPECT_TRUE(d.Read(2).empty());
  EXPECT_EQ(d.device->CountCalls(ioctl::kCdromReadQChannel), 2);
}

TEST(TrackIsrc, TracksOutsideTheTableSendNoRequest) {
  IsrcDrive d;
  d.device->SetAnswer(ioctl::kCdromReadQChannel, IsrcAnswer("USS1Z9912345"));
  for (int n : {0, 5, -1, 256}) EXPECT_TRUE(d.Read(n).empty()) << n;
  EXPECT_EQ(d.device->CountCalls(ioctl::kCdromReadQChannel), 0);
  EXPECT_EQ(d.Read(1).size(), 1u);
  EXPECT_EQ(d.Read(4).size(), 1u);
}

TEST(CountryName, SharedNamesAndCaseSensitivity) {
  EXPECT_EQ(CountryName("GB"), "United Kingdom");
  EXPECT_EQ(CountryName("UK"), "United Kingdom");
  EXPECT_EQ(CountryName("CD"), "Congo");
  EXPECT_EQ(CountryName("CG"), "Congo");
  EXPECT_EQ(CountryName("gb"), "N/A");
  EXPECT_EQ(CountryName("Gb"), "N/A");
  EXPECT_EQ(CountryName("\xC1\xC2"), "N/A");
}

TEST(CountryTable, TranscribedWhole) {
  std::span<const CountryEntry> table = CountryTable();
  ASSERT_EQ(table.size(), 252u);
  EXPECT_STREQ(table.front().name, "Ascension Island");
  EXPECT_EQ(table.front().key, 'A' * 256 + 'C');
  EXPECT_STREQ(table.back().name, "Zimbabwe");
  EXPECT_EQ(table.back().key, 'Z' * 256 + 'W');
  EXPECT_EQ(CountryName("CI"), "Cote d'Ivoire");
  EXPECT_EQ(CountryName("HM"), "Heard Island and McDonald Islands");
  EXPECT_EQ(CountryName("MK"), "Former Yugoslav Republic of Macedonia");
  EXPECT_EQ(CountryName("TD"), "Tchad");
  EXPECT_EQ(CountryName("VI"), "U.S. Virgin Islands");
  for (const char* reserved : {"AC", "CP", "DG", "EA", "EU", "FX", "IC", "TA", "UK"})
    EXPECT_NE(CountryName(reserved), "N/A") << reserved;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const int first = table[i].key >> 8, second = table[i].key & 0xFF;
    EXPECT_TRUE(first >= 'A' && first <= 'Z' && second >= 'A' && second <= 'Z') << table[i].name;
    if (i > 0) {
      EXPECT_LT(table[i - 1].key, table[i].key);
    }
    const char code[2] = {static_cast<char>(first), static_cast<char>(second)};
    EXPECT_EQ(CountryName(code), table[i].name);
  }
}

}  // namespace
}  // namespace ossel
