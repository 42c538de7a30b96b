#include "platform/virtual_disc.h"

#include <fcntl.h>
#include <libcue.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <optional>
#include <sstream>

#include "platform/win_ioctl.h"

namespace ossel {

namespace {

namespace fs = std::filesystem;

constexpr int kSectorBytes = ioctl::kRawSectorBytes;
constexpr int kFramesPerSector = 588;  // stereo sample frames in one CD-DA sector
constexpr int kSampleRate = 44100;
constexpr int kMaxTracks = 99;
// The lead-out address must stay below 100:00:00.
constexpr std::int32_t kMaxLeadOut = 100 * 60 * ioctl::kFramesPerSecond - ioctl::kLeadInSectors - 1;
constexpr std::uintmax_t kMaxCueSheetBytes = 1 << 20;

std::string Fault(const std::string& file, const std::string& what) { return file + ": " + what; }

// "mm:ss:ff" of a sector count.
std::string MsfText(std::int64_t sectors) {
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(sectors / 4500),
                static_cast<long long>(sectors / 75 % 60), static_cast<long long>(sectors % 75));
  return text;
}

// libsndfile's message without its "Error : " prefix and final point.
std::string DecoderText(SNDFILE* file) {
  std::string text = sf_strerror(file);
  if (text.rfind("Error : ", 0) == 0) text.erase(0, 8);
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

// Refuses what cannot be a disc's file before a decoder sees it, so that the error says what is wrong.
bool CheckFile(const std::string& path, std::string& error) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) {
    error = Fault(path, "file not found");
    return false;
  }
  if (!fs::is_regular_file(status)) {
    error = Fault(path, "not a regular file");
    return false;
  }
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec || size == 0) {
    error = Fault(path, ec ? "cannot read the file size" : "the file is empty");
    return false;
  }
  return true;
}

// Copies 16-bit samples into a CD-DA buffer, little-endian whatever the host.
void StoreSamples(const std::int16_t* samples, std::size_t count, std::uint8_t* out) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, samples, count * sizeof(std::int16_t));
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      const auto v = static_cast<std::uint16_t>(samples[i]);
      out[2 * i] = static_cast<std::uint8_t>(v);
      out[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
  }
}

void SwapBytePairs(std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i + 1 < count; i += 2) std::swap(bytes[i], bytes[i + 1]);
}

// Full scale is ±1.0; what lies beyond clips, and not-a-number is silence.
std::int16_t FloatToSample(float x) {
  if (std::isnan(x)) return 0;
  const float scaled = x * 32768.0f;
  if (scaled <= -32768.0f) return -32768;
  if (scaled >= 32767.0f) return 32767;
  return static_cast<std::int16_t>(std::lrint(scaled));
}

// ---------------------------------------------------------------------------------------------------------------
// Sources: the files of a disc, open for its whole life.

class Source {
 public:
  virtual ~Source() = default;
  // Fills `sectors` whole CD-DA sectors, starting `position` units into the file.
  virtual bool Read(std::int64_t position, std::int32_t sectors, std::uint8_t* out) = 0;
  // The file's length in its units: bytes of a raw file, sample frames of a sound file.
  virtual std::int64_t Size() const = 0;
  // Units one audio sector takes in the file.
  virtual std::int64_t UnitsPerAudioSector() const = 0;
  // Raw files hold whole sectors; a sound file's last sector is padded with silence.
  virtual bool Raw() const = 0;
};

