#include "platform/virtual_disc.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>

#include "platform/audio_source.h"
#include "platform/cue_sheet.h"
#include "platform/win_ioctl.h"

namespace ossel {

namespace {

using namespace vdisc;

constexpr int kMaxTracks = 99;
// The lead-out address must stay below 100:00:00.
constexpr std::int32_t kMaxLeadOut = 100 * 60 * ioctl::kFramesPerSecond - ioctl::kLeadInSectors - 1;

// "mm:ss:ff" of a sector count.
std::string MsfText(std::int64_t sectors) {
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(sectors / 4500),
                static_cast<long long>(sectors / 75 % 60), static_cast<long long>(sectors % 75));
  return text;
}

// ---------------------------------------------------------------------------------------------------------------
// Layout: the disc as a run of segments, each silence or a stretch of one file.

struct Segment {
  std::int32_t startLba = 0;
  std::int32_t sectors = 0;
  int source = -1;            // index of the disc's source; -1 for silence that no file holds
  std::int64_t position = 0;  // where the segment begins in its source, in the source's units
  bool audio = true;
};

// The cursor counts on past what a disc can address, so that a disc too long for one is told so and never wraps to a
// short one; segments are appended only for a stretch that fits (each file is checked before it is laid out).
class Layout {
 public:
  void Append(int source, std::int64_t position, std::int64_t sectors, bool audio) {
    if (sectors <= 0) return;
    if (cursor_ + sectors <= kMaxLeadOut + 1)
      segments_.push_back({static_cast<std::int32_t>(cursor_), static_cast<std::int32_t>(sectors), source, position,
                           audio});
    cursor_ += sectors;
  }
  void Silence(std::int64_t sectors, bool audio) { Append(-1, 0, sectors, audio); }
  std::int64_t cursor() const { return cursor_; }
  std::vector<Segment> Take() { return std::move(segments_); }

 private:
  std::vector<Segment> segments_;
  std::int64_t cursor_ = 0;
};

// Addresses of a disc checked by CheckTracks, which refuses one that goes past kMaxLeadOut.
std::int32_t Lba(std::int64_t sectors) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(sectors, kMaxLeadOut + 1));
}

// The sectors a whole file takes; false with `error` naming the file and its size when one disc cannot hold them.
bool FileFits(const std::string& path, const Source& source, std::int64_t sectors, std::string& error) {
  if (sectors <= kMaxLeadOut) return true;
  error = Fault(path, std::to_string(source.Size()) + (source.Raw() ? " bytes" : " sample frames") + ", " +
                          MsfText(sectors) + " of audio: larger than a disc can hold");
  return false;
}

// Every track holds at least one sector and the disc fits the addresses of a table of contents.
bool CheckTracks(const std::string& name, const std::vector<VirtualTrack>& tracks, std::int64_t leadOut,
                 std::string& error) {
  if (leadOut > kMaxLeadOut) {
    error = Fault(name, "the disc would last " + MsfText(leadOut) + ", longer than a disc can address");
    return false;
  }
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const std::int64_t end = i + 1 < tracks.size() ? tracks[i + 1].startLba : leadOut;
    if (end <= tracks[i].startLba) {
      error = Fault(name, "track " + std::to_string(tracks[i].number) + " holds no audio");
      return false;
    }
  }
  return true;
}

// Lays a cue sheet out on the disc: its files back to back, with PREGAP and POSTGAP silence where the sheet asks.
// The audio of a file before a track's first index belongs to the track before (or, in the first file, to the first
// track); a track's pregap is what lies between its first index and INDEX 01.
class CueLayout {
 public:
  CueLayout(const CueSheet& sheet, const std::vector<std::unique_ptr<Source>>& sources)
      : sheet_(sheet), sources_(sources) {}

