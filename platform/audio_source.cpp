#include "platform/audio_source.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/regular_file.h"

namespace ossel::vdisc {

namespace fs = std::filesystem;

std::string Fault(const std::string& file, const std::string& what) { return file + ": " + what; }

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

namespace {

// libsndfile's message without its "Error : " prefix and final point.
std::string DecoderText(SNDFILE* file) {
  std::string text = sf_strerror(file);
  if (text.rfind("Error : ", 0) == 0) text.erase(0, 8);
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
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

// What a disc's file was when it was opened, to find it changed under the disc: a file rewritten, cut or grown
// while it is played would give other audio than the one checked, or silence, as if nothing had happened. Once a
// change or a failed read is seen the file stays faulty for the disc's life. A rewrite that keeps the length within
// one tick of the file system's clock after the file was opened does not show.
class FileWatch {
 public:
  FileWatch(std::string path, int fd) : path_(std::move(path)), fd_(fd), opened_(Identity()) {}

  // False (with the fault kept) when the file is no longer the one opened. Any thread.
  bool Unchanged() {
    if (faulty_) return false;
    const std::optional<State> now = Identity();
    if (!opened_ || !now || !(*now == *opened_)) Fail("changed while the disc was read");
    return !faulty_;
  }
  void Fail(const std::string& what) {
    std::lock_guard lock(mutex_);
    if (fault_.empty()) fault_ = Fault(path_, what);
    faulty_ = true;
  }
  std::string fault() const {
    std::lock_guard lock(mutex_);
    return fault_;
  }

 private:
  struct State {
    std::int64_t size;
    std::int64_t seconds;
    long nanoseconds;
    bool operator==(const State&) const = default;
  };
  std::optional<State> Identity() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return std::nullopt;
    return State{st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
  }

  const std::string path_;
  const int fd_;
  const std::optional<State> opened_;
  std::atomic<bool> faulty_{false};
  mutable std::mutex mutex_;
  std::string fault_;
};

// A raw CD-DA file (BINARY little-endian or MOTOROLA big-endian), read by offset and never held in memory.
class RawSource final : public Source {
 public:
  static std::unique_ptr<RawSource> Open(const std::string& path, bool bigEndian, std::string& error) {
    if (!CheckFile(path, error)) return nullptr;
    const int fd = OpenRegularFile(path, error);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
      error = Fault(path, std::string("cannot open: ") + std::strerror(errno));
      ::close(fd);
      return nullptr;
    }
    return std::unique_ptr<RawSource>(new RawSource(path, fd, st.st_size, bigEndian));
  }

  ~RawSource() override { ::close(fd_); }

  bool Read(std::int64_t position, std::int32_t sectors, std::uint8_t* out) override {
    if (!watch_.Unchanged()) return false;
    const std::size_t want = static_cast<std::size_t>(sectors) * kSectorBytes;
    std::size_t got = 0;
    while (got < want) {
      const ssize_t n = ::pread(fd_, out + got, want - got, static_cast<off_t>(position + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        watch_.Fail(n < 0 ? std::string("cannot be read any more: ") + std::strerror(errno) : "ends early");
        return false;
      }
      got += static_cast<std::size_t>(n);
    }
    // A change during the read itself shows now.
    if (!watch_.Unchanged()) return false;
    if (bigEndian_) SwapBytePairs(out, want);
    return true;
  }

  std::string ReadFault() const override { return watch_.fault(); }

  std::int64_t Size() const override { return size_; }
  std::int64_t UnitsPerAudioSector() const override { return kSectorBytes; }
  bool Raw() const override { return true; }

 private:
  RawSource(const std::string& path, int fd, std::int64_t size, bool bigEndian)
      : fd_(fd), size_(size), bigEndian_(bigEndian), watch_(path, fd) {}

  int fd_;
  std::int64_t size_;
  bool bigEndian_;
  FileWatch watch_;
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
    // The decoder reads through a descriptor of our own, which also tells whether the file changes later.
    const int fd = OpenRegularFile(path, error);
    if (fd < 0) return nullptr;
    SF_INFO info{};
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (!file) {
      ::close(fd);
      error = Fault(path, "cannot decode: " + DecoderText(nullptr));
      return nullptr;
    }
    std::unique_ptr<SoundSource> source(new SoundSource(path, fd, file, info));
    if (!source->Verify(path, error)) return nullptr;
    return source;
  }

  ~SoundSource() override { sf_close(file_); }

  bool Read(std::int64_t position, std::int32_t sectors, std::uint8_t* out) override {
    std::lock_guard lock(mutex_);
    if (!watch_.Unchanged()) return false;
    const sf_count_t want = static_cast<sf_count_t>(sectors) * kFramesPerSector;
    const sf_count_t present = std::clamp<sf_count_t>(info_.frames - position, 0, want);
    if (present > 0) {
      if (position != position_ && sf_seek(file_, position, SEEK_SET) != position) {
        position_ = -1;
        watch_.Fail("cannot seek in the file any more");
        return false;
      }
      stereo_.resize(static_cast<std::size_t>(present) * 2);
      const sf_count_t got = Decode(present, stereo_.data());
      position_ = position + got;
      if (got != present || sf_error(file_) != SF_ERR_NO_ERROR) {
        watch_.Fail("damaged: decoding fails at sample frame " + std::to_string(position + got) + " (" +
                    DecoderText(file_) + ")");
        return false;
      }
      if (!watch_.Unchanged()) return false;
      StoreSamples(stereo_.data(), stereo_.size(), out);
    }
    std::memset(out + present * 4, 0, static_cast<std::size_t>(want - present) * 4);
    return true;
  }

  std::string ReadFault() const override { return watch_.fault(); }

  std::int64_t Size() const override { return info_.frames; }
  std::int64_t UnitsPerAudioSector() const override { return kFramesPerSector; }
  bool Raw() const override { return false; }

 private:
  SoundSource(const std::string& path, int fd, SNDFILE* file, const SF_INFO& info)
      : file_(file), info_(info), watch_(path, fd) {
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
  FileWatch watch_;
  sf_count_t position_ = 0;
  std::vector<std::int16_t> stereo_;
  std::vector<short> mono_;
  std::vector<float> floats_;
};

}  // namespace

std::unique_ptr<Source> OpenRawSource(const std::string& path, bool bigEndian, std::string& error) {
  return RawSource::Open(path, bigEndian, error);
}

std::unique_ptr<Source> OpenSoundSource(const std::string& path, std::string& error) {
  return SoundSource::Open(path, error);
}

}  // namespace ossel::vdisc