// A raw CD-DA file (BINARY little-endian or MOTOROLA big-endian), read by offset and never held in memory.
class RawSource final : public Source {
 public:
  static std::unique_ptr<RawSource> Open(const std::string& path, bool bigEndian, std::string& error) {
    if (!CheckFile(path, error)) return nullptr;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
      error = Fault(path, std::string("cannot open: ") + std::strerror(errno));
      if (fd >= 0) ::close(fd);
      return nullptr;
    }
    return std::unique_ptr<RawSource>(new RawSource(fd, st.st_size, bigEndian));
  }

  ~RawSource() override { ::close(fd_); }

  bool Read(std::int64_t position, std::int32_t sectors, std::uint8_t* out) override {
    const std::size_t want = static_cast<std::size_t>(sectors) * kSectorBytes;
    std::size_t got = 0;
    while (got < want) {
      const ssize_t n = ::pread(fd_, out + got, want - got, static_cast<off_t>(position + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;  // the file shrank or cannot be read any more
      got += static_cast<std::size_t>(n);
    }
    if (bigEndian_) SwapBytePairs(out, want);
    return true;
  }

  std::int64_t Size() const override { return size_; }
  std::int64_t UnitsPerAudioSector() const override { return kSectorBytes; }
  bool Raw() const override { return true; }

 private:
  RawSource(int fd, std::int64_t size, bool bigEndian) : fd_(fd), size_(size), bigEndian_(bigEndian) {}

  int fd_;
  std::int64_t size_;
  bool bigEndian_;
};

// Bytes one sample takes in the fixed-width encodings whose length a header announces.
int SampleBytes(int subformat) {
  switch (subformat) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW: return 1;
    case SF_FORMAT_PCM_16: return 2;
    case SF_FORMAT_PCM_24: return 3;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT: return 4;
    case SF_FORMAT_DOUBLE: return 8;
    default: return 0;
  }
}

// The sample frames a WAV or AIFF header announces. libsndfile trusts the file's length instead, so a file cut
// short would otherwise pass for a shorter recording.
std::optional<sf_count_t> AnnouncedFrames(SNDFILE* file, const SF_INFO& info) {
  const int type = info.format & SF_FORMAT_TYPEMASK;
  const bool aiff = type == SF_FORMAT_AIFF;
  const int sampleBytes = SampleBytes(info.format & SF_FORMAT_SUBMASK);
  if ((type != SF_FORMAT_WAV && type != SF_FORMAT_WAVEX && !aiff) || sampleBytes == 0) return std::nullopt;
  SF_CHUNK_INFO wanted{};
  std::memcpy(wanted.id, aiff ? "SSND" : "data", 4);
  wanted.id_size = 4;
  SF_CHUNK_ITERATOR* chunk = sf_get_chunk_iterator(file, &wanted);
  SF_CHUNK_INFO found{};
  if (!chunk || sf_get_chunk_size(chunk, &found) != SF_ERR_NO_ERROR) return std::nullopt;
  // Streamed files leave the size open.
  if (found.datalen == 0 || found.datalen == std::numeric_limits<unsigned>::max()) return std::nullopt;
  const std::int64_t bytes = static_cast<std::int64_t>(found.datalen) - (aiff ? 8 : 0);  // SSND: offset, block size
  return bytes / (sampleBytes * info.channels);
}