  bool Build(std::vector<VirtualTrack>& tracks, std::vector<Segment>& segments, std::int64_t& leadOut,
             std::string& error) {
    const std::vector<CueTrack>& cue = sheet_.tracks;
    for (std::size_t k = 0; k < cue.size(); ++k) {
      VirtualTrack track;
      track.number = cue[k].number;
      track.audio = cue[k].audio;
      track.isrc = cue[k].isrc;
      for (std::size_t j = 0; j < cue[k].indexes.size(); ++j) {
        const CueIndex& index = cue[k].indexes[j];
        const CueTrack& owner = (j == 0 && k > 0) ? cue[k - 1] : cue[k];
        if (!AdvanceTo(index.file, index.time, owner, error)) return false;
        if (j == 0) {
          if (k > 0) layout_.Silence(cue[k - 1].postgap, cue[k - 1].audio);
          track.pregapLba = Lba(layout_.cursor());
          layout_.Silence(cue[k].pregap, cue[k].audio);
        }
        if (index.number == 1) {
          track.startLba = Lba(layout_.cursor());
          if (index.file >= 0 && static_cast<std::size_t>(index.file) < sheet_.files.size()) {
            track.file = sheet_.files[static_cast<std::size_t>(index.file)].path;
          }
        }
      }
      tracks.push_back(std::move(track));
    }
    const CueTrack& last = cue.back();
    if (!AdvanceTo(static_cast<int>(sources_.size()), 0, last, error)) return false;
    layout_.Silence(last.postgap, last.audio);
    leadOut = layout_.cursor();
    segments = layout_.Take();
    return true;
  }

 private:
  // Lays out the files up to `time` sectors into file `file` (all of them when `file` is past the last).
  bool AdvanceTo(int file, std::int32_t time, const CueTrack& owner, std::string& error) {
    for (; file_ < file; ++file_, time_ = 0, units_ = 0) {
      if (file_ >= 0 && !FinishFile(owner, error)) return false;
    }
    if (file_ >= static_cast<int>(sources_.size())) return true;
    const std::int32_t sectors = time - time_;
    layout_.Append(file_, units_, sectors, owner.audio);
    units_ += sectors * UnitsPerSector(owner);
    time_ = time;
    return true;
  }

  bool FinishFile(const CueTrack& owner, std::string& error) {
    const Source& source = *sources_[static_cast<std::size_t>(file_)];
    const std::string& path = sheet_.files[static_cast<std::size_t>(file_)].path;
    const std::int64_t per = UnitsPerSector(owner);
    const std::int64_t remaining = source.Size() - units_;
    if (Placeholder(source)) {
      // Whatever the file holds, its last track lasts as long as it says, and at least one sector.
      layout_.Append(file_, units_, std::max<std::int64_t>(1, remaining / per), owner.audio);
      return true;
    }
    if (remaining < 0) {
      error = Fault(path, "too short for the cue sheet, which places an index at " + MsfText(time_));
      return false;
    }
    if (source.Raw() && remaining % per != 0) {
      error = Fault(path, "size " + std::to_string(source.Size()) + " bytes is not what the cue sheet needs: " +
                              std::to_string(remaining) + " bytes after the last index are not whole " +
                              std::to_string(per) + "-byte sectors");
      return false;
    }
    const std::int64_t sectors = (remaining + per - 1) / per;
    if (!FileFits(path, source, sectors, error)) return false;
    layout_.Append(file_, units_, sectors, owner.audio);
    return true;
  }

  bool Placeholder(const Source& source) const { return !source.Raw() && source.UnitsPerAudioSector() == 0; }

  std::int64_t UnitsPerSector(const CueTrack& owner) const {
    const Source& source = *sources_[static_cast<std::size_t>(file_)];
    return source.Raw() || Placeholder(source) ? owner.sectorBytes : source.UnitsPerAudioSector();
  }

  const CueSheet& sheet_;
  const std::vector<std::unique_ptr<Source>>& sources_;
  Layout layout_;
  int file_ = -1;           // the file being laid out
  std::int32_t time_ = 0;   // how far into it, in sectors of the sheet's times
  std::int64_t units_ = 0;  // the same in the file's units
};

// The file of data tracks only, which is never read: it may be missing, or a placeholder of any size. Its bytes count
// as the data sectors they would make; none of them reads.
class DataOnlySource final : public Source {
 public:
  explicit DataOnlySource(std::int64_t bytes) : bytes_(bytes) {}
  bool Read(std::int64_t, std::int32_t, std::uint8_t*) override { return false; }
  std::string ReadFault() const override { return {}; }
  std::int64_t Size() const override { return bytes_; }
  std::int64_t UnitsPerAudioSector() const override { return 0; }  // how the layout knows it
  bool Raw() const override { return false; }

 private:
  std::int64_t bytes_;
};

