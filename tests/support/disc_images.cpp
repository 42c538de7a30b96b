#include "support/disc_images.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>

namespace ossel::test {

namespace fs = std::filesystem;

ImageFolder::ImageFolder() {
  std::string pattern = (fs::temp_directory_path() / "ossel-images-XXXXXX").string();
  if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ImageFolder::~ImageFolder() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
}

Samples Tone(std::int64_t frames, double hz, int channels, double amplitude) {
  Samples out(static_cast<std::size_t>(frames * channels));
  for (std::int64_t i = 0; i < frames; ++i) {
    double f = hz;
    for (int c = 0; c < channels; ++c, f *= 1.5) {
      const double v = amplitude * 32767.0 * std::sin(2.0 * std::numbers::pi * f * static_cast<double>(i) / 44100.0);
      out[static_cast<std::size_t>(i * channels + c)] = static_cast<std::int16_t>(std::lround(v));
    }
  }
  return out;
}

Samples Noise(std::int64_t frames, std::uint32_t seed, int channels, double amplitude) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> uniform(-amplitude, amplitude);
  Samples out(static_cast<std::size_t>(frames * channels));
  for (auto& s : out) s = static_cast<std::int16_t>(std::lround(uniform(random) * 32767.0));
  return out;
}

Samples Pattern(std::int64_t frames, int channels, int salt) {
  Samples out(static_cast<std::size_t>(frames * channels));
  const auto offset = static_cast<std::size_t>(salt) * 40503u + 1u;
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(i * 7919u + offset));
  return out;
}

Samples Duplicated(const Samples& mono) {
  Samples out;
  out.reserve(mono.size() * 2);
  for (std::int16_t s : mono) out.insert(out.end(), {s, s});
  return out;
}

namespace {

template <typename Sample, typename Write>
bool WriteWith(const std::string& path, const std::vector<Sample>& samples, const SoundFormat& format, Write write) {
  SF_INFO info{};
  info.samplerate = format.rate;
  info.channels = format.channels;
  info.format = format.format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / format.channels;
  const bool ok = write(file, samples.data(), frames) == frames;
  return sf_close(file) == 0 && ok;
}

}  // namespace

bool WriteSound(const std::string& path, const Samples& samples, const SoundFormat& format) {
  return WriteWith(path, samples, format, sf_writef_short);
}

bool WriteSoundInt(const std::string& path, const std::vector<std::int32_t>& samples, const SoundFormat& format) {
  return WriteWith(path, samples, format, sf_writef_int);
}

bool WriteSoundFloat(const std::string& path, const std::vector<float>& samples, const SoundFormat& format) {
  return WriteWith(path, samples, format, sf_writef_float);
}

bool WriteRaw(const std::string& path, const Samples& stereo, bool bigEndian) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(stereo.size() * 2);
  for (std::int16_t s : stereo) {
    const auto v = static_cast<std::uint16_t>(s);
    const auto low = static_cast<std::uint8_t>(v), high = static_cast<std::uint8_t>(v >> 8);
    bytes.insert(bytes.end(), bigEndian ? std::initializer_list<std::uint8_t>{high, low}
                                        : std::initializer_list<std::uint8_t>{low, high});
  }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

bool Truncate(const std::string& path, std::uintmax_t bytes) {
  std::error_code ec;
  fs::resize_file(path, bytes, ec);
  return !ec;
}

bool Scribble(const std::string& path, std::uintmax_t offset, std::size_t count) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(static_cast<std::streamoff>(offset));
  const std::string ones(count, '\xFF');
  file.write(ones.data(), static_cast<std::streamsize>(count));
  return static_cast<bool>(file);
}

std::vector<std::uint8_t> CddaBytes(const Samples& stereo) {
  const std::size_t frames = stereo.size() / 2;
  const std::size_t sectors = (frames + kFramesPerSector - 1) / kFramesPerSector;
  std::vector<std::uint8_t> bytes(sectors * kSectorBytes, 0);
  for (std::size_t i = 0; i < stereo.size(); ++i) {
    const auto v = static_cast<std::uint16_t>(stereo[i]);
    bytes[2 * i] = static_cast<std::uint8_t>(v);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  return bytes;
}

std::vector<std::uint8_t> SilentSectors(int count) {
  return std::vector<std::uint8_t>(static_cast<std::size_t>(count) * kSectorBytes, 0);
}

DiscDrive::DiscDrive(std::shared_ptr<VirtualDisc> disc)
    : letter_(disc ? table_.AddCdDrive(disc->AsDrive()) : 0), drive_(std::make_unique<CdDrive>(table_)) {
  ready_ = letter_ != 0 && drive_->Open(letter_) && drive_->ReadTrackTable();
}

std::vector<std::uint8_t> DiscDrive::Read(std::int32_t lba, int count) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * kSectorBytes);
  if (!drive_->ReadAudioSectors(lba, count, bytes.data())) bytes.clear();
  return bytes;
}

std::shared_ptr<VirtualDisc> NoiseDisc(const ImageFolder& folder, const std::vector<int>& trackSectors,
                                       std::uint32_t firstSeed) {
  auto msf = [](int sectors) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", sectors / 4500, sectors / 75 % 60, sectors % 75);
    return std::string(text);
  };
  Samples all;
  std::string cue = "FILE \"disc.bin\" BINARY\n";
  int start = 0;
  for (std::size_t i = 0; i < trackSectors.size(); ++i) {
    const Samples track =
        Noise(std::int64_t{trackSectors[i]} * kFramesPerSector, firstSeed + static_cast<std::uint32_t>(i));
    all.insert(all.end(), track.begin(), track.end());
    cue += "  TRACK " + std::to_string(100 + i + 1).substr(1) + " AUDIO\n    INDEX 01 " + msf(start) + "\n";
    start += trackSectors[i];
  }
  EXPECT_TRUE(WriteRaw(folder / "disc.bin", all));
  EXPECT_TRUE(WriteText(folder / "disc.cue", cue));
  std::string error;
  auto disc = VirtualDisc::FromCueSheet(folder / "disc.cue", error);
  EXPECT_TRUE(disc) << error;
  return disc;
}

}  // namespace ossel::test