// Any file libsndfile decodes (WAV, FLAC, AIFF, ...), delivered as 16-bit stereo. Sequential reads continue where
// the last one ended; only a jump seeks.
class SoundSource final : public Source {
 public:
  static std::unique_ptr<SoundSource> Open(const std::string& path, std::string& error) {
    if (!CheckFile(path, error)) return nullptr;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
      error = Fault(path, "cannot decode: " + DecoderText(nullptr));
      return nullptr;
    }
    std::unique_ptr<SoundSource> source(new SoundSource(file, info));
    if (!source->Verify(path, error)) return nullptr;
    return source;
  }

  ~SoundSource() override { sf_close(file_); }

  bool Read(std::int64_t position, std::int32_t sectors, std::uint8_t* out) override {
    std::lock_guard lock(mutex_);
    const sf_count_t want = static_cast<sf_count_t>(sectors) * kFramesPerSector;
    const sf_count_t present = std::clamp<sf_count_t>(info_.frames - position, 0, want);
    if (present > 0) {
      if (position != position_ && sf_seek(file_, position, SEEK_SET) != position) {
        position_ = -1;
        return false;
      }
      stereo_.resize(static_cast<std::size_t>(present) * 2);
      const sf_count_t got = Decode(present, stereo_.data());
      position_ = position + got;
      if (got != present) return false;
      StoreSamples(stereo_.data(), stereo_.size(), out);
    }
    std::memset(out + present * 4, 0, static_cast<std::size_t>(want - present) * 4);
    return true;
  }

  std::int64_t Size() const override { return info_.frames; }
  std::int64_t UnitsPerAudioSector() const override { return kFramesPerSector; }
  bool Raw() const override { return false; }

 private:
  SoundSource(SNDFILE* file, const SF_INFO& info) : file_(file), info_(info) {
    const int subformat = info.format & SF_FORMAT_SUBMASK;
    floating_ = subformat == SF_FORMAT_FLOAT || subformat == SF_FORMAT_DOUBLE;
  }

  // Decodes the whole file once: what cannot be decoded now would turn into silence or a short track later.
  bool Verify(const std::string& path, std::string& error) {
    if (info_.samplerate != kSampleRate) {
      error = Fault(path, "sample rate " + std::to_string(info_.samplerate) + " Hz; a disc holds 44100 Hz audio only");
      return false;
    }
    if (info_.channels < 1 || info_.channels > 2) {
      error = Fault(path, std::to_string(info_.channels) + " channels; a disc holds mono or stereo audio only");
      return false;
    }
    if (info_.frames <= 0) {
      error = Fault(path, "holds no audio");
      return false;
    }
    constexpr sf_count_t kChunk = 16384;
    stereo_.resize(kChunk * 2);
    sf_count_t decoded = 0;
    for (sf_count_t n; (n = Decode(kChunk, stereo_.data())) > 0;) decoded += n;
    std::vector<std::int16_t>().swap(stereo_);
    if (sf_error(file_) != SF_ERR_NO_ERROR) {
      error = Fault(path, "damaged: decoding fails after " + std::to_string(decoded) + " of " +
                              std::to_string(info_.frames) + " sample frames (" + DecoderText(file_) + ")");
      return false;
    }
    const sf_count_t announced = std::max(info_.frames, AnnouncedFrames(file_, info_).value_or(0));
    if (decoded != announced) {
      error = Fault(path, "damaged: it ends after " + std::to_string(decoded) + " of the " +
                              std::to_string(announced) + " sample frames its header announces");
      return false;
    }
    if (sf_seek(file_, 0, SEEK_SET) != 0) {
      error = Fault(path, "cannot seek in the file");
      return false;
    }
    position_ = 0;
    return true;
  }

  // Decodes up to `count` frames at the current position as interleaved stereo; returns the frames decoded.
  sf_count_t Decode(sf_count_t count, std::int16_t* stereo) {
    const int channels = info_.channels;
    if (floating_) {
      floats_.resize(static_cast<std::size_t>(count * channels));
      const sf_count_t n = sf_readf_float(file_, floats_.data(), count);
      for (sf_count_t i = 0; i < n; ++i) {
        stereo[2 * i] = FloatToSample(floats_[i * channels]);
        stereo[2 * i + 1] = FloatToSample(floats_[i * channels + channels - 1]);
      }
      return n;
    }
    if (channels == 2) return sf_readf_short(file_, stereo, count);
    mono_.resize(static_cast<std::size_t>(count));
    const sf_count_t n = sf_readf_short(file_, mono_.data(), count);
    for (sf_count_t i = 0; i < n; ++i) stereo[2 * i] = stereo[2 * i + 1] = mono_[i];
    return n;
  }

  SNDFILE* file_;
  SF_INFO info_;
  bool floating_ = false;
  std::mutex mutex_;  // one decoder, shared by every reader of the disc
  sf_count_t position_ = 0;
  std::vector<std::int16_t> stereo_;
  std::vector<short> mono_;
  std::vector<float> floats_;
};

// ---------------------------------------------------------------------------------------------------------------
// Layout: the disc as a run of segments, each silence or a stretch of one file.

struct Segment {
  std::int32_t startLba = 0;
  std::int32_t sectors = 0;
  int source = -1;            // index of the disc's source; -1 for silence that no file holds
  std::int64_t position = 0;  // where the segment begins in its source, in the source's units
  bool audio = true;
};

class Layout {
 public:
  void Append(int source, std::int64_t position, std::int32_t sectors, bool audio) {
    if (sectors <= 0) return;
    segments_.push_back({cursor_, sectors, source, position, audio});
    cursor_ += sectors;
  }
  void Silence(std::int32_t sectors, bool audio) { Append(-1, 0, sectors, audio); }
  std::int32_t cursor() const { return cursor_; }
  std::vector<Segment> Take() { return std::move(segments_); }

 private:
  std::vector<Segment> segments_;
  std::int32_t cursor_ = 0;
};