std::unique_ptr<Source> OpenSource(const CueFile& file, std::string& error) {
  if (file.dataOnly) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file.path, ec);
    return std::make_unique<DataOnlySource>(ec ? 0 : static_cast<std::int64_t>(size));
  }
  if (file.kind == FileKind::Sound) return OpenSoundSource(file.path, error);
  return OpenRawSource(file.path, file.kind == FileKind::Motorola, error);
}

// ---------------------------------------------------------------------------------------------------------------
// Answers in the record layouts of a drive.

constexpr char kVendor[] = "OSSEL";
constexpr char kProduct[] = "VIRTUAL CD-ROM";
constexpr char kRevision[] = "1.0";
constexpr char kVendorText[] = "Virtual audio disc";
constexpr std::uint16_t kMaxReadSpeed = 7056;  // kB/s, 40 times CD speed
constexpr std::uint16_t kBufferKb = 2048;

void PutBig16(std::uint8_t* at, unsigned value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

void PutMsf(std::uint8_t* address, std::int32_t lba) {
  const std::int32_t a = lba + ioctl::kLeadInSectors;
  address[0] = 0;
  address[1] = static_cast<std::uint8_t>(a / 4500);
  address[2] = static_cast<std::uint8_t>(a / 75 % 60);
  address[3] = static_cast<std::uint8_t>(a % 75);
}

// A blank-padded text field of an INQUIRY answer.
void PutText(std::vector<std::uint8_t>& data, std::size_t at, std::size_t width, const char* text) {
  const std::size_t n = std::min(width, std::strlen(text));
  std::memcpy(data.data() + at, text, n);
  std::memset(data.data() + at + n, ' ', width - n);
}

// The outcome of one SCSI command: data and GOOD status, or CHECK CONDITION with sense.
struct ScsiReply {
  std::uint8_t status = 0;
  std::vector<std::uint8_t> data;
  std::uint8_t senseKey = 0;
  std::uint8_t asc = 0;
};

constexpr std::uint8_t kCheckCondition = 0x02;
constexpr std::uint8_t kIllegalRequest = 0x05;
constexpr std::uint8_t kInvalidOperationCode = 0x20;
constexpr std::uint8_t kInvalidFieldInCdb = 0x24;
constexpr std::uint8_t kSavingNotSupported = 0x39;

ScsiReply CheckCondition(std::uint8_t asc) { return {kCheckCondition, {}, kIllegalRequest, asc}; }

ScsiReply Good(std::vector<std::uint8_t> data, std::size_t allocation) {
  if (data.size() > allocation) data.resize(allocation);
  return {0, std::move(data), 0, 0};
}

ScsiReply Inquiry(const std::uint8_t* cdb) {
  if (cdb[1] & 0x01) return CheckCondition(kInvalidFieldInCdb);  // no vital product data pages
  std::vector<std::uint8_t> data(56, 0);
  data[0] = 0x05;  // CD/DVD device
  data[1] = 0x80;  // removable medium
  data[3] = 0x02;  // response data format
  data[4] = static_cast<std::uint8_t>(data.size() - 5);
  PutText(data, 8, 8, kVendor);
  PutText(data, 16, 16, kProduct);
  PutText(data, 32, 4, kRevision);
  PutText(data, 36, 20, kVendorText);
  return Good(std::move(data), static_cast<std::size_t>(cdb[3] << 8 | cdb[4]));
}

// MODE SENSE(6) of the capabilities page: a plain reader that reads CD-R and CD-RW media and CD-DA, writes nothing.
ScsiReply ModeSense6(const std::uint8_t* cdb) {
  const int page = cdb[2] & 0x3F;
  const int control = cdb[2] >> 6;  // 0 current, 1 changeable, 2 default, 3 saved
  if (page != 0x2A) return CheckCondition(kInvalidFieldInCdb);
  if (control == 3) return CheckCondition(kSavingNotSupported);
  std::vector<std::uint8_t> data(4 + 22, 0);
  data[0] = static_cast<std::uint8_t>(data.size() - 1);  // mode data length; no block descriptors
  std::uint8_t* p = data.data() + 4;
  p[0] = 0x2A;
  p[1] = 20;
  if (control != 1) {  // nothing is changeable
    p[2] = 0x03;       // reads CD-R and CD-RW
    p[4] = 0x01;       // audio play
    p[5] = 0x63;       // CD-DA commands, accurate CD-DA stream, ISRC and media catalogue number
    p[6] = 0x29;       // tray loader that ejects and locks
    p[7] = 0x03;       // separate channel volume and mute
    PutBig16(p + 8, kMaxReadSpeed);
    PutBig16(p + 10, 256);  // volume levels
    PutBig16(p + 12, kBufferKb);
    PutBig16(p + 14, kMaxReadSpeed);
  }
  return Good(std::move(data), cdb[4]);
}

// READ DISC INFORMATION of a pressed disc: complete, last session complete, not erasable, type CD-DA/CD-ROM.
ScsiReply DiscInformation(const std::uint8_t* cdb, const std::vector<VirtualTrack>& tracks) {
  std::vector<std::uint8_t> data(34, 0);
  PutBig16(data.data(), static_cast<unsigned>(data.size() - 2));
  data[2] = 0x0E;
  data[3] = static_cast<std::uint8_t>(tracks.front().number);  // first track on the disc
  data[4] = 1;                                                  // sessions
  data[5] = data[3];                                            // first track of the last session
  data[6] = static_cast<std::uint8_t>(tracks.back().number);    // last track of the last session
  std::fill(data.begin() + 16, data.begin() + 24, 0xFF);  // no next session, no lead-out limit: the disc is closed
  return Good(std::move(data), static_cast<std::size_t>(cdb[7] << 8 | cdb[8]));
}

// A pressed disc has no ATIP, and the other formats are not offered.
ScsiReply ReadTocPmaAtip() { return CheckCondition(kInvalidFieldInCdb); }

}  // namespace

