// Any answers a drive may give: the readers of the table of contents, the drive identification and capabilities,
// the disc information and ATIP, the track ISRC and the sector reads, fed every answer from the input, whatever its
// bytes and its byte count.
//
// The input is a series of answers, one for each request in the order the drive is asked, after a first byte that
// picks the layer the answers come from:
//   even: the device requests themselves (a scripted device); each answer is
//         [how] [length] [bytes...] with how = outcome (bits 0-1: done, done, failed, timed out), bit 2: a 4-byte
//         little-endian count of bytes reported follows the length (else all the bytes given), bit 3: the length is
//         2 bytes, big-endian. A pass-through answer's first byte is the drive's status, the rest its data.
//   odd:  the MMC commands under the physical-drive backend; each answer is [how] [length] [bytes...] with
//         how = outcome (bits 0-1: good, check condition, no answer, good) and the bytes the drive puts in the data
//         area, at most what the command asks for.
// When the input runs out, every further request fails, as with a drive that went away.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/cd_drive.h"
#include "device/drive_info.h"
#include "device/isrc.h"
#include "device/track_row.h"
#include "fuzz_files.h"
#include "platform/cdio_backend.h"
#include "platform/script_backend.h"
#include "platform/win_ioctl.h"

namespace {

using namespace ossel;

class Answers {
 public:
  Answers(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  struct Next {
    int outcome = 2;
    std::optional<std::uint32_t> count;
    std::vector<std::uint8_t> bytes;
  };

  // The next answer; outcome 2 (failed or no answer) once the input has run out.
  Next Take() {
    Next next;
    if (at_ >= size_) return next;
    const std::uint8_t how = data_[at_++];
    next.outcome = how & 0x03;
    std::size_t length = Byte();
    if (how & 0x08) length = length << 8 | Byte();
    if (how & 0x04) {
      std::uint32_t count = 0;
      for (int i = 0; i < 4; ++i) count |= std::uint32_t{Byte()} << (8 * i);
      next.count = count;
    }
    length = std::min(length, size_ - at_);
    next.bytes.assign(data_ + at_, data_ + at_ + length);
    at_ += length;
    return next;
  }

 private:
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// The scripted device's answer to one request.
ScriptDevice::Answer ScriptAnswer(Answers& answers, const DeviceRequest& request) {
  Answers::Next next = answers.Take();
  ScriptDevice::Answer answer;
  answer.status = next.outcome == 2 ? IoStatus::Failed : next.outcome == 3 ? IoStatus::TimedOut : IoStatus::Done;
  answer.transferred = next.count;
  const bool passThrough = request.code == ioctl::kScsiPassThrough;
  if (passThrough && request.input && request.inputBytes >= sizeof(ioctl::ScsiPassThrough)) {
    // The header as sent with the drive's status, the sense area untouched, then the data.
    ioctl::ScsiPassThrough header;
    std::memcpy(&header, request.input, sizeof header);
    header.scsiStatus = next.bytes.empty() ? 0 : next.bytes.front();
    answer.output.resize(ioctl::kPassThroughDataOffset);
    std::memcpy(answer.output.data(), &header, sizeof header);
    if (!next.bytes.empty()) answer.output.insert(answer.output.end(), next.bytes.begin() + 1, next.bytes.end());
  } else {
    answer.output = std::move(next.bytes);
  }
  return answer;
}

class FuzzTransport final : public MmcTransport {
 public:
  explicit FuzzTransport(Answers& answers) : answers_(answers) {}

  Status Run(const std::uint8_t* /*cdb*/, int /*cdbLength*/, Direction direction, void* data,
             std::uint32_t dataBytes, unsigned /*timeoutMs*/) override {
    Answers::Next next = answers_.Take();
    if (direction == Direction::Read && data && !next.bytes.empty())
      std::memcpy(data, next.bytes.data(), std::min<std::size_t>(next.bytes.size(), dataBytes));
    switch (next.outcome) {
      case 1: return Status::CheckCondition;
      case 2: return Status::Failed;
      default: return Status::Good;
    }
  }
  std::string DevicePath() const override { return "/dev/fuzz"; }
  std::string VendorProduct() const override { return "FUZZ"; }

 private:
  Answers& answers_;
};

// What the panel and the job ask of a disc: the track table and the rows of its audio tracks, the information
// list, every track's ISRC and the first sectors of the first track.
void ReadDisc(CdDrive& drive) {
  const std::int32_t countBefore = drive.trackCount;
  const bool read = drive.ReadTrackTable();
  OSSEL_FUZZ_CHECK(read == drive.tocValid);
  const TrackTable& toc = drive.trackTable();
  if (read && toc.lastTrack >= toc.firstTrack) {
    OSSEL_FUZZ_CHECK(drive.trackCount == toc.lastTrack - toc.firstTrack + 1);
  } else {
    OSSEL_FUZZ_CHECK(drive.trackCount == countBefore);
  }
  for (int n = toc.firstTrack; n <= toc.lastTrack; ++n) {
    const bool valid = read && n >= 1 && n < ioctl::kMaxTocEntries;
    const std::int32_t start = drive.TrackStart(n), end = drive.TrackEnd(n);
    OSSEL_FUZZ_CHECK(valid || (start == -1 && end == -1 && !drive.IsAudioTrack(n)));
    if (!drive.IsAudioTrack(n)) continue;
    const std::int32_t length = end - start;
    const std::string texts = TrackNameText(n) + MsfTime::FromSectors(start).Text() +
                              MsfTime::FromSectors(length).Text() + TrackSizeText(length);
    OSSEL_FUZZ_CHECK(!texts.empty());
  }

  std::vector<InfoRow> info;
  if (drive.ReadDriveAndDiscInfo(info)) {
    for (const InfoRow& row : info) OSSEL_FUZZ_CHECK(!row.label.empty() || !row.value.empty());
  } else {
    OSSEL_FUZZ_CHECK(info.empty());
  }

  std::vector<IsrcRow> isrc;
  for (int n = toc.firstTrack; n <= toc.lastTrack; ++n) {
    const std::size_t before = isrc.size();
    OSSEL_FUZZ_CHECK(drive.ReadTrackIsrc(isrc, n));
    OSSEL_FUZZ_CHECK(isrc.size() <= before + 1);
    if (isrc.size() > before) OSSEL_FUZZ_CHECK(isrc.back().code.size() <= 12 && !isrc.back().country.empty());
  }

  // Without a table, a sector read fails at once and leaves the buffer as it was.
  constexpr int kSectors = 3;
  std::vector<std::uint8_t> buffer(kSectors * ioctl::kRawSectorBytes, 0xAB);
  const bool sectors = drive.ReadAudioSectors(drive.TrackStart(toc.firstTrack), kSectors, buffer.data());
  if (!drive.tocValid)
    OSSEL_FUZZ_CHECK(!sectors && std::count(buffer.begin(), buffer.end(), 0xAB) == std::ssize(buffer));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Answers answers(data + 1, size - 1);
  DriveTable table;
  DriveTable::Drive entry;
  std::shared_ptr<ScriptDevice> script;
  if (data[0] & 1) {
    entry.type = DriveType::Cdrom;
    entry.open = [&answers] { return MakeMmcBackend(std::make_unique<FuzzTransport>(answers)); };
  } else {
    script = ScriptDevice::Create();
    script->SetHandler([&answers](const DeviceRequest& request) { return ScriptAnswer(answers, request); });
    entry = script->AsDrive();
  }
  const char letter = table.AddCdDrive(std::move(entry));
  CdDrive drive(table);
  drive.timeoutSeconds = 1;
  OSSEL_FUZZ_CHECK(drive.Open(letter));
  // Two discs one after the other: what the first leaves behind must not trouble the second.
  ReadDisc(drive);
  ReadDisc(drive);
  return 0;
}
