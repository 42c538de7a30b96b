#include "disc_check.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "device/cd_drive.h"
#include "device/drive_info.h"
#include "device/isrc.h"
#include "fuzz_files.h"
#include "platform/drive_table.h"
#include "platform/virtual_disc.h"

namespace ossel::fuzz {

namespace {

constexpr int kChunk = 32;                // sectors a request, as the continuous builder reads
constexpr std::int32_t kReadLimit = 600;  // sectors read in all from one disc

// Reads [lba, lba + count) in requests of at most kChunk sectors; false when any of them fails.
bool ReadRange(CdDrive& drive, std::int32_t lba, std::int32_t count, std::vector<std::uint8_t>& buffer) {
  for (std::int32_t at = lba; at < lba + count; at += kChunk) {
    const int n = static_cast<int>(std::min<std::int32_t>(kChunk, lba + count - at));
    if (!drive.ReadAudioSectors(at, n, buffer.data())) return false;
  }
  return true;
}

}  // namespace

void CheckDisc(const std::shared_ptr<VirtualDisc>& disc) {
  const std::vector<VirtualTrack>& tracks = disc->Tracks();
  const std::int32_t leadOut = disc->LeadOutLba();
  OSSEL_FUZZ_CHECK(!tracks.empty() && tracks.size() <= 99);
  // Tracks follow each other, each at least a sector long as the table of contents counts it; a track's pregap
  // lies between the start of the track before and its own.
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const std::int32_t end = i + 1 < tracks.size() ? tracks[i + 1].startLba : leadOut;
    const std::int32_t previous = i > 0 ? tracks[i - 1].startLba : 0;
    // Numbered as the sheet numbers them: from any of 1 to 99, by one.
    OSSEL_FUZZ_CHECK(tracks[i].number == tracks[0].number + static_cast<int>(i));
    OSSEL_FUZZ_CHECK(tracks[i].number >= 1 && tracks[i].number <= 99);
    OSSEL_FUZZ_CHECK(tracks[i].pregapLba >= previous && tracks[i].pregapLba <= tracks[i].startLba);
    OSSEL_FUZZ_CHECK(tracks[i].startLba < end);
    OSSEL_FUZZ_CHECK(tracks[i].isrc.empty() || tracks[i].isrc.size() == 12);
  }
  // The table of contents addresses every sector below 100:00:00.
  OSSEL_FUZZ_CHECK(leadOut + 150 < 100 * 60 * 75);

  DriveTable table;
  const char letter = table.AddCdDrive(disc->AsDrive());
  CdDrive drive(table);
  OSSEL_FUZZ_CHECK(drive.Open(letter) && drive.ReadTrackTable());
  OSSEL_FUZZ_CHECK(drive.trackCount == static_cast<std::int32_t>(tracks.size()));
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kChunk) * ioctl::kRawSectorBytes);
  std::int32_t budget = kReadLimit;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const int n = tracks[i].number;
    OSSEL_FUZZ_CHECK(drive.IsAudioTrack(n) == tracks[i].audio);
    OSSEL_FUZZ_CHECK(drive.TrackStart(n) == tracks[i].startLba);
    const std::int32_t next = i + 1 < tracks.size() ? tracks[i + 1].startLba : leadOut;
    OSSEL_FUZZ_CHECK(drive.TrackEnd(n) == next - 1);
    std::vector<IsrcRow> isrc;
    drive.ReadTrackIsrc(isrc, n);
    OSSEL_FUZZ_CHECK(isrc.size() == (tracks[i].isrc.empty() ? 0u : 1u));
    if (!tracks[i].audio || budget <= 0) continue;
    // The first sectors of every audio track read, as far as the track is audio throughout.
    const std::int32_t count = std::min({next - tracks[i].startLba, budget, std::int32_t{2 * kChunk}});
    const bool read = ReadRange(drive, tracks[i].startLba, count, buffer);
    budget -= count;
    const bool dataFollows = i + 1 < tracks.size() && !tracks[i + 1].audio;
    if (!dataFollows) OSSEL_FUZZ_CHECK(read);
  }
  // The last sector reads when the last track is audio; nothing past the end does.
  if (tracks.back().audio) OSSEL_FUZZ_CHECK(drive.ReadAudioSectors(leadOut - 1, 1, buffer.data()));
  OSSEL_FUZZ_CHECK(!drive.ReadAudioSectors(leadOut, 1, buffer.data()));
  OSSEL_FUZZ_CHECK(!drive.ReadAudioSectors(leadOut - 1, 2, buffer.data()));
  std::vector<InfoRow> rows;
  OSSEL_FUZZ_CHECK(drive.ReadDriveAndDiscInfo(rows));
}

void WriteSound(const std::string& path, int format, int channels, int frames) {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  OSSEL_FUZZ_CHECK(file);
  std::vector<short> samples(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<short>(i * 37);
  const sf_count_t written = sf_writef_short(file, samples.data(), frames);
  sf_close(file);
  OSSEL_FUZZ_CHECK(written == frames);
}

}  // namespace ossel::fuzz