// ---------------------------------------------------------------------------------------------------------------

struct VirtualDisc::Impl {
  std::string name;
  std::string description;
  std::string catalog;
  std::vector<VirtualTrack> tracks;
  std::int32_t leadOut = 0;
  std::vector<std::unique_ptr<Source>> sources;
  std::vector<Segment> segments;
  std::atomic<bool> loaded{true};
};

namespace {

class VirtualDiscBackend final : public DeviceBackend {
 public:
  explicit VirtualDiscBackend(std::shared_ptr<VirtualDisc> disc) : disc_(std::move(disc)) {}

  IoStatus Control(const DeviceRequest& request, std::uint32_t& transferred, IoDeadline /*deadline*/) override {
    transferred = 0;
    switch (request.code) {
      case ioctl::kStorageMediaRemoval: return request.inputBytes >= 1 ? IoStatus::Done : IoStatus::Failed;
      case ioctl::kStorageEjectMedia: disc_->SetLoaded(false); return IoStatus::Done;
      case ioctl::kStorageLoadMedia: disc_->SetLoaded(true); return IoStatus::Done;
      case ioctl::kStorageCheckVerify: return Loaded();
      case ioctl::kScsiGetAddress: return Address(request, transferred);
      case ioctl::kScsiPassThrough: return PassThrough(request, transferred);
      default: break;
    }
    if (Loaded() != IoStatus::Done) return IoStatus::Failed;
    switch (request.code) {
      case ioctl::kCdromReadToc: return ReadToc(request, transferred);
      case ioctl::kCdromRawRead: return RawRead(request, transferred);
      case ioctl::kCdromReadQChannel: return ReadIsrc(request, transferred);
      case ioctl::kDiskGetDriveGeometry: return Geometry(request, transferred);
      default: return IoStatus::Failed;
    }
  }

  std::string Description() const override { return disc_->Description(); }
  std::string VendorProduct() const override { return std::string(kVendor) + " " + kProduct; }

 private:
  IoStatus Loaded() const { return disc_->loaded() ? IoStatus::Done : IoStatus::Failed; }

  template <typename Record>
  static IoStatus Answer(const DeviceRequest& request, const Record& record, std::uint32_t size,
                         std::uint32_t& transferred) {
    if (!request.output || request.outputBytes < size) return IoStatus::Failed;
    std::memcpy(request.output, &record, size);
    transferred = size;
    return IoStatus::Done;
  }