// Every track holds at least one sector and the disc fits the addresses of a table of contents.
bool CheckTracks(const std::string& name, const std::vector<VirtualTrack>& tracks, std::int32_t leadOut,
                 std::string& error) {
  if (leadOut > kMaxLeadOut) {
    error = Fault(name, "the disc would last " + MsfText(leadOut) + ", longer than a disc can address");
    return false;
  }
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const std::int32_t end = i + 1 < tracks.size() ? tracks[i + 1].startLba : leadOut;
    if (end <= tracks[i].startLba) {
      error = Fault(name, "track " + std::to_string(tracks[i].number) + " holds no audio");
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------------------------------
// Cue sheets. libcue is lax: it skips lines it cannot parse, takes any time, and forgets file types, the catalogue
// number and which file an index lies in. So the sheet's text is scanned here first; the scan refuses every line it
// does not understand and records the layout, and libcue's reading is checked against it.

enum class FileKind { Binary, Motorola, Sound };

struct CueFile {
  std::string path;
  FileKind kind = FileKind::Sound;
};

struct CueIndex {
  int number = 0;
  std::int32_t time = 0;  // sectors from the start of its file
  int file = 0;
};

struct CueTrack {
  int line = 0;
  int sectorBytes = kSectorBytes;  // what one sector takes in a raw file, from the track mode
  std::int32_t pregap = 0;         // silence before the track that no file holds
  std::int32_t postgap = 0;        // silence after it
  std::vector<CueIndex> indexes;
  bool audio = true;
  std::string isrc;
};

struct CueSheet {
  std::string catalog;
  std::vector<CueFile> files;
  std::vector<CueTrack> tracks;
};

// Splits a line into words; a quoted word may hold blanks. False on an unmatched quote.
bool SplitWords(std::string_view line, std::vector<std::string>& words) {
  words.clear();
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i == line.size()) return true;
    if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      words.emplace_back(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      const std::size_t start = i;
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
      words.emplace_back(line.substr(start, i - start));
    }
  }
}

bool IsDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

class CueScanner {
 public:
  explicit CueScanner(std::string cuePath) : cuePath_(std::move(cuePath)), folder_(fs::path(cuePath_).parent_path()) {}