  IoStatus ReadToc(const DeviceRequest& request, std::uint32_t& transferred) const {
    const std::vector<VirtualTrack>& tracks = disc_->Tracks();
    ioctl::TocRecord toc{};
    toc.firstTrack = static_cast<std::uint8_t>(tracks.front().number);
    toc.lastTrack = static_cast<std::uint8_t>(tracks.back().number);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
      toc.entries[i].controlAdr = tracks[i].audio ? 0x10 : 0x14;
      toc.entries[i].trackNumber = static_cast<std::uint8_t>(tracks[i].number);
      PutMsf(toc.entries[i].address, tracks[i].startLba);
    }
    ioctl::TocEntryRecord& leadOut = toc.entries[tracks.size()];
    leadOut.controlAdr = tracks.back().audio ? 0x10 : 0x14;
    leadOut.trackNumber = 0xAA;
    PutMsf(leadOut.address, disc_->LeadOutLba());
    const auto length = static_cast<std::uint32_t>(2 + 8 * (tracks.size() + 1));
    PutBig16(toc.length, length);
    if (request.outputBytes < sizeof toc) return IoStatus::Failed;  // like a driver: the whole record or nothing
    return Answer(request, toc, length + 2, transferred);
  }

  IoStatus RawRead(const DeviceRequest& request, std::uint32_t& transferred) const {
    ioctl::RawReadInfo info{};
    if (!request.input || request.inputBytes < sizeof info) return IoStatus::Failed;
    std::memcpy(&info, request.input, sizeof info);
    const std::int64_t lba = info.diskOffset / ioctl::kCookedSectorBytes;
    const std::uint64_t bytes = std::uint64_t{info.sectorCount} * kSectorBytes;
    if (info.trackMode != ioctl::kTrackModeCdda || info.diskOffset < 0 ||
        info.diskOffset % ioctl::kCookedSectorBytes != 0 || info.sectorCount == 0 || !request.output ||
        bytes > request.outputBytes || lba > std::numeric_limits<std::int32_t>::max())
      return IoStatus::Failed;
    if (!disc_->ReadSectors(static_cast<std::int32_t>(lba), static_cast<int>(info.sectorCount),
                            static_cast<std::uint8_t*>(request.output)))
      return IoStatus::Failed;
    transferred = static_cast<std::uint32_t>(bytes);
    return IoStatus::Done;
  }

  IoStatus ReadIsrc(const DeviceRequest& request, std::uint32_t& transferred) const {
    ioctl::SubQDataFormat format{};
    if (!request.input || request.inputBytes < sizeof format) return IoStatus::Failed;
    std::memcpy(&format, request.input, sizeof format);
    const std::vector<VirtualTrack>& tracks = disc_->Tracks();
    const auto track = std::find_if(tracks.begin(), tracks.end(),
                                    [&](const VirtualTrack& t) { return t.number == format.track; });
    if (format.format != ioctl::kSubQFormatTrackIsrc || track == tracks.end()) return IoStatus::Failed;
    ioctl::SubQTrackIsrc answer{};
    answer.header[1] = 0x15;  // no current audio status
    PutBig16(answer.header + 2, sizeof answer - sizeof answer.header);
    answer.formatCode = ioctl::kSubQFormatTrackIsrc;
    answer.track = format.track;
    const std::string& isrc = track->isrc;
    if (!isrc.empty()) {
      answer.tcval = 0x80;
      std::memcpy(answer.code, isrc.data(), std::min(isrc.size(), sizeof answer.code));
    }
    return Answer(request, answer, sizeof answer, transferred);
  }

  IoStatus Geometry(const DeviceRequest& request, std::uint32_t& transferred) const {
    ioctl::DiskGeometry geometry{};
    geometry.mediaType = 11;  // removable media
    geometry.tracksPerCylinder = 64;
    geometry.sectorsPerTrack = 32;
    geometry.bytesPerSector = ioctl::kCookedSectorBytes;
    geometry.cylinders = (disc_->LeadOutLba() + 64 * 32 - 1) / (64 * 32);
    return Answer(request, geometry, sizeof geometry, transferred);
  }

  static IoStatus Address(const DeviceRequest& request, std::uint32_t& transferred) {
    ioctl::ScsiAddress address{};
    address.length = sizeof address;
    address.portNumber = 1;
    return Answer(request, address, sizeof address, transferred);
  }

  // The pass-through buffer may be one buffer for input and output: the header is read before anything is written.
  IoStatus PassThrough(const DeviceRequest& request, std::uint32_t& transferred) const {
    ioctl::ScsiPassThrough header{};
    if (!request.input || !request.output || request.inputBytes < sizeof header || request.outputBytes < sizeof header)
      return IoStatus::Failed;
    std::memcpy(&header, request.input, sizeof header);
    const std::uint64_t dataEnd = std::uint64_t{header.dataBufferOffset} + header.dataTransferLength;
    const std::uint64_t senseEnd = std::uint64_t{header.senseInfoOffset} + header.senseInfoLength;
    if (header.length != sizeof header || header.cdbLength == 0 || header.cdbLength > sizeof header.cdb ||
        (header.dataTransferLength > 0 && (header.dataIn != ioctl::kScsiDataIn || dataEnd > request.outputBytes ||
                                           header.dataBufferOffset < sizeof header)) ||
        (header.senseInfoLength > 0 && (senseEnd > request.outputBytes || header.senseInfoOffset < sizeof header)))
      return IoStatus::Failed;

    std::optional<ScsiReply> reply = Run(header.cdb);
    if (!reply) return IoStatus::Failed;

    auto* out = static_cast<std::uint8_t*>(request.output);
    const auto dataBytes =
        static_cast<std::uint32_t>(std::min<std::size_t>(reply->data.size(), header.dataTransferLength));
    std::uint32_t end = sizeof header;
    if (dataBytes > 0) {
      std::memcpy(out + header.dataBufferOffset, reply->data.data(), dataBytes);
      end = std::max(end, header.dataBufferOffset + dataBytes);
    }
    std::uint8_t senseBytes = 0;
    if (reply->status == kCheckCondition && header.senseInfoLength > 0) {
      std::array<std::uint8_t, 18> sense{};
      sense[0] = 0x70;  // current error, fixed format
      sense[2] = reply->senseKey;
      sense[7] = sense.size() - 8;
      sense[12] = reply->asc;
      senseBytes = static_cast<std::uint8_t>(std::min<std::size_t>(sense.size(), header.senseInfoLength));
      std::memcpy(out + header.senseInfoOffset, sense.data(), senseBytes);
      end = std::max<std::uint32_t>(end, header.senseInfoOffset + senseBytes);
    }
    header.scsiStatus = reply->status;
    header.dataTransferLength = dataBytes;
    header.senseInfoLength = senseBytes;
    std::memcpy(out, &header, sizeof header);
    transferred = end;
    return IoStatus::Done;
  }

  // Null when the command needs a disc and none is loaded: the request itself fails.
  std::optional<ScsiReply> Run(const std::uint8_t* cdb) const {
    switch (cdb[0]) {
      case ioctl::kScsiInquiry: return Inquiry(cdb);
      case ioctl::kScsiModeSense6: return ModeSense6(cdb);
      case ioctl::kScsiReadDiscInformation:
        if (!disc_->loaded()) return std::nullopt;
        return DiscInformation(cdb, disc_->Tracks());
      case ioctl::kScsiReadTocPmaAtip:
        if (!disc_->loaded()) return std::nullopt;
        return ReadTocPmaAtip();
      default: return CheckCondition(kInvalidOperationCode);
    }
  }

  std::shared_ptr<VirtualDisc> disc_;
};


}  // namespace