  bool Scan(const std::string& text, CueSheet& sheet, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string> words;
    while (std::getline(lines, line)) {
      ++line_;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!SplitWords(line, words)) return Fail("unmatched quote", error);
      if (!words.empty() && !Command(words)) return Fail(why_, error);
    }
    if (sheet_.tracks.empty()) {
      error = Fault(cuePath_, "the cue sheet holds no track");
      return false;
    }
    if (!TrackComplete()) return Fail(why_, error);
    sheet = std::move(sheet_);
    return true;
  }

 private:
  bool Fail(const std::string& why, std::string& error) const {
    error = Fault(cuePath_, "line " + std::to_string(line_) + ": " + why);
    return false;
  }
  bool Refuse(std::string why) {
    why_ = std::move(why);
    return false;
  }

  bool Command(const std::vector<std::string>& w) {
    static const char* const kIgnored[] = {"REM",     "CDTEXTFILE", "TITLE",     "PERFORMER", "SONGWRITER",
                                           "COMPOSER", "ARRANGER",  "MESSAGE",   "DISC_ID",   "GENRE",
                                           "TOC_INFO1", "TOC_INFO2", "UPC_EAN",  "SIZE_INFO", "FLAGS"};
    const std::string& c = w[0];
    if (c == "FILE") return File(w);
    if (c == "TRACK") return Track(w);
    if (c == "INDEX") return Index(w);
    if (c == "PREGAP" || c == "POSTGAP") return Gap(w, c == "POSTGAP");
    if (c == "ISRC") return Isrc(w);
    if (c == "CATALOG") return Catalog(w);
    if (std::find(std::begin(kIgnored), std::end(kIgnored), c) != std::end(kIgnored)) return true;
    return Refuse("unknown command '" + c + "'");
  }

  bool File(const std::vector<std::string>& w) {
    if (w.size() != 3) return Refuse("FILE needs a name and a type");
    CueFile file;
    if (w[2] == "BINARY") {
      file.kind = FileKind::Binary;
    } else if (w[2] == "MOTOROLA") {
      file.kind = FileKind::Motorola;
    } else if (w[2] != "WAVE" && w[2] != "AIFF" && w[2] != "FLAC" && w[2] != "MP3") {
      return Refuse("unknown file type '" + w[2] + "'");
    }
    const fs::path name(w[1]);
    file.path = (name.is_absolute() ? name : folder_ / name).string();
    sheet_.files.push_back(std::move(file));
    return true;
  }

  bool Track(const std::vector<std::string>& w) {
    static const char* const kModes[] = {"AUDIO",      "MODE1/2048", "MODE1/2352", "MODE2/2048",
                                         "MODE2/2332", "MODE2/2336", "MODE2/2342", "MODE2/2352"};
    if (w.size() != 3) return Refuse("TRACK needs a number and a mode");
    if (sheet_.files.empty()) return Refuse("TRACK before any FILE");
    if (!sheet_.tracks.empty() && !TrackComplete()) return false;
    const std::optional<int> number = Number(w[1]);
    const int expected = static_cast<int>(sheet_.tracks.size()) + 1;
    if (number != expected) return Refuse("TRACK " + w[1] + " where track " + std::to_string(expected) + " belongs");
    if (std::find(std::begin(kModes), std::end(kModes), w[2]) == std::end(kModes))
      return Refuse("unknown track mode '" + w[2] + "'");
    CueTrack track;
    track.line = line_;
    if (w[2] != "AUDIO") track.sectorBytes = std::stoi(w[2].substr(6));
    sheet_.tracks.push_back(std::move(track));
    return true;
  }

  bool Index(const std::vector<std::string>& w) {
    if (w.size() != 3) return Refuse("INDEX needs a number and a time");
    CueTrack* track = Current("INDEX");
    const std::optional<int> number = Number(w[1]);
    std::int32_t time = 0;
    if (!track || !Time(w[2], time)) return false;
    const int expected = track->indexes.empty() ? -1 : track->indexes.back().number + 1;
    if (!number || (expected < 0 ? *number > 1 : *number != expected))
      return Refuse("INDEX " + w[1] + " out of order: indexes count up from 00 or 01");
    const int file = static_cast<int>(sheet_.files.size()) - 1;
    if (file == lastIndexFile_ && time < lastIndexTime_)
      return Refuse("INDEX " + w[1] + " " + w[2] + " lies before the previous index of the same file");
    lastIndexFile_ = file;
    lastIndexTime_ = time;
    track->indexes.push_back({*number, time, file});
    return true;
  }

  bool Gap(const std::vector<std::string>& w, bool post) {
    const char* name = post ? "POSTGAP" : "PREGAP";
    if (w.size() != 2) return Refuse(std::string(name) + " needs a time");
    CueTrack* track = Current(name);
    std::int32_t time = 0;
    if (!track || !Time(w[1], time)) return false;
    if (post ? !HasIndex1(*track) : !track->indexes.empty())
      return Refuse(std::string(name) + (post ? " before INDEX 01" : " after an INDEX"));
    (post ? track->postgap : track->pregap) = time;
    return true;
  }

  bool Isrc(const std::vector<std::string>& w) {
    CueTrack* track = Current("ISRC");
    if (!track) return false;
    const auto isrcCharacter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); };
    if (w.size() != 2 || w[1].size() != 12 || !std::all_of(w[1].begin(), w[1].end(), isrcCharacter))
      return Refuse("ISRC must be 12 capital letters and digits");
    return true;
  }

  bool Catalog(const std::vector<std::string>& w) {
    if (!sheet_.tracks.empty()) return Refuse("CATALOG inside a track");
    if (w.size() != 2 || w[1].size() != 13 || !IsDigits(w[1]))
      return Refuse("CATALOG must be 13 digits");
    sheet_.catalog = w[1];
    return true;
  }

  CueTrack* Current(const char* command) {
    if (sheet_.tracks.empty()) {
      Refuse(std::string(command) + " outside a track");
      return nullptr;
    }
    return &sheet_.tracks.back();
  }

  static bool HasIndex1(const CueTrack& track) {
    return std::any_of(track.indexes.begin(), track.indexes.end(), [](const CueIndex& i) { return i.number == 1; });
  }

  bool TrackComplete() {
    const CueTrack& track = sheet_.tracks.back();
    if (HasIndex1(track)) return true;
    line_ = track.line;  // the error points at the track
    return Refuse("track " + std::to_string(sheet_.tracks.size()) + " has no INDEX 01");
  }

  static std::optional<int> Number(const std::string& text) {
    if (text.empty() || text.size() > 2 || !IsDigits(text)) return std::nullopt;
    return std::stoi(text);
  }

  // "mm:ss:ff" with seconds up to 59 and frames up to 74.
  bool Time(const std::string& text, std::int32_t& sectors) {
    int part[3] = {0, 0, 0};
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
      const std::size_t end = i < 2 ? text.find(':', start) : text.size();
      const std::string digits = end == std::string::npos ? std::string() : text.substr(start, end - start);
      if (digits.empty() || digits.size() > 3 || !IsDigits(digits))
        return Refuse("'" + text + "' is not a time mm:ss:ff");
      part[i] = std::stoi(digits);
      start = end + 1;
    }
    if (part[1] > 59) return Refuse("impossible time " + text + ": seconds over 59");
    if (part[2] > 74) return Refuse("impossible time " + text + ": frames over 74");
    sectors = (part[0] * 60 + part[1]) * ioctl::kFramesPerSecond + part[2];
    return true;
  }

  std::string cuePath_;
  fs::path folder_;
  int line_ = 0;
  std::string why_;
  CueSheet sheet_;
  int lastIndexFile_ = -1;
  std::int32_t lastIndexTime_ = 0;
};