VirtualDisc::VirtualDisc(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

VirtualDisc::~VirtualDisc() = default;

std::shared_ptr<VirtualDisc> VirtualDisc::FromCueSheet(const std::string& cuePath, std::string& error,
                                                      std::vector<std::string>* notes) {
  CueSheet sheet;
  if (!ReadCueSheet(cuePath, sheet, error, notes)) return nullptr;

  auto impl = std::make_unique<Impl>();
  for (const CueFile& file : sheet.files) {
    std::unique_ptr<Source> source = OpenSource(file, error);
    if (!source) return nullptr;
    impl->sources.push_back(std::move(source));
  }
  std::int64_t leadOut = 0;
  if (!CueLayout(sheet, impl->sources).Build(impl->tracks, impl->segments, leadOut, error) ||
      !CheckTracks(cuePath, impl->tracks, leadOut, error))
    return nullptr;
  impl->leadOut = static_cast<std::int32_t>(leadOut);
  impl->name = cuePath;
  impl->description = cuePath;
  impl->catalog = sheet.catalog;
  return std::shared_ptr<VirtualDisc>(new VirtualDisc(std::move(impl)));
}

std::shared_ptr<VirtualDisc> VirtualDisc::FromAudioFiles(const std::vector<std::string>& paths, std::string& error) {
  if (paths.empty()) {
    error = "no audio files given";
    return nullptr;
  }
  if (paths.size() > kMaxTracks) {
    error = Fault(paths.front(), std::to_string(paths.size()) + " audio files; a disc holds at most 99 tracks");
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  Layout layout;
  for (const std::string& path : paths) {
    std::unique_ptr<Source> source = OpenSoundSource(path, error);
    if (!source) return nullptr;
    VirtualTrack track;
    track.number = static_cast<int>(impl->tracks.size()) + 1;
    track.startLba = track.pregapLba = Lba(layout.cursor());
    track.file = path;
    const std::int64_t sectors = (source->Size() + kFramesPerSector - 1) / kFramesPerSector;
    if (!FileFits(path, *source, sectors, error)) return nullptr;
    layout.Append(static_cast<int>(impl->sources.size()), 0, sectors, true);
    impl->tracks.push_back(track);
    impl->sources.push_back(std::move(source));
  }
  if (!CheckTracks(paths.front(), impl->tracks, layout.cursor(), error)) return nullptr;
  impl->leadOut = static_cast<std::int32_t>(layout.cursor());
  impl->segments = layout.Take();
  impl->name = paths.front();
  impl->description = paths.front();
  if (paths.size() > 1) impl->description += " (+" + std::to_string(paths.size() - 1) + " files)";
  return std::shared_ptr<VirtualDisc>(new VirtualDisc(std::move(impl)));
}

const std::vector<VirtualTrack>& VirtualDisc::Tracks() const { return impl_->tracks; }
std::int32_t VirtualDisc::LeadOutLba() const { return impl_->leadOut; }
const std::string& VirtualDisc::Catalog() const { return impl_->catalog; }
const std::string& VirtualDisc::Name() const { return impl_->name; }
std::string VirtualDisc::Description() const { return impl_->description; }
bool VirtualDisc::loaded() const { return impl_->loaded; }
void VirtualDisc::SetLoaded(bool loaded) { impl_->loaded = loaded; }

bool VirtualDisc::ReadSectors(std::int32_t lba, int count, std::uint8_t* out) const {
  const Impl& d = *impl_;
  if (lba < 0 || count <= 0 || std::int64_t{lba} + count > d.leadOut) return false;
  const std::int32_t end = lba + count;
  const auto first = std::prev(std::upper_bound(d.segments.begin(), d.segments.end(), lba,
                                                [](std::int32_t at, const Segment& s) { return at < s.startLba; }));
  // A CD-DA read that touches a data sector fails as a whole, as on a drive.
  for (auto s = first; s != d.segments.end() && s->startLba < end; ++s)
    if (!s->audio) return false;
  for (auto s = first; s != d.segments.end() && s->startLba < end; ++s) {
    const std::int32_t from = std::max(lba, s->startLba);
    const std::int32_t to = std::min(end, s->startLba + s->sectors);
    std::uint8_t* dest = out + static_cast<std::size_t>(from - lba) * kSectorBytes;
    if (s->source < 0) {
      std::memset(dest, 0, static_cast<std::size_t>(to - from) * kSectorBytes);
      continue;
    }
    Source& source = *d.sources[static_cast<std::size_t>(s->source)];
    if (!source.Read(s->position + (from - s->startLba) * source.UnitsPerAudioSector(), to - from, dest)) {
      std::memset(out, 0, static_cast<std::size_t>(count) * kSectorBytes);
      return false;
    }
  }
  return true;
}

std::string VirtualDisc::ReadFault() const {
  for (const auto& source : impl_->sources) {
    std::string fault = source->ReadFault();
    if (!fault.empty()) return fault;
  }
  return {};
}

std::unique_ptr<DeviceBackend> VirtualDisc::OpenBackend() {
  return std::make_unique<VirtualDiscBackend>(shared_from_this());
}

DriveTable::Drive VirtualDisc::AsDrive() {
  DriveTable::Drive drive;
  drive.type = DriveType::Cdrom;
  drive.description = Description();
  drive.vendorProduct = std::string(kVendor) + " " + kProduct;
  drive.open = [self = shared_from_this()] { return self->OpenBackend(); };
  drive.fault = [self = std::weak_ptr<VirtualDisc>(shared_from_this())] {
    const auto disc = self.lock();
    return disc ? disc->ReadFault() : std::string();
  };
  return drive;
}

}  // namespace ossel