std::int32_t Index1Time(const CueTrack& track) {
  for (const CueIndex& index : track.indexes)
    if (index.number == 1) return index.time;
  return -1;
}

// Reads the track modes and ISRC codes with libcue, which must agree with the scan on the tracks and where each
// one starts.
bool ReadWithLibcue(const std::string& text, const std::string& cuePath, CueSheet& sheet, std::string& error) {
  static std::mutex parserLock;  // libcue keeps its parser state in globals
  std::lock_guard lock(parserLock);
  std::unique_ptr<Cd, void (*)(Cd*)> cd(cue_parse_string(text.c_str()), cd_delete);
  const int count = cd ? cd_get_ntrack(cd.get()) : 0;
  if (count != static_cast<int>(sheet.tracks.size())) {
    error = Fault(cuePath, "the cue parser reads " + std::to_string(count) + " of its " +
                               std::to_string(sheet.tracks.size()) + " tracks");
    return false;
  }
  for (int i = 0; i < count; ++i) {
    CueTrack& track = sheet.tracks[static_cast<std::size_t>(i)];
    const Track* parsed = cd_get_track(cd.get(), i + 1);
    if (!parsed || track_get_index(parsed, 1) != Index1Time(track)) {
      error = Fault(cuePath, "line " + std::to_string(track.line) + ": the cue parser misreads this track");
      return false;
    }
    track.audio = track_get_mode(parsed) == MODE_AUDIO;
    const char* isrc = track_get_isrc(parsed);
    track.isrc = isrc ? isrc : "";
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

  bool Build(std::vector<VirtualTrack>& tracks, std::vector<Segment>& segments, std::int32_t& leadOut,
             std::string& error) {
    const std::vector<CueTrack>& cue = sheet_.tracks;
    for (std::size_t k = 0; k < cue.size(); ++k) {
      VirtualTrack track;
      track.number = static_cast<int>(k) + 1;
      track.audio = cue[k].audio;
      track.isrc = cue[k].isrc;
      for (std::size_t j = 0; j < cue[k].indexes.size(); ++j) {
        const CueIndex& index = cue[k].indexes[j];
        const CueTrack& owner = (j == 0 && k > 0) ? cue[k - 1] : cue[k];
        if (!AdvanceTo(index.file, index.time, owner, error)) return false;
        if (j == 0) {
          if (k > 0) layout_.Silence(cue[k - 1].postgap, cue[k - 1].audio);
          track.pregapLba = layout_.cursor();
          layout_.Silence(cue[k].pregap, cue[k].audio);
        }
        if (index.number == 1) track.startLba = layout_.cursor();
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
    layout_.Append(file_, units_, static_cast<std::int32_t>((remaining + per - 1) / per), owner.audio);
    return true;
  }

  std::int64_t UnitsPerSector(const CueTrack& owner) const {
    const Source& source = *sources_[static_cast<std::size_t>(file_)];
    return source.Raw() ? owner.sectorBytes : source.UnitsPerAudioSector();
  }

  const CueSheet& sheet_;
  const std::vector<std::unique_ptr<Source>>& sources_;
  Layout layout_;
  int file_ = -1;           // the file being laid out
  std::int32_t time_ = 0;   // how far into it, in sectors of the sheet's times
  std::int64_t units_ = 0;  // the same in the file's units
};

bool ReadCueText(const std::string& cuePath, std::string& text, std::string& error) {
  if (!CheckFile(cuePath, error)) return false;
  std::error_code ec;
  if (fs::file_size(cuePath, ec) > kMaxCueSheetBytes) {
    error = Fault(cuePath, "too large for a cue sheet");
    return false;
  }
  std::ifstream in(cuePath, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  if (!in) {
    error = Fault(cuePath, "cannot read the file");
    return false;
  }
  text = content.str();
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // a UTF-8 byte-order mark
  return true;
}

std::unique_ptr<Source> OpenSource(const CueFile& file, std::string& error) {
  if (file.kind == FileKind::Sound) return SoundSource::Open(file.path, error);
  return RawSource::Open(file.path, file.kind == FileKind::Motorola, error);
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
ScsiReply DiscInformation(const std::uint8_t* cdb, std::size_t trackCount) {
  std::vector<std::uint8_t> data(34, 0);
  PutBig16(data.data(), static_cast<unsigned>(data.size() - 2));
  data[2] = 0x0E;
  data[3] = 1;  // first track on the disc
  data[4] = 1;  // sessions
  data[5] = 1;  // first track of the last session
  data[6] = static_cast<std::uint8_t>(trackCount);
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
    toc.firstTrack = 1;
    toc.lastTrack = static_cast<std::uint8_t>(tracks.size());
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
    if (format.format != ioctl::kSubQFormatTrackIsrc || format.track < 1 || format.track > tracks.size())
      return IoStatus::Failed;
    ioctl::SubQTrackIsrc answer{};
    answer.header[1] = 0x15;  // no current audio status
    PutBig16(answer.header + 2, sizeof answer - sizeof answer.header);
    answer.formatCode = ioctl::kSubQFormatTrackIsrc;
    answer.track = format.track;
    const std::string& isrc = tracks[format.track - 1u].isrc;
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
        return DiscInformation(cdb, disc_->Tracks().size());
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

std::shared_ptr<VirtualDisc> VirtualDisc::FromCueSheet(const std::string& cuePath, std::string& error) {
  std::string text;
  CueSheet sheet;
  if (!ReadCueText(cuePath, text, error) || !CueScanner(cuePath).Scan(text, sheet, error) ||
      !ReadWithLibcue(text, cuePath, sheet, error))
    return nullptr;

  auto impl = std::make_unique<Impl>();
  for (const CueFile& file : sheet.files) {
    std::unique_ptr<Source> source = OpenSource(file, error);
    if (!source) return nullptr;
    impl->sources.push_back(std::move(source));
  }
  if (!CueLayout(sheet, impl->sources).Build(impl->tracks, impl->segments, impl->leadOut, error) ||
      !CheckTracks(cuePath, impl->tracks, impl->leadOut, error))
    return nullptr;
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
    std::unique_ptr<SoundSource> source = SoundSource::Open(path, error);
    if (!source) return nullptr;
    VirtualTrack track;
    track.number = static_cast<int>(impl->tracks.size()) + 1;
    track.startLba = track.pregapLba = layout.cursor();
    const std::int64_t sectors = (source->Size() + kFramesPerSector - 1) / kFramesPerSector;
    layout.Append(static_cast<int>(impl->sources.size()), 0,
                  static_cast<std::int32_t>(std::min<std::int64_t>(sectors, kMaxLeadOut + 1)), true);
    impl->tracks.push_back(track);
    impl->sources.push_back(std::move(source));
  }
  impl->leadOut = layout.cursor();
  if (!CheckTracks(paths.front(), impl->tracks, impl->leadOut, error)) return nullptr;
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

std::unique_ptr<DeviceBackend> VirtualDisc::OpenBackend() {
  return std::make_unique<VirtualDiscBackend>(shared_from_this());
}

DriveTable::Drive VirtualDisc::AsDrive() {
  DriveTable::Drive drive;
  drive.type = DriveType::Cdrom;
  drive.description = Description();
  drive.vendorProduct = std::string(kVendor) + " " + kProduct;
  drive.open = [self = shared_from_this()] { return self->OpenBackend(); };
  return drive;
}

}  // namespace ossel

